// The Setup dialog without its window: every control's value list,
// selection, enabled and checked state and text; the user's events; the
// validation of OK with its message boxes; and the settings record built from
// the choices and the parameter file.  A toolkit dialog binds to it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "setrecord/messagebox.h"
#include "setrecord/prmview.h"
#include "setrecord/setrecord.h"

namespace qmr::app {

struct Combo {
    std::vector<std::string> items;
    int selected = -1;
    bool enabled = true;
    void clear()
    {
        items.clear();
        selected = -1;
    }
    const std::string& text() const
    {
        static const std::string none;
        return selected >= 0 && selected < int(items.size()) ? items[size_t(selected)] : none;
    }
};
struct Check {
    bool checked = false;
    bool enabled = true;
};
struct Edit {
    std::string text;
    bool enabled = true;
};


enum class Voltage { Out5V, Out3V3, Target };
enum SecurityBox { kChipErase, kBlockErase, kProgram, kRead, kBootBlock, kSecurityBoxes };
enum Standalone { kNoOperation = 0, kEpv = 1, kVerifyOnly = 2, kEraseOnly = 3, kBlankCheckOnly = 4 };

struct Controls {
    Edit setName;                 // 1085
    std::string prmName;          // 1088
    Combo device;                 // 1029
    Voltage voltage = Voltage::Target;
    bool voltage5Enabled = true;  // 1109
    Combo oscillator;             // 1014
    Check onTarget;               // 1033
    Edit onTargetHz;              // 1119
    Combo multiplier;             // 1034
    Combo method;                 // 1074
    Combo speed;                  // 1046
    bool blockMode = false;       // "Chip" 1009 / "Block" 1010
    Combo startBlock;             // 228
    Combo endBlock;               // 226
    Check opShowAddress;          // 216
    Edit extensionTime;           // 1072, microseconds
    Edit extensionWait;           // 1060, microseconds
    int standalone = kEpv;
    Check logRecording;           // 1047
    Check commandOption[4];       // 1061..1064
    Check security[kSecurityBoxes];  // 1065..1069
    Edit resetVector;             // 1070, hexadecimal
    Combo bootBlockEnd;           // 1137
    Combo fsStart;                // 1140
    Combo fsEnd;                  // 1141
    Check protShowAddress;        // 1138
};

class SetupModel {
public:
    // Takes the parameter file; a file whose tables point outside it is refused.
    PrmCheck load(const PrmRecord& prm);
    // Fills the controls with the parameter file's defaults.
    void fillDefaults();
    // Fills the controls from a record (version 1 records convert their device number).
    void fillFromRecord(const SetRecord& record);
    // The setting chosen with "Select": enables OK to build a record.
    void selectSetting(const std::string& settingName);
    // The gang box's Setup: no supply voltage, log recording, standalone
    // operation or reset times.  The record built keeps the first three as
    // keepFrom's record has them and writes both reset times as 0.
    void setGangBox(bool on) { gangBox_ = on; }
    bool gangBox() const { return gangBox_; }
    void keepFrom(const SetRecord& r)
    {
        keptVoltage_ = r.supplyVoltage;
        keptLog_ = r.logRecording;
        keptStandalone_ = r.standaloneOp;
    }

    // ---- control events --------------------------------------------------------
    void chooseDevice(int index);
    void chooseMethod(int index);
    void setOnTarget(bool checked);
    void chooseOscillator(int index);
    void chooseSpeed(int index);
    void chooseMultiplier(int index);
    void setBlockMode(bool block);
    void setOpShowAddress(bool show);
    void chooseEndBlock(int index);
    void chooseBootBlockEnd(int index);
    void chooseFsStart(int index);
    void chooseFsEnd(int index);
    void setProtShowAddress(bool show);
    // Checking the chip-erase or boot-block box gives a warning to show.
    std::optional<MessageBox> setSecurity(int box, bool checked);
    void setVoltage(Voltage v);
    void setCommandOption(int bit, bool checked) { c_.commandOption[bit & 3].checked = checked; }
    void setStandalone(int op) { c_.standalone = op; }
    void setLogRecording(bool on) { c_.logRecording.checked = on; }
    void typeOnTargetHz(const std::string& t) { c_.onTargetHz.text = t; }
    void typeExtensionTime(const std::string& t) { c_.extensionTime.text = t; }
    void typeExtensionWait(const std::string& t) { c_.extensionWait.text = t; }
    void typeResetVector(const std::string& t) { c_.resetVector.text = t; }
    void typeSettingName(const std::string& t) { c_.setName.text = t; }

    // OK: a message box to show (the dialog stays open), or the record; an
    // empty result acts as Cancel.  A box whose caption is empty takes the
    // program's name.
    struct OkResult {
        std::optional<MessageBox> message;
        std::optional<SetRecord> record;
    };
    OkResult ok();

    const Controls& controls() const { return c_; }
    double multiplierValue() const { return multiplier_; }
    uint32_t oscHz() const { return oscHz_; }
    uint32_t clockHz() const { return clockHz_; }
    uint32_t baudRate() const { return baud_; }
    int deviceSlot() const { return slot_; }

private:
    const PrmView& prm() const { return *prm_; }
    DeviceEntry currentDevice() const { return prm().device(slot_); }
    CommMethod currentMethod() const { return prm().method(methodIndex_); }
    bool clocked() const;
    uint32_t baseClock() const;
    void fillDeviceList();
    void fillMethodList();
    // "On Target" unchecked and unavailable, its Hz edit emptied.
    void noOnTarget();
    void fillOscillatorList(bool loaded, uint8_t oscSource);
    void fillSpeedList(bool loaded);
    void fillMultiplierList(uint8_t code);
    void fillOperationLists();
    void fillProtectionLists();
    void fillSecurityAvailability();
    void setSecurityFromFlags(uint8_t flags);
    uint8_t securityFlags() const;
    std::string blockText(int k, bool address) const;
    void convertTiming(SetRecord& r) const;

    PrmRecord prmCopy_{};
    std::optional<PrmView> prm_;
    Controls c_;
    std::vector<int> deviceSlots_;  // device list index -> slot
    int slot_ = 0;
    int methodIndex_ = 0;
    double multiplier_ = 1.0;
    uint8_t multiplierCode_ = 0;
    uint32_t oscHz_ = 0, clockHz_ = 0, baud_ = 0;
    int startBlock_ = 0, endBlock_ = 0, bootBlock_ = 0, fsStart_ = 0, fsEnd_ = 0;
    bool settingChosen_ = false;
    bool gangBox_ = false;
    uint8_t keptVoltage_ = 0, keptLog_ = 0, keptStandalone_ = 0;
};

// The version-1 conversion: the n-th device slot with blocks.
int deviceSlotOfVersion1(const PrmView& prm, int position);
// Converts a record of format version 1 in place (device number and slot);
// false when its device position has no device in this parameter file.
bool convertVersion1(SetRecord& record, const PrmView& prm);

// Encodes a time into a timing word: range code, shift and a 16-bit count
// that never reaches 0xFFFF.
uint32_t encodeTiming(double t);

}  // namespace qmr::app
