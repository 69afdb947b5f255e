// What the gang program shows beyond every program's screen: its menu
// commands, its form with the eight unit columns and the serial-number box,
// its About box, and its serial-number settings and read dialogs.
#pragma once

#include <QString>

#include <array>

#include "core/screen.h"

namespace qmr::app {

class SerialSettingsLogic;
class ReadDialogLogic;

// The commands of the gang program's menus and toolbar.
enum class GangAction {
    HexDownload = menu::HexDownload, HexUpload, ChecksumDisplay, PrmDownload, SetDownload, SetUpload, SetDelete, Exit,
    Setup, GangFirmware = menu::OptionA, UnitFirmware = menu::OptionB,
    Blank = menu::Blank, Erase, Program, Verify, Epv, SerialSettings = menu::Serial, Read, Security, Checksum, Signature,
    About = menu::About,
    Count
};
static_assert(static_cast<int>(GangAction::Setup) == menu::Setup &&
              static_cast<int>(GangAction::Signature) == menu::Signature && static_cast<int>(GangAction::Count) == menu::Count);
static_assert(static_cast<int>(GangAction::Count) <= kMaxActions);

constexpr int kUnitPositions = 8;

// The setup and HEX groups of the form.
struct GangForm {
    QString settingNumber, setting, parameter, device, oscillator, method, speed, mode;
    QString hexName, hexTime, hexCrc;
};

// One unit position's column: its picture, value rows A and B and result.
enum class UnitImage { None, Present, Failed };
struct UnitColumn {
    UnitImage image = UnitImage::None;
    QString rowA, rowB, result;
    bool operator==(const UnitColumn& o) const
    {
        return image == o.image && rowA == o.rowA && rowB == o.rowB && result == o.result;
    }
};
using UnitColumns = std::array<UnitColumn, kUnitPositions>;

// The form's serial-number box ("ｼﾘｱﾙNo.付EPV").
struct SerialBox {
    bool on = false;
    QString address, size, algorithm, data;
};

struct GangAbout {
    QString firmware, gui, library;  // the gang box's firmware, the program, the library
    std::array<bool, kUnitPositions> present{};
    std::array<QString, kUnitPositions> version, build;  // "Ver 2.05", "(0258)"
};

class GangScreen : public Screen {
public:
    virtual void showForm(const GangForm& f) = 0;
    virtual void showUnits(const UnitColumns& units) = 0;
    virtual void showSerialBox(const SerialBox& box) = 0;
    // The "欠番No" list: the numbers failed devices used up, a line per EPV.
    virtual void showMissingNumbers(const QString& text) = 0;
    virtual void showAbout(const GangAbout& about) = 0;
    // Modal dialogs over their logic; true when they close with OK.
    virtual bool runSerialSettings(SerialSettingsLogic& d) = 0;
    virtual bool runReadDialog(ReadDialogLogic& d) = 0;
};

}  // namespace qmr::app
