#include "qt/programmenus.h"

#include <QCoreApplication>

#include "qt/mainframe.h"

namespace qmr::app {

namespace {

QString menuText(const char* text) { return QCoreApplication::translate("Menu", text); }

// One command: its prompt "status line\nshort name" split in two.
ActionSpec actionEntry(int id, int menu, const char* text, const char* promptText, bool separator = false,
                       const char* caption = nullptr, const char* icon = nullptr)
{
    const QString t = menuText(promptText);
    const int nl = t.indexOf(QLatin1Char('\n'));
    return ActionSpec{id,
                      menu,
                      menuText(text),
                      nl < 0 ? t : t.left(nl),
                      nl < 0 ? QString() : t.mid(nl + 1),
                      separator,
                      caption ? menuText(caption) : QString(),
                      icon ? QString::fromLatin1(icon) : QString()};
}

ActionSpec entry(const MenuEntry& e, int menu) { return actionEntry(e.id, menu, e.text, e.prompt, e.separatorBefore); }

}  // namespace

CMainFrame* makeProgramFrame(const QString& title, const MenuEntry& optionA, const MenuEntry& optionB,
                             const MenuEntry& serial, const char* aboutPrompt)
{
    QStringList menus = {menuText(QT_TRANSLATE_NOOP("Menu", "File(&F)")), menuText(QT_TRANSLATE_NOOP("Menu", "Option(&O)")),
                         menuText(QT_TRANSLATE_NOOP("Menu", "Device(&D)")), menuText(QT_TRANSLATE_NOOP("Menu", "Help(&H)"))};
    QList<ActionSpec> a = {
        actionEntry(menu::HexDownload, 0, QT_TRANSLATE_NOOP("Menu", "HEX File Download(&W)"),
                    QT_TRANSLATE_NOOP("Menu", "Load a HEX file and download it to the unit.\nDownload"), false,
                    QT_TRANSLATE_NOOP("Menu", "Download"), ":/icons/download.svg"),
        actionEntry(menu::HexUpload, 0, QT_TRANSLATE_NOOP("Menu", "HEX File Upload(&U)"),
                    QT_TRANSLATE_NOOP("Menu", "Upload the unit's image to an S-record file.\nHEX upload")),
        actionEntry(menu::ChecksumDisplay, 0, QT_TRANSLATE_NOOP("Menu", "Checksum Display(&S)"),
                    QT_TRANSLATE_NOOP("Menu", "Show the checksums of the unit's image.\nChecksum display")),
        actionEntry(menu::PrmDownload, 0, QT_TRANSLATE_NOOP("Menu", "Parameter File Download(&P)"),
                    QT_TRANSLATE_NOOP("Menu", "Register a parameter file on the unit.\nParameter file"), true),
        actionEntry(menu::SetDownload, 0, QT_TRANSLATE_NOOP("Menu", "Setting File Download(&L)"),
                    QT_TRANSLATE_NOOP("Menu", "Register a setting file from disk on the unit.\nSetting file download")),
        actionEntry(menu::SetUpload, 0, QT_TRANSLATE_NOOP("Menu", "Setting File Upload(&H)"),
                    QT_TRANSLATE_NOOP("Menu", "Save one of the unit's setting files to disk.\nSetting file upload")),
        actionEntry(menu::SetDelete, 0, QT_TRANSLATE_NOOP("Menu", "Setting File Delete(&E)"),
                    QT_TRANSLATE_NOOP("Menu", "Delete one of the unit's setting files.\nSetting file delete")),
        actionEntry(menu::Exit, 0, QT_TRANSLATE_NOOP("Menu", "Exit(&X)"), QT_TRANSLATE_NOOP("Menu", "Quit the program.\nExit"),
                    true),
        actionEntry(menu::Setup, 1, QT_TRANSLATE_NOOP("Menu", "Setup(&T)"),
                    QT_TRANSLATE_NOOP("Menu", "Make the setting the unit programs with.\nSetup"), false,
                    QT_TRANSLATE_NOOP("Menu", "Setup"), ":/icons/setup.svg"),
        entry(optionA, 1),
        entry(optionB, 1),
        actionEntry(menu::Blank, 2, QT_TRANSLATE_NOOP("Menu", "Blank Check(&B)"),
                    QT_TRANSLATE_NOOP("Menu", "Check if the target device is blank.\nBlank"), false,
                    QT_TRANSLATE_NOOP("Menu", "Blank"), ":/icons/blank.svg"),
        actionEntry(menu::Erase, 2, QT_TRANSLATE_NOOP("Menu", "Erase(&A)"),
                    QT_TRANSLATE_NOOP("Menu", "Erase the target device.\nErase"), false, QT_TRANSLATE_NOOP("Menu", "Erase"),
                    ":/icons/erase.svg"),
        actionEntry(menu::Program, 2, QT_TRANSLATE_NOOP("Menu", "Program(&P)"),
                    QT_TRANSLATE_NOOP("Menu", "Program the target device with the unit's image.\nProgram"), false,
                    QT_TRANSLATE_NOOP("Menu", "Program"), ":/icons/program.svg"),
        actionEntry(menu::Verify, 2, QT_TRANSLATE_NOOP("Menu", "Verify(&V)"),
                    QT_TRANSLATE_NOOP("Menu", "Compare the target device with the unit's image.\nVerify"), false,
                    QT_TRANSLATE_NOOP("Menu", "Verify"), ":/icons/verify.svg"),
        actionEntry(menu::Epv, 2, QT_TRANSLATE_NOOP("Menu", "EPV(&E)"),
                    QT_TRANSLATE_NOOP("Menu", "Blank check, erase, program and verify a device.\nEPV"), false,
                    QT_TRANSLATE_NOOP("Menu", "EPV"), ":/icons/epv.svg"),
        entry(serial, 2),
        actionEntry(menu::Read, 2, QT_TRANSLATE_NOOP("Menu", "Read(&R)"), QT_TRANSLATE_NOOP("Menu", "Read the target device."),
                    true),
        actionEntry(menu::Security, 2, QT_TRANSLATE_NOOP("Menu", "Security(&C)"),
                    QT_TRANSLATE_NOOP("Menu", "Set the target device's security flags.\nSecurity"), true),
        actionEntry(menu::Checksum, 2, QT_TRANSLATE_NOOP("Menu", "Checksum(&S)"),
                    QT_TRANSLATE_NOOP("Menu", "Read the target device's checksum.\nChecksum")),
        actionEntry(menu::Signature, 2, QT_TRANSLATE_NOOP("Menu", "Signature(&I)"),
                    QT_TRANSLATE_NOOP("Menu", "Read the target device's signature.\nSignature")),
        actionEntry(menu::About, 3, QT_TRANSLATE_NOOP("Menu", "About(&A)"), aboutPrompt),
    };
    const int separator = CMainFrame::kSeparator;
    QList<int> toolbar = {menu::Setup,   separator,     menu::HexDownload, separator, menu::Blank,
                          menu::Erase,   menu::Program, menu::Verify,      menu::Epv};
    return new CMainFrame(title, menus, a, toolbar);
}

}  // namespace qmr::app
