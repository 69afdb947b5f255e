#include "qm/cqmqmrview.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

#include "qm/serialepvdialog.h"
#include "qt/aboutdialog.h"
#include "qt/mainframe.h"
#include "qt/programmenus.h"
#include "qt/textprogressbar.h"

namespace qmr::app {

CMainFrame* makeQmFrame()
{
    return makeProgramFrame(
        QStringLiteral("Quillmarker"),
        {int(Action::LogHistory), QT_TRANSLATE_NOOP("Menu", "Log History(&L)"),
         QT_TRANSLATE_NOOP("Menu", "Show the unit's OK/NG log of standalone operation.\nLog history"), true},
        {int(Action::Firmware), QT_TRANSLATE_NOOP("Menu", "Firmware Update(&F)"),
         QT_TRANSLATE_NOOP("Menu", "Update the unit's firmware.\nFirmware update")},
        {int(Action::SerialEpv), QT_TRANSLATE_NOOP("Menu", "EPV with Serial No.(&N)"),
         QT_TRANSLATE_NOOP("Menu", "EPV with a serial number written into each device.\nSerial No. EPV")},
        QT_TRANSLATE_NOOP("Menu", "Show the versions of the unit, the program and the library.\nAbout"));
}

CQMQMRView::CQMQMRView(CMainFrame* frame, QmLogic::Options options)
    : ProgramView(frame, QStringLiteral("QM"))
{
    auto field = [this](int i) {
        auto* l = new QLabel;
        l->setFrameShape(QFrame::StyledPanel);
        l->setFrameShadow(QFrame::Sunken);
        l->setMinimumWidth(190);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        fields_[size_t(i)] = l;
        return l;
    };
    auto* setup = new QGroupBox(tr("Setup information"));
    auto* sg = new QGridLayout(setup);
    const char* setupLabels[] = {QT_TR_NOOP("Setting file"),   QT_TR_NOOP("Parameter file"), QT_TR_NOOP("Target device"),
                                 QT_TR_NOOP("Supply voltage"), QT_TR_NOOP("Oscillator"),     QT_TR_NOOP("Communication"),
                                 QT_TR_NOOP("Speed"),          QT_TR_NOOP("Operation mode")};
    for (int i = 0; i < 8; ++i) {
        sg->addWidget(new QLabel(tr(setupLabels[i])), i, 0);
        sg->addWidget(field(i), i, 1);
    }
    sg->setColumnStretch(1, 1);
    auto* hex = new QGroupBox(tr("HEX File"));
    auto* hg = new QGridLayout(hex);
    const char* hexLabels[] = {QT_TR_NOOP("File name"), QT_TR_NOOP("Time stamp"), QT_TR_NOOP("Checksum (CRC)")};
    for (int i = 0; i < 3; ++i) {
        hg->addWidget(new QLabel(tr(hexLabels[i])), i, 0);
        hg->addWidget(field(8 + i), i, 1);
    }
    hg->setColumnStretch(1, 1);
    hg->setRowStretch(3, 1);
    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("status"));
    status_->setFrameShape(QFrame::StyledPanel);
    status_->setFrameShadow(QFrame::Sunken);
    status_->setMinimumHeight(22);
    bar_ = new CTextProgressBar;
    bar_->setObjectName(QStringLiteral("progress"));
    bar_->setRange(0, 100);
    bar_->setPosition(0);
    log_ = new QPlainTextEdit;
    log_->setObjectName(QStringLiteral("log"));
    log_->setReadOnly(true);
    log_->setLineWrapMode(QPlainTextEdit::NoWrap);
    log_->setMinimumHeight(170);
    log_->setFont(QFont(QStringLiteral("monospace")));
    trace_ = new QCheckBox(tr("Show trace"));
    trace_->setObjectName(QStringLiteral("trace"));
    auto* top = new QGridLayout;
    top->addWidget(setup, 0, 0);
    top->addWidget(hex, 0, 1);
    top->setColumnStretch(0, 3);
    top->setColumnStretch(1, 2);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addWidget(status_);
    all->addWidget(bar_);
    all->addWidget(log_, 1);
    all->addWidget(trace_);
    setMinimumWidth(760);

    attach(std::move(options));
}

// The logic ends (and tells the unit) while the whole form is still there to show it.
CQMQMRView::~CQMQMRView() { logic_.reset(); }

void CQMQMRView::showForm(const FormTexts& f)
{
    const QString* texts[] = {&f.setting, &f.parameter, &f.device, &f.voltage, &f.oscillator, &f.method,
                              &f.speed,   &f.mode,      &f.hexName, &f.hexTime, &f.hexCrc};
    for (size_t i = 0; i < fields_.size(); ++i) fields_[i]->setText(*texts[i]);
}

void CQMQMRView::runSerialEpv(SerialEpvLogic& d)
{
    SerialEpvDialog dialog(d, this);
    dialog.exec();
}

void CQMQMRView::showAbout(const AboutTexts& t)
{
    AboutDialog dialog(QStringLiteral("Quillmarker"), QStringLiteral(":/icons/qm.svg"), aboutRows(t), nullptr, this);
    dialog.exec();
}

QList<AboutRow> aboutRows(const AboutTexts& t)
{
    return {{QStringLiteral("F/W Ver :"), t.firmware},
            {QStringLiteral("GUI Ver :"), t.gui},
            {QStringLiteral("DLL Ver :"), t.library},
            {QStringLiteral("Serial No :"), t.serial, true}};
}

}  // namespace qmr::app
