#include "setrecord/setupmodel.h"

#include "core/trmark.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qmr::app {

namespace {

constexpr uint32_t kOscValues[] = {1000000, 2000000, 4000000, 6000000, 8000000};
constexpr const char* kOscTexts[] = {"1 MHz", "2 MHz", "4 MHz", "6 MHz", "8 MHz"};
constexpr uint32_t kClockValues[] = {8000000, 4000000, 2000000, 1000000, 500000, 250000, 125000, 80000, 40000, 4000};
constexpr const char* kClockTexts[] = {"8 MHz",   "4 MHz",   "2 MHz",  "1 MHz",  "500 KHz",
                                       "250 KHz", "125 KHz", "80 KHz", "40 KHz", "4 KHz"};
constexpr uint32_t kBaudValues[] = {153600, 115200, 76800, 38400, 31250, 19200, 9600};
constexpr uint32_t kClass3Baud[] = {300000, 200000, 100000};
constexpr const char* kClass3Texts[] = {"300K Baud", "200K Baud", "100K Baud"};

std::string format(const char* f, long v)
{
    char b[64];
    std::snprintf(b, sizeof b, f, v);
    return b;
}

// The largest list value not above hz, or 0 below the list.
uint32_t roundDownOsc(uint32_t hz)
{
    uint32_t r = 0;
    for (uint32_t v : kOscValues)
        if (v <= hz) r = v;
    return r;
}

// Reads a decimal number as "%d" does; false when nothing can be read.
bool readDecimal(const std::string& s, long long& out)
{
    const char* p = s.c_str();
    while (*p == ' ' || *p == '\t') ++p;
    char* end = nullptr;
    long long v = std::strtoll(p, &end, 10);
    if (end == p) return false;
    out = v;
    return true;
}

MessageBox warning(const char* text)
{
    return MessageBox{text, QT_TRANSLATE_NOOP("SetupModel", "Warning"), Icon::Error, true};
}

// Character time added to a timing word for a baud rate.
double characterTime(int deviceClass, uint32_t baud)
{
    if (deviceClass == 2) return baud == 86400 ? 139 : baud == 115200 ? 104 : 0;
    switch (baud) {
    case 9600: return 1146;
    case 19200: return 537;
    case 31250: return 352;
    case 38400: return 286;
    case 76800: return 143;
    case 115200: return 95;
    case 153600: return 72;
    default: return 0;
    }
}

enum Kind { kKeep, kCycles, kCyclesChar, kTime, kSpecial };

Kind wordKind(int w)
{
    static const int keep[] = {9, 13, 14, 18, 19, 23, 27, 29, 33, 35, 36, 40, 44, 46, 47, 50, 51, 52, 56, 57, 64, 68, 71, 76, 79, 88};
    static const int withChar[] = {2, 4, 8, 11, 16, 21, 25, 31, 38, 42, 49, 54, 59, 61, 66, 70, 74, 78};
    static const int cycles[] = {0,  1,  3,  5,  6,  7,  10, 12, 15, 17, 20, 22, 24, 26, 28, 30, 32, 34,
                                 37, 39, 41, 43, 45, 48, 53, 55, 58, 60, 65, 67, 69, 72, 73, 75, 77};
    static const int time[] = {80, 81, 83, 84, 85, 90};
    auto in = [w](const auto& list) { return std::find(std::begin(list), std::end(list), w) != std::end(list); };
    if (in(keep)) return kKeep;
    if (in(withChar)) return kCyclesChar;
    if (in(cycles)) return kCycles;
    if (in(time)) return kTime;
    return kSpecial;
}

}  // namespace

uint32_t encodeTiming(double t)
{
    uint32_t code, shift;
    double count;
    if (t <= 65536) code = 2, shift = 4, count = t;
    else if (t <= 131072) code = 2, shift = 5, count = t * 0.5;
    else if (t <= 262144) code = 2, shift = 6, count = t * 0.25;
    else if (t <= 524288) code = 2, shift = 7, count = t * 0.125;
    else if (t <= 1048576) code = 3, shift = 6, count = t * 0.0625;
    else if (t <= 2097152) code = 3, shift = 7, count = t * 0.03125;
    else code = 16, shift = 0, count = t * 0.000004;
    // The count is 16 bits and never 0xFFFF (nor wraps past it to 0); a time
    // that is no number counts as none.
    double c = std::floor(count > 0 ? count : 0);
    uint32_t n = c >= 0xFFFE ? 0xFFFE : static_cast<uint32_t>(c);
    return code | (shift << 8) | (n << 16);
}

