// The frame both programs open with: the File, Option, Device and Help
// menus with the commands both have (numbered as core/screen.h's menu
// numbers say) and the toolbar.  A program gives its title, the two Option
// entries of its own, its serial-number entry and its About prompt.
#pragma once

#include <QList>
#include <QString>

namespace qmr::app {

class CMainFrame;

// A menu entry: its text with the mnemonic, its prompt "status line\nshort
// name" (translated in the "Menu" context), a separator before it.
struct MenuEntry {
    int id;
    const char* text;
    const char* prompt;
    bool separatorBefore = false;
};

CMainFrame* makeProgramFrame(const QString& title, const MenuEntry& optionA, const MenuEntry& optionB,
                             const MenuEntry& serial, const char* aboutPrompt);

}  // namespace qmr::app
