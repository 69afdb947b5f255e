// The frame window both programs share: a fixed-size main window (no sizing
// border, no maximise box) with the menu, the toolbar of 48x48 icons with
// captions under them, and a status bar that shows each command's prompt.
// A program passes its title, its menus and its commands, each by the
// number its own command enum gives it.
#pragma once

#include <QCoreApplication>

#include <QMainWindow>

#include <functional>
#include <map>

#include "core/screen.h"

class QAction;
class QMenu;

namespace qmr::app {

struct ActionSpec {
    int id;
    int menu;                 // top-level menu position
    QString text;             // with its mnemonic: "&Blank check"
    QString prompt;           // status-bar prompt
    QString toolTip;          // short name for tool tips
    bool separatorBefore = false;
    QString caption;          // toolbar caption, when on the toolbar
    QString icon;             // resource path of its icon
};

class CMainFrame : public QMainWindow {
    Q_DECLARE_TR_FUNCTIONS(CMainFrame)
public:
    // menus: the top-level menu titles by position; toolbar: the actions on
    // the toolbar in order, kSeparator for a separator.
    static constexpr int kSeparator = -1;
    CMainFrame(const QString& title, const QStringList& menus, const QList<ActionSpec>& actions, const QList<int>& toolbar);

    // Puts the form in and fixes the window's size to it.
    void setForm(QWidget* form);
    void apply(const ActionState& s);
    QAction* action(int id) const;
    template <class A>
    QAction* action(A a) const
    {
        return action(static_cast<int>(a));
    }
    QMenu* menu(int position) const { return menus_.value(position); }

    std::function<void(int)> onAction;
    // Asked when the user closes the window; true lets it close.
    std::function<bool()> confirmClose;
    // Closes without asking (the program ends).
    void closeWithoutAsking();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    std::map<int, QAction*> actions_;
    QList<QMenu*> menus_;
    bool closing_ = false;
};

}  // namespace qmr::app