int deviceSlotOfVersion1(const PrmView& prm, int position)
{
    int n = 0;
    for (int s = 0; s < PrmView::kDevices; ++s) {
        if (!prm.device(s).blocks) continue;
        if (n++ == position) return s;
    }
    return -1;
}

bool convertVersion1(SetRecord& r, const PrmView& prm)
{
    if (r.formatVersion != 1) return true;
    int slot = deviceSlotOfVersion1(prm, r.deviceNumber);
    if (slot < 0) return false;
    r.deviceNumber = uint8_t(slot);
    r.deviceSlot = uint8_t(slot);
    r.formatVersion = 2;
    return true;
}

PrmCheck SetupModel::load(const PrmRecord& prm)
{
    std::memcpy(&prmCopy_, &prm, sizeof prm);
    prm_.emplace(prmCopy_);
    PrmCheck c = prm_->check();
    if (c != PrmCheck::Ok) prm_.reset();
    else c_.prmName = std::string(reinterpret_cast<const char*>(prm_->bytes(16, 30)), 0, 29).c_str();
    return c;
}

void SetupModel::selectSetting(const std::string& name)
{
    settingChosen_ = true;
    c_.setName.text = name;
}

bool SetupModel::clocked() const
{
    uint8_t code = currentMethod().code;
    return code == 1 || code == 2;
}

uint32_t SetupModel::baseClock() const
{
    CommMethod m = currentMethod();
    return (m.flags & 1) ? m.clock : oscHz_;
}

void SetupModel::fillDeviceList()
{
    c_.device.clear();
    deviceSlots_.clear();
    for (int s = 0; s < PrmView::kDevices; ++s) {
        DeviceEntry d = prm().device(s);
        if (!d.blocks) continue;
        deviceSlots_.push_back(s);
        c_.device.items.push_back(d.name);
    }
    auto it = std::find(deviceSlots_.begin(), deviceSlots_.end(), slot_);
    if (it == deviceSlots_.end()) it = deviceSlots_.begin();
    slot_ = *it;
    c_.device.selected = int(it - deviceSlots_.begin());
}

void SetupModel::fillMethodList()
{
    c_.method.clear();
    int n = prm().methodCount();
    for (int i = 0; i < n; ++i) c_.method.items.push_back(prm().method(i).name);
    if (methodIndex_ >= n) methodIndex_ = 0;
    c_.method.selected = n ? methodIndex_ : -1;
}

void SetupModel::noOnTarget()
{
    c_.onTarget = Check{false, false};
    c_.onTargetHz = Edit{"", false};
}

void SetupModel::fillOscillatorList(bool loaded, uint8_t oscSource)
{
    c_.oscillator.clear();
    int cls = prm().deviceClass();
    if (cls == 2) {
        c_.oscillator.items = {"6 MHz", "8 MHz"};
        c_.oscillator.selected = oscHz_ == 6000000 ? 0 : 1;
        oscHz_ = c_.oscillator.selected == 0 ? 6000000 : 8000000;
        c_.oscillator.enabled = true;
        noOnTarget();
        return;
    }
    if (cls == 3 && (prm().method(0).flags & 2)) {
        for (const char* t : kOscTexts) c_.oscillator.items.push_back(t);
        c_.oscillator.selected = 4;
        c_.oscillator.enabled = false;
        oscHz_ = kOscValues[4];
        noOnTarget();
        return;
    }
    if (currentMethod().flags & 2) {  // the oscillator is fixed by the method
        c_.oscillator.enabled = false;
        noOnTarget();
        return;
    }
    c_.oscillator.enabled = true;
    c_.onTarget.enabled = true;
    if (loaded && oscSource == 1) {
        uint32_t lo = roundDownOsc(prm().oscLowHz()), hi = roundDownOsc(prm().oscHighHz());
        for (size_t i = 0; i < 5; ++i)
            if (kOscValues[i] >= lo && kOscValues[i] <= hi && hi) c_.oscillator.items.push_back(kOscTexts[i]);
        if (c_.oscillator.items.empty()) {
            c_.oscillator.items.push_back(format("%ld ", long(oscHz_)));
            c_.oscillator.selected = 0;
        } else {
            auto at = std::find(std::begin(kOscValues), std::end(kOscValues), oscHz_);
            for (size_t i = 0; at != std::end(kOscValues) && i < c_.oscillator.items.size(); ++i)
                if (c_.oscillator.items[i] == kOscTexts[at - std::begin(kOscValues)]) c_.oscillator.selected = int(i);
            if (c_.oscillator.selected < 0) chooseOscillator(0);
        }
        c_.onTarget.checked = false;
        c_.onTargetHz = Edit{"", false};
        return;
    }
    // On the target: the frequency is typed.
    c_.onTarget.checked = true;
    c_.oscillator.enabled = false;
    c_.onTargetHz = Edit{format("%ld ", long(loaded ? oscHz_ : prm().defaultOscHz())), true};
    if (!loaded) oscHz_ = prm().defaultOscHz();
}

