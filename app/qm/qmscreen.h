// What the single-unit program shows beyond every program's screen: its
// menu commands, its form, its About box and its serial-number EPV dialog.
#pragma once

#include <QString>

#include "core/screen.h"

namespace qmr::app {

class SerialEpvLogic;

// The commands of QM's menus and toolbar.
enum class Action {
    HexDownload = menu::HexDownload, HexUpload, ChecksumDisplay, PrmDownload, SetDownload, SetUpload, SetDelete, Exit,
    Setup, LogHistory = menu::OptionA, Firmware = menu::OptionB,
    Blank = menu::Blank, Erase, Program, Verify, Epv, SerialEpv = menu::Serial, Read, Security, Checksum, Signature,
    About = menu::About,
    Count
};
static_assert(static_cast<int>(Action::Setup) == menu::Setup && static_cast<int>(Action::Signature) == menu::Signature &&
              static_cast<int>(Action::Count) == menu::Count);
static_assert(static_cast<int>(Action::Count) <= kMaxActions);

// What the main form shows.
struct FormTexts {
    QString setting, parameter, device, voltage, oscillator, method, speed, mode;
    QString hexName, hexTime, hexCrc;
};

struct AboutTexts {
    QString firmware, gui, library, serial;
};

class QmScreen : public Screen {
public:
    virtual void showForm(const FormTexts& f) = 0;
    // The serial-number EPV dialog stays open across devices until closed.
    virtual void runSerialEpv(SerialEpvLogic& d) = 0;
    virtual void showAbout(const AboutTexts& t) = 0;
};

}  // namespace qmr::app
