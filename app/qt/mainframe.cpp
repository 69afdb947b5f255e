#include "qt/mainframe.h"

#include <QAction>
#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

namespace qmr::app {

CMainFrame::CMainFrame(const QString& title, const QStringList& menus, const QList<ActionSpec>& actions,
                       const QList<int>& toolbar)
{
    setWindowTitle(title);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    for (const QString& m : menus) menus_.append(menuBar()->addMenu(m));
    for (const ActionSpec& s : actions) {
        auto* a = new QAction(s.text, this);
        a->setStatusTip(s.prompt);
        a->setToolTip(s.toolTip.isEmpty() ? s.caption : s.toolTip);
        if (!s.icon.isEmpty()) a->setIcon(QIcon(s.icon));
        // The toolbar shows the caption, not the menu text with its mnemonic.
        a->setIconText(s.caption.isEmpty() ? s.toolTip : s.caption);
        int id = s.id;
        connect(a, &QAction::triggered, this, [this, id] {
            if (onAction) onAction(id);
        });
        actions_[id] = a;
        if (s.menu >= 0 && s.menu < menus_.size()) {
            if (s.separatorBefore) menus_[s.menu]->addSeparator();
            menus_[s.menu]->addAction(a);
        }
    }
    QToolBar* bar = addToolBar(QStringLiteral("main"));
    bar->setObjectName(QStringLiteral("toolbar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(48, 48));
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    for (int a : toolbar) {
        if (a == kSeparator) bar->addSeparator();
        else if (QAction* x = action(a)) bar->addAction(x);
    }
    statusBar()->setSizeGripEnabled(false);
}

QAction* CMainFrame::action(int id) const
{
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::setForm(QWidget* form)
{
    setCentralWidget(form);
    adjustSize();
    setFixedSize(sizeHint());
}

void CMainFrame::apply(const ActionState& s)
{
    for (int i = 0; i < menus_.size() && i < int(s.menus.size()); ++i) menus_[i]->menuAction()->setEnabled(s.menus[size_t(i)]);
    for (auto& [id, a] : actions_) a->setEnabled(s.isEnabled(id));
    if (QWidget* c = centralWidget()) {
        if (s.busy) c->setCursor(Qt::WaitCursor);
        else c->unsetCursor();
    }
}

void CMainFrame::closeWithoutAsking()
{
    closing_ = true;
    close();
}

void CMainFrame::closeEvent(QCloseEvent* e)
{
    if (!closing_ && confirmClose && !confirmClose()) {
        e->ignore();
        return;
    }
    closing_ = true;
    e->accept();
}

}  // namespace qmr::app