void SetupModel::fillSpeedList(bool loaded)
{
    c_.speed.clear();
    int cls = prm().deviceClass();
    if (cls == 2) {
        bool fast = oscHz_ != 6000000;
        c_.speed.items = {fast ? "115200 Baud" : "86400 Baud"};
        c_.speed.selected = 0;
        baud_ = fast ? 115200 : 86400;
        clockHz_ = oscHz_;
        return;
    }
    if (!clocked() && cls == 3) {
        for (const char* t : kClass3Texts) c_.speed.items.push_back(t);
        c_.speed.selected = loaded ? (baud_ == 100000 ? 2 : baud_ == 200000 ? 1 : 0) : 0;
        baud_ = kClass3Baud[c_.speed.selected];
        return;
    }
    if (clocked()) {
        uint32_t want = loaded ? clockHz_ : prm().defaultClockHz();
        for (size_t i = 0; i < std::size(kClockValues); ++i) {
            if (kClockValues[i] > prm().clockHighHz() || kClockValues[i] < prm().clockLowHz()) continue;
            if (kClockValues[i] == want) c_.speed.selected = int(c_.speed.items.size());
            c_.speed.items.push_back(kClockTexts[i]);
        }
        if (c_.speed.selected < 0 && !c_.speed.items.empty()) c_.speed.selected = 0;
        clockHz_ = c_.speed.selected < 0 ? 0 : uint32_t(std::strtoul(c_.speed.text().c_str(), nullptr, 10)) *
                                                     (c_.speed.text().find("MHz") != std::string::npos ? 1000000u : 1000u);
        return;
    }
    uint32_t want = loaded ? baud_ : prm().defaultBaud();
    for (uint32_t b : kBaudValues) {
        if (b > prm().baudHigh() || b < prm().baudLow()) continue;
        if (b == want) c_.speed.selected = int(c_.speed.items.size());
        c_.speed.items.push_back(format("%ld Baud", long(b)));
    }
    if (c_.speed.selected < 0 && !c_.speed.items.empty()) c_.speed.selected = 0;
    baud_ = c_.speed.selected < 0 ? 0 : uint32_t(std::strtoul(c_.speed.text().c_str(), nullptr, 10));
}

void SetupModel::fillMultiplierList(uint8_t code)
{
    c_.multiplier.clear();
    for (int i = 0; i < 8 && prm().multiplierCode(i); ++i) {
        uint8_t m = prm().multiplierCode(i);
        c_.multiplier.items.push_back(format("%0ld.", long(m >> 4)) + format("%0ld", long(m & 15)));
        if (m == code) c_.multiplier.selected = i;
    }
    c_.multiplier.enabled = !c_.multiplier.items.empty();
    if (!c_.multiplier.enabled) {
        multiplierCode_ = 0;
        multiplier_ = 1.0;
        return;
    }
    if (c_.multiplier.selected < 0) c_.multiplier.selected = 0;
    chooseMultiplier(c_.multiplier.selected);
}

std::string SetupModel::blockText(int k, bool address) const
{
    return address ? format("%06lX", long(prm().blockEnd(currentDevice(), k))) : format("%03ld", long(k));
}

void SetupModel::fillOperationLists()
{
    c_.startBlock.clear();
    c_.endBlock.clear();
    c_.startBlock.enabled = c_.endBlock.enabled = c_.opShowAddress.enabled = c_.blockMode;
    if (!c_.blockMode) return;
    bool addr = c_.opShowAddress.checked;
    c_.startBlock.items = {addr ? "000000" : "000"};
    c_.startBlock.selected = 0;
    DeviceEntry d = currentDevice();
    for (int k = 0; k < d.blocks; ++k) c_.endBlock.items.push_back(blockText(k, addr));
    endBlock_ = std::clamp(endBlock_, 0, d.blocks - 1);
    c_.endBlock.selected = endBlock_;
}

