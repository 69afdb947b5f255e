#include "core/summary.h"

#include <cstdio>
#include <cstring>

#include "core/trmark.h"
#include "setrecord/setupmodel.h"

namespace qmr::app {

namespace {

std::string fixedText(const char* p, size_t max)
{
    size_t n = 0;
    while (n < max && p[n]) ++n;
    return std::string(p, n);
}

std::string format(const char* f, auto... args)
{
    char b[128];
    std::snprintf(b, sizeof b, f, args...);
    return b;
}

}  // namespace

std::string groupDigits(uint32_t value)
{
    std::string digits = std::to_string(value);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

SetupSummary summarizeSetup(const SetRecord& r, const PrmRecord* prm, bool setupInfoValid, const Translate& translate)
{
    auto t = [&](const char* text) { return translate ? translate("Summary", text) : std::string(text); };
    SetupSummary s;
    SetRecord rec = r;
    if (rec.formatVersion == 1 && prm) {
        PrmView view(*prm);
        if (view.check() == PrmCheck::Ok) convertVersion1(rec, view);
    }
    s.setting = fixedText(rec.setFileName, sizeof rec.setFileName);
    s.parameter = fixedText(reinterpret_cast<const char*>(rec.prmIdent) + 14, sizeof rec.prmIdent - 14);
    if (prm) {
        PrmView view(*prm);
        if (view.size() >= view.deviceOffset(PrmView::kDevices) && rec.deviceSlot < PrmView::kDevices)
            s.device = view.device(rec.deviceSlot).name;
    }
    if (!setupInfoValid) return s;

    switch (rec.commMethod) {
    case 2:
        s.method = "SIO+H/S";
        s.speed = groupDigits(rec.clockHz.get()) + " Hz";
        break;
    case 3:
    case 4:
        s.method = "UART";
        s.speed = groupDigits(rec.baudRate.get()) + " bps";
        break;
    case 1:
    case 5:
        s.method = "SIO";
        s.speed = groupDigits(rec.clockHz.get()) + " Hz";
        break;
    default: break;
    }
    s.voltage = rec.supplyVoltage == '3'   ? t(QT_TRANSLATE_NOOP("Summary", "3.3V Output"))
                : rec.supplyVoltage == 'P' ? t(QT_TRANSLATE_NOOP("Summary", "5.0V Output"))
                                           : t(QT_TRANSLATE_NOOP("Summary", "Target voltage"));
    uint8_t deviceClass = rec.classBlock[0], subtype = rec.classBlock[5];
    if (deviceClass == 3 && subtype == 1) {
        s.oscillator = t(QT_TRANSLATE_NOOP("Summary", "Internal"));
    } else {
        uint8_t m = rec.oscMultiplier;
        s.oscillator = groupDigits(rec.oscHz.get());
        s.oscillator += m ? format(" * %0d.%0d ", m >> 4, m & 15) : std::string(" * 1.0");
        if (rec.oscSource == 0) s.oscillator += "  " + t(QT_TRANSLATE_NOOP("Summary", "On Target"));
    }
    s.mode = rec.operationMode == 1 ? t(QT_TRANSLATE_NOOP("Summary", "Block")) + format(" 00000 - %05X", rec.endBlockAddress.get())
                                    : t(QT_TRANSLATE_NOOP("Summary", "Chip"));
    return s;
}

std::string hexTimestampText(const char* stamp, bool english)
{
    if (!stamp || strnlen(stamp, 15) != 14) return {};
    std::string y(stamp, 4), mo(stamp + 4, 2), d(stamp + 6, 2), h(stamp + 8, 2), mi(stamp + 10, 2), se(stamp + 12, 2);
    const std::string& a = english ? d : y;
    const std::string& c = english ? y : d;
    return a + "/" + mo + "/" + c + " " + h + ":" + mi + ":" + se;
}

std::string hexCrcText(uint32_t crc) { return crc ? format("%08X", crc) : std::string(); }

}  // namespace qmr::app
