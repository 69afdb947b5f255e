// The single-unit program's main form: the setup summary, the HEX group,
// the status line, the progress bar and the log pane with its trace box.
// It is the program's Screen: the logic behind it is QmLogic.
#pragma once

#include <QCoreApplication>

#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>

#include "qm/qmlogic.h"
#include "qm/qmscreen.h"
#include "qt/aboutdialog.h"
#include "qt/programview.h"

namespace qmr::app {

class CQMQMRView : public ProgramView<QmScreen, QmLogic, Action> {
    Q_DECLARE_TR_FUNCTIONS(CQMQMRView)
public:
    CQMQMRView(CMainFrame* frame, QmLogic::Options options);
    ~CQMQMRView() override;

    // ---- what only QM shows
    void showForm(const FormTexts& f) override;
    void runSerialEpv(SerialEpvLogic& d) override;
    void showAbout(const AboutTexts& t) override;

    QLabel* field(int i) const { return fields_[size_t(i)]; }

private:
    std::array<QLabel*, 11> fields_{};
};

// Builds the frame with the single-unit program's menus and toolbar.
CMainFrame* makeQmFrame();
// The rows of QM's About box.
QList<AboutRow> aboutRows(const AboutTexts& t);

}  // namespace qmr::app