void SetupModel::fillProtectionLists()
{
    c_.bootBlockEnd.clear();
    c_.fsStart.clear();
    c_.fsEnd.clear();
    DeviceEntry d = currentDevice();
    bool addr = c_.protShowAddress.checked;
    uint8_t sub = prm().deviceSubtype();
    int cls = prm().deviceClass();
    bool boot = sub == 4 || sub == 18;
    bool fs = cls == 3 && sub == 1;
    c_.bootBlockEnd.enabled = boot;
    c_.fsStart.enabled = c_.fsEnd.enabled = fs;
    c_.protShowAddress.enabled = boot || fs;
    if (boot) {
        for (int k = 0; k < d.blocks; ++k)
            c_.bootBlockEnd.items.push_back(addr ? format("%06lX", long(prm().blockEnd(d, k))) : format("%ld", long(k)));
        bootBlock_ = std::clamp(bootBlock_, 0, d.blocks - 1);  // beyond the device: its last block
        c_.bootBlockEnd.selected = bootBlock_;
    }
    if (fs) {
        for (int k = 0; k < d.blocks; ++k) {
            uint32_t start = k == 0 ? 0 : prm().blockEnd(d, k - 1) + 1;
            c_.fsStart.items.push_back(addr ? format("%06lX", long(start)) : format("%03ld", long(k)));
            c_.fsEnd.items.push_back(addr ? format("%06lX", long(prm().blockEnd(d, k))) : format("%03ld", long(k)));
        }
        fsStart_ = std::clamp(fsStart_, 0, d.blocks - 1);
        fsEnd_ = std::clamp(fsEnd_, fsStart_, d.blocks - 1);
        c_.fsStart.selected = fsStart_;
        c_.fsEnd.selected = fsEnd_;
    }
}

void SetupModel::fillSecurityAvailability()
{
    int cls = prm().deviceClass();
    uint8_t sub = prm().deviceSubtype();
    for (auto& b : c_.security) b.enabled = true;
    bool read = cls == 1 ? (sub == 2 || sub == 3 || sub == 4 || sub == 18) : false;
    bool bootBox = cls == 1 ? (sub == 2 || sub == 4) : cls != 2;
    const uint8_t* d0 = prm().bytes(prm().deviceOffset(0), 4);
    if (d0 && d0[1] == 0x7F && d0[2] == 0x04 && d0[3] == 0x7C) read = false;
    c_.security[kRead].enabled = read;
    c_.security[kBootBlock].enabled = bootBox;
    for (int b : {int(kRead), int(kBootBlock)})
        if (!c_.security[b].enabled) c_.security[b].checked = false;
    bool vectorShown = cls == 3 || (cls == 1 && sub == 3);
    c_.resetVector.enabled = vectorShown;
    if (!vectorShown) c_.resetVector.text.clear();
}

uint8_t SetupModel::securityFlags() const
{
    auto on = [&](int b) { return c_.security[b].enabled && c_.security[b].checked; };
    int cls = prm().deviceClass();
    uint8_t sub = prm().deviceSubtype();
    if (cls == 2) {
        uint8_t f = 0xC0;
        if (!on(kBlockErase)) f |= 0x03;
        if (!on(kChipErase)) f |= 0x0C;
        if (!on(kProgram)) f |= 0x30;
        return f;
    }
    uint8_t f = 0xFF;
    if (on(kChipErase)) f &= ~0x01;
    if (on(kBlockErase)) f &= ~0x02;
    if (on(kProgram)) f &= ~0x04;
    if (cls == 1) {
        if ((sub == 2 || sub == 3 || sub == 4 || sub == 18) && on(kRead)) f &= ~0x08;
        if ((sub == 2 || sub == 4) && on(kBootBlock)) f &= ~0x10;
    } else if (on(kBootBlock)) {
        f &= ~0x10;
    }
    return f;
}

void SetupModel::setSecurityFromFlags(uint8_t f)
{
    if (prm().deviceClass() == 2) {
        c_.security[kBlockErase].checked = (f & 0x03) == 0;
        c_.security[kChipErase].checked = (f & 0x0C) == 0;
        c_.security[kProgram].checked = (f & 0x30) == 0;
        return;
    }
    c_.security[kChipErase].checked = !(f & 0x01);
    c_.security[kBlockErase].checked = !(f & 0x02);
    c_.security[kProgram].checked = !(f & 0x04);
    c_.security[kRead].checked = c_.security[kRead].enabled && !(f & 0x08);
    c_.security[kBootBlock].checked = c_.security[kBootBlock].enabled && !(f & 0x10);
}

void SetupModel::fillDefaults()
{
    if (!prm_) return;
    slot_ = -1;
    fillDeviceList();
    methodIndex_ = 0;
    fillMethodList();
    oscHz_ = prm().deviceClass() == 2 ? 8000000 : prm().defaultOscHz();
    fillOscillatorList(false, 0);
    fillSpeedList(false);
    uint8_t v = prm().voltageLimit();
    c_.voltage5Enabled = v != '3';
    c_.voltage = v == '3' ? Voltage::Out3V3 : v == 'P' ? Voltage::Out5V : Voltage::Target;
    fillMultiplierList(0);
    c_.blockMode = false;
    endBlock_ = currentDevice().blocks - 1;
    startBlock_ = bootBlock_ = fsStart_ = 0;
    fsEnd_ = endBlock_;
    fillOperationLists();
    c_.standalone = kEpv;
    c_.extensionTime = Edit{"0", true};
    c_.extensionWait = Edit{"0", prm().deviceClass() != 2};
    for (int b = 0; b < 4; ++b) c_.commandOption[b].checked = (prm().defaultOptions() >> b) & 1;
    fillSecurityAvailability();
    for (int b = 0; b < kSecurityBoxes; ++b)
        c_.security[b].checked = c_.security[b].enabled && ((prm().defaultSecurity() >> b) & 1);
    fillProtectionLists();
}

void SetupModel::fillFromRecord(const SetRecord& stored)
{
    if (!prm_) return;
    SetRecord r = stored;
    convertVersion1(r, prm());
    slot_ = r.deviceNumber;
    fillDeviceList();
    methodIndex_ = r.commIndex;
    fillMethodList();
    oscHz_ = r.oscHz.get();
    clockHz_ = r.clockHz.get();
    baud_ = r.baudRate.get();
    fillOscillatorList(true, r.oscSource);
    if (prm().deviceClass() == 2) {
        oscHz_ = baud_ == 86400 ? 6000000 : 8000000;
        fillOscillatorList(true, 1);
    }
    fillSpeedList(true);
    uint8_t v = r.supplyVoltage;
    c_.voltage5Enabled = prm().voltageLimit() != '3';
    c_.voltage = v == '3' ? Voltage::Out3V3 : v == 'P' ? Voltage::Out5V : Voltage::Target;
    fillMultiplierList(r.oscMultiplier);
    c_.blockMode = r.operationMode == 1;
    c_.opShowAddress.checked = r.opShowAddress != 0;
    endBlock_ = r.endBlock.get();
    fillOperationLists();
    c_.protShowAddress.checked = r.protShowAddress != 0;
    bootBlock_ = r.bootBlockEnd;
    fsStart_ = r.fsBlockStart.get();
    fsEnd_ = r.fsBlockEnd.get();
    fillSecurityAvailability();
    setSecurityFromFlags(r.securityFlags);
    fillProtectionLists();
    for (int b = 0; b < 4; ++b) c_.commandOption[b].checked = (r.commandOptions >> b) & 1;
    if (c_.resetVector.enabled) {
        uint32_t rv = r.resetVector.get();
        char t[16];
        std::snprintf(t, sizeof t, "%02x%02x%02x", (rv >> 16) & 0xFF, (rv >> 8) & 0xFF, rv & 0xFF);
        c_.resetVector.text = t;
    }
    c_.logRecording.checked = r.logRecording != 0;
    c_.standalone = r.standaloneOp;
    c_.extensionTime = Edit{format("%ld", long(r.extensionTimeNs.get() / 1000)), true};
    c_.extensionWait = Edit{format("%ld", long(r.extensionWaitNs.get() / 1000)), prm().deviceClass() != 2};
    c_.setName.text = std::string(r.setFileName, strnlen(r.setFileName, sizeof r.setFileName));
    settingChosen_ = true;
}

void SetupModel::chooseDevice(int index)
{
    if (index < 0 || index >= int(deviceSlots_.size())) return;
    slot_ = deviceSlots_[size_t(index)];
    c_.device.selected = index;
    startBlock_ = 0;
    fsStart_ = 0;
    endBlock_ = fsEnd_ = currentDevice().blocks - 1;
    fillOperationLists();
    fillProtectionLists();
}

void SetupModel::chooseMethod(int index)
{
    if (index < 0 || index >= int(c_.method.items.size())) return;
    methodIndex_ = index;
    c_.method.selected = index;
    if (prm().deviceClass() == 1) fillOscillatorList(false, 0);
    fillSpeedList(false);
}

void SetupModel::setOnTarget(bool checked)
{
    if (!c_.onTarget.enabled) return;
    if (checked) {
        c_.onTarget.checked = true;
        c_.oscillator.clear();
        c_.oscillator.enabled = false;
        c_.onTargetHz = Edit{format("%ld ", long(prm().defaultOscHz())), true};
        oscHz_ = prm().defaultOscHz();
    } else {
        oscHz_ = roundDownOsc(oscHz_) ? roundDownOsc(oscHz_) : roundDownOsc(prm().oscLowHz());
        fillOscillatorList(true, 1);
    }
}

void SetupModel::chooseOscillator(int index)
{
    if (index < 0 || index >= int(c_.oscillator.items.size())) return;
    c_.oscillator.selected = index;
    oscHz_ = uint32_t(std::strtoul(c_.oscillator.text().c_str(), nullptr, 10)) *
             (c_.oscillator.text().find("MHz") != std::string::npos ? 1000000u : 1u);
    if (prm().deviceClass() == 2) fillSpeedList(false);  // 6 MHz goes with 86400 Baud, 8 MHz with 115200
}

void SetupModel::chooseSpeed(int index)
{
    if (index < 0 || index >= int(c_.speed.items.size())) return;
    c_.speed.selected = index;
    int cls = prm().deviceClass();
    if (cls == 2) return;
    const std::string& t = c_.speed.text();
    if (clocked()) clockHz_ = uint32_t(std::strtoul(t.c_str(), nullptr, 10)) * (t.find("MHz") != std::string::npos ? 1000000u : 1000u);
    else if (cls == 3) baud_ = kClass3Baud[std::min(index, 2)];
    else baud_ = uint32_t(std::strtoul(t.c_str(), nullptr, 10));
}

void SetupModel::chooseMultiplier(int index)
{
    if (index < 0 || index >= int(c_.multiplier.items.size())) return;
    c_.multiplier.selected = index;
    multiplierCode_ = prm().multiplierCode(index);
    int hi = 0, lo = 0;
    std::sscanf(c_.multiplier.text().c_str(), "%d.%d", &hi, &lo);
    multiplier_ = hi + lo / 10.0;
}

void SetupModel::setBlockMode(bool block)
{
    c_.blockMode = block;
    fillOperationLists();
}

void SetupModel::setOpShowAddress(bool show)
{
    c_.opShowAddress.checked = show;
    fillOperationLists();
}

void SetupModel::chooseEndBlock(int index)
{
    if (index < 0 || index >= int(c_.endBlock.items.size())) return;
    endBlock_ = index;
    c_.endBlock.selected = index;
}

void SetupModel::chooseBootBlockEnd(int index)
{
    if (index < 0 || index >= int(c_.bootBlockEnd.items.size())) return;
    bootBlock_ = index;
    c_.bootBlockEnd.selected = index;
}

void SetupModel::chooseFsStart(int index)
{
    if (index < 0 || index >= int(c_.fsStart.items.size())) return;
    fsStart_ = index;
    if (fsEnd_ < fsStart_) fsEnd_ = fsStart_;
    c_.fsStart.selected = fsStart_;
    c_.fsEnd.selected = fsEnd_;
}

void SetupModel::chooseFsEnd(int index)
{
    if (index < 0 || index >= int(c_.fsEnd.items.size())) return;
    fsEnd_ = index;
    if (fsStart_ > fsEnd_) fsStart_ = fsEnd_;
    c_.fsStart.selected = fsStart_;
    c_.fsEnd.selected = fsEnd_;
}

void SetupModel::setProtShowAddress(bool show)
{
    c_.protShowAddress.checked = show;
    fillProtectionLists();
}

std::optional<MessageBox> SetupModel::setSecurity(int box, bool checked)
{
    if (box < 0 || box >= kSecurityBoxes || !c_.security[box].enabled) return std::nullopt;
    c_.security[box].checked = checked;
    if (checked && (box == kChipErase || box == kBootBlock))
        return MessageBox{QT_TRANSLATE_NOOP("SetupModel", "When this flag is set up, elimination can't be written in any more to the device, either"),
                          QT_TRANSLATE_NOOP("SetupModel", "Attention"), Icon::Warning, true};
    return std::nullopt;
}

void SetupModel::setVoltage(Voltage v)
{
    if (v == Voltage::Out5V && !c_.voltage5Enabled) return;
    c_.voltage = v;
}

void SetupModel::convertTiming(SetRecord& r) const
{
    DeviceEntry d = currentDevice();
    CommMethod m = currentMethod();
    int cls = prm().deviceClass();
    uint32_t words[99] = {};
    for (int w = 0; w < 92; ++w) words[w] = prm().timingWord(d.timingTable, w);
    for (int k = 0; k < 4; ++k) words[91 + k] = prm().timingWord(d.timingTable, 5 + k);
    words[95] = prm().timingWord(d.timingTable, 77);
    words[96] = prm().timingWord(d.timingTable, 78);
    words[97] = words[98] = prm().timingWord(d.timingTable, 91);
    double O = baseClock();
    double W = O * multiplier_;
    uint32_t baud = clocked() ? 0 : baud_;
    double ch = characterTime(cls, baud);
    long long extTime = 0, extWait = 0;
    if (!gangBox_) {
        readDecimal(c_.extensionTime.text, extTime);
        readDecimal(c_.extensionWait.text, extWait);
    }
    auto cycles = [&](double value, double f, bool withChar) {
        double t = cls == 2 ? value : value / (f * 0.000001);
        return withChar ? t + ch : t;
    };
    uint32_t out[99];
    bool bit2 = m.flags & 4;
    for (int w = 0; w < 99; ++w) {
        double v = words[w];
        switch (wordKind(w)) {
        case kKeep: out[w] = words[w]; break;
        case kCycles: out[w] = encodeTiming(cycles(v, W, false)); break;
        case kCyclesChar: out[w] = encodeTiming(cycles(v, W, true)); break;
        case kTime:
            if (w == (cls == 2 ? 80 : 81)) v += double(extTime);
            out[w] = encodeTiming(v);
            break;
        case kSpecial: break;
        }
    }
    // Word 82: the wait time, in cycles of the frequency the method's flags name.
    double f82 = bit2 ? W : O;
    out[82] = encodeTiming(cycles(words[82] + double(extWait) * (f82 / 1e6), f82, false));
    double fSide = bit2 ? W : O;  // words 62, 63, 86, 87, 89 and the copies 91..96
    out[62] = encodeTiming(cycles(words[62], fSide, false));
    out[63] = encodeTiming(cycles(words[63], fSide, true));
    for (int w : {86, 87, 89}) out[w] = encodeTiming(cycles(words[w], fSide, false));
    const bool withChar[6] = {false, false, false, true, false, true};  // the kinds of words 5-8, 77, 78
    for (int k = 0; k < 6; ++k) out[91 + k] = encodeTiming(cycles(words[91 + k], fSide, withChar[k]));
    out[97] = encodeTiming(cycles(words[97], W, false));
    out[98] = bit2 ? out[97] : encodeTiming(cycles(words[98], O, false));
    for (int w = 0; w < 99; ++w) r.timing[w].set(out[w]);

    auto copySub = [&](uint32_t off, bool none, Le32* dst, uint32_t n) {
        if (none) return;
        for (uint32_t i = 0; i < n; ++i) dst[i].set(prm().u32(off + 4 * i));
    };
    copySub(words[50], words[50] == 0xFFFF, r.timingSub1, 30);
    copySub(words[51], words[51] == 0xFFFF, r.timingSub2, 90);
    copySub(words[52], words[52] == 0xFFFFFFFF, r.timingSub3, 8);
}

SetupModel::OkResult SetupModel::ok()
{
    OkResult out;
    if (!settingChosen_ || !prm_) return out;  // acts as Cancel
    const uint32_t maxHz = prm().maxOperatingHz();
    if (c_.onTarget.checked) {
        long long typed = 0;
        if (!readDecimal(c_.onTargetHz.text, typed) || typed <= 0 || double(typed) * multiplier_ > maxHz) {
            out.message = MessageBox{QT_TRANSLATE_NOOP("SetupModel", " On Target The value of the frequency is illegal"), "", Icon::Error, false};
            return out;
        }
        oscHz_ = uint32_t(typed);
    } else if (baseClock() == 0 || double(baseClock()) * multiplier_ > maxHz) {
        out.message = MessageBox{QT_TRANSLATE_NOOP("SetupModel", " The value of the frequency after the multiplying is injustice. "), "", Icon::Error, false};
        return out;
    }
    const std::string& name = c_.setName.text;
    if (name.empty()) return {warning(QT_TRANSLATE_NOOP("SetupModel", "Input SET filename.")), std::nullopt};
    if (name.size() > 32) return {warning(QT_TRANSLATE_NOOP("SetupModel", "SET filename is to 32 bytes.")), std::nullopt};
    if (name.find_first_not_of(' ') == std::string::npos) return {warning(QT_TRANSLATE_NOOP("SetupModel", "A blank is invalid with SET filename.")), std::nullopt};

    DeviceEntry d = currentDevice();
    uint32_t resetVector = 0;
    if (c_.resetVector.enabled && !c_.resetVector.text.empty()) {
        const std::string& t = c_.resetVector.text;
        bool hex = t.size() <= 8 && std::all_of(t.begin(), t.end(), [](char ch) { return std::isxdigit(static_cast<unsigned char>(ch)); });
        unsigned long v = hex ? std::strtoul(t.c_str(), nullptr, 16) : 0;
        if (!hex || v > d.highestAddress || v > 0xFFFFFF) return {warning(QT_TRANSLATE_NOOP("SetupModel", "Reset Vector Address")), std::nullopt};
        resetVector = uint32_t(v);
    }
    long long extTime = 0, extWait = 0;
    if (!gangBox_ && !c_.extensionTime.text.empty() &&
        (!readDecimal(c_.extensionTime.text, extTime) || extTime < 0 || extTime > 4000000))
        return {warning(QT_TRANSLATE_NOOP("SetupModel", "Extension Time is illegal")), std::nullopt};
    if (!gangBox_ && c_.extensionWait.enabled && !c_.extensionWait.text.empty() &&
        (!readDecimal(c_.extensionWait.text, extWait) || extWait < 0 || extWait > 4000000))
        return {warning(QT_TRANSLATE_NOOP("SetupModel", "Extension Wait Time is illegal")), std::nullopt};

    SetRecord r{};
    r.formatVersion = 2;
    std::memcpy(r.prmIdent, prm().bytes(2, 44), 44);
    std::memcpy(r.prmWord, prm().bytes(46, 2), 2);
    std::memcpy(r.setFileName, name.data(), name.size());
    std::memcpy(r.classBlock, prm().bytes(48, 16), 16);
    r.oscMultiplier = multiplierCode_;
    r.supplyVoltage = c_.voltage == Voltage::Out5V ? 'P' : c_.voltage == Voltage::Out3V3 ? '3' : 0;
    r.oscSource = c_.onTarget.checked ? 0 : 1;
    for (int b = 0; b < 4; ++b) r.commandOptions |= uint8_t(c_.commandOption[b].checked << b);
    r.securityFlags = securityFlags();
    r.resetVector.set(resetVector);
    r.logRecording = c_.logRecording.checked ? 1 : 0;
    r.standaloneOp = uint8_t(c_.standalone);
    r.bootBlockEnd = uint8_t(bootBlock_);
    r.protShowAddress = c_.protShowAddress.checked ? 1 : 0;
    r.fsBlockStart.set(uint32_t(fsStart_));
    r.fsBlockEnd.set(uint32_t(fsEnd_));
    r.oscHz.set(oscHz_);
    r.clockHz.set(clockHz_);
    r.baudRate.set(baud_);
    r.extensionTimeNs.set(uint32_t(extTime * 1000));
    r.extensionWaitNs.set(uint32_t(extWait * 1000));
    if (gangBox_) {
        r.supplyVoltage = keptVoltage_;
        r.logRecording = keptLog_;
        r.standaloneOp = keptStandalone_;
    }
    const uint8_t* me = prm().bytes(prm().methodOffset(methodIndex_), 3);
    r.methodByte0 = me[0];
    r.commMethod = me[1];
    r.commFlags = me[2];
    r.commIndex = uint8_t(methodIndex_);
    std::memcpy(r.deviceHead, prm().bytes(prm().deviceOffset(slot_), 32), 32);
    r.deviceTopAddress.set(d.highestAddress);
    int end = c_.blockMode ? endBlock_ : d.blocks - 1;
    r.startBlock.set(0);
    r.endBlock.set(uint32_t(end));
    r.operationMode = c_.blockMode ? 1 : 0;
    r.deviceNumber = uint8_t(slot_);
    r.opShowAddress = c_.opShowAddress.checked ? 1 : 0;
    r.deviceSlot = uint8_t(slot_);
    r.rangeStart.set(0);
    r.endBlockAddress.set(prm().blockEnd(d, end));
    std::memcpy(r.deviceTail, prm().bytes(prm().deviceOffset(slot_) + 64, 16), 16);
    for (int k = 0; k < d.blocks; ++k) r.blockTable[k].set(prm().blockEnd(d, k));
    convertTiming(r);
    out.record = r;
    return out;
}

}  // namespace qmr::app
