#include "gang/cqmgangview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "gang/serialsettingsdialog.h"
#include "qt/mainframe.h"
#include "qt/programmenus.h"
#include "qt/textprogressbar.h"

namespace qmr::app {

namespace {

QLabel* valueField(int width)
{
    auto* l = new QLabel;
    l->setFrameShape(QFrame::StyledPanel);
    l->setFrameShadow(QFrame::Sunken);
    l->setMinimumWidth(width);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

QLineEdit* readOnlyEdit(int width)
{
    auto* e = new QLineEdit;
    e->setReadOnly(true);
    e->setFixedWidth(width);
    return e;
}

}  // namespace

QPixmap unitPicture(UnitImage image)
{
    // Drawn once: the columns show them on every record of a device operation.
    static const QPixmap present = QIcon(QStringLiteral(":/gang/unit-present.svg")).pixmap(48, 162);
    static const QPixmap failed = QIcon(QStringLiteral(":/gang/unit-failed.svg")).pixmap(48, 162);
    switch (image) {
    case UnitImage::Present: return present;
    case UnitImage::Failed: return failed;
    case UnitImage::None: break;
    }
    return QPixmap();
}

CMainFrame* makeGangFrame()
{
    return makeProgramFrame(
        QStringLiteral("Quill GANG Marker"),
        {int(GangAction::GangFirmware), QT_TRANSLATE_NOOP("Menu", "GANG Firmware Update(&G)"),
         QT_TRANSLATE_NOOP("Menu", "Update the gang box's own firmware.\nGang box firmware update"), true},
        {int(GangAction::UnitFirmware), QT_TRANSLATE_NOOP("Menu", "QM Firmware Update(&S)"),
         QT_TRANSLATE_NOOP("Menu", "Update the firmware of every unit in the gang box.\nUnit firmware update")},
        {int(GangAction::SerialSettings), QT_TRANSLATE_NOOP("Menu", "EPV with Serial No.(&N)"),
         QT_TRANSLATE_NOOP("Menu", "Set the serial numbers the EPV writes into the devices.\nSerial No. settings")},
        QT_TRANSLATE_NOOP("Menu", "Show the versions of the gang box, its units, the program and the library.\nAbout"));
}

CQMGANGView::CQMGANGView(CMainFrame* frame, GangLogic::Options options)
    : ProgramView(frame, QStringLiteral("QuillGANGmarker"))
{
    // " ｾｯﾄｱｯﾌﾟ情報 ": the setting file number in place of a supply voltage.
    auto* setup = new QGroupBox(tr("Setup information"));
    auto* sg = new QGridLayout(setup);
    const char* setupLabels[] = {QT_TR_NOOP("Setting file No"), QT_TR_NOOP("Setting file"),  QT_TR_NOOP("Parameter file"),
                                 QT_TR_NOOP("Target device"),   QT_TR_NOOP("Oscillator"),    QT_TR_NOOP("Communication"),
                                 QT_TR_NOOP("Speed"),           QT_TR_NOOP("Operation mode")};
    for (int i = 0; i < 8; ++i) {
        sg->addWidget(new QLabel(tr(setupLabels[i])), i, 0);
        fields_[size_t(i)] = valueField(200);
        sg->addWidget(fields_[size_t(i)], i, 1);
    }
    sg->setColumnStretch(1, 1);

    auto* hex = new QGroupBox(tr("HEX File"));
    auto* hg = new QGridLayout(hex);
    const char* hexLabels[] = {QT_TR_NOOP("File name"), QT_TR_NOOP("Time stamp"), QT_TR_NOOP("Checksum (CRC)")};
    for (int i = 0; i < 3; ++i) {
        hg->addWidget(new QLabel(tr(hexLabels[i])), i, 0);
        fields_[size_t(8 + i)] = valueField(170);
        hg->addWidget(fields_[size_t(8 + i)], i, 1);
    }
    hg->setColumnStretch(1, 1);

    // The serial-number box.
    auto* serial = new QGroupBox(tr("Serial numbers"));
    auto* serialGrid = new QGridLayout(serial);
    serialOn_ = new QCheckBox(tr("EPV with serial No."));
    serialOn_->setObjectName(QStringLiteral("serialEpv"));
    serialAddress_ = readOnlyEdit(96);
    serialSize_ = readOnlyEdit(40);
    serialAlgorithm_ = readOnlyEdit(40);
    serialData_ = readOnlyEdit(150);
    serialGrid->addWidget(serialOn_, 0, 0, 1, 4);
    serialGrid->addWidget(new QLabel(tr("Address")), 1, 0);
    serialGrid->addWidget(serialAddress_, 1, 1);
    serialGrid->addWidget(new QLabel(QStringLiteral("(h)")), 1, 2);
    serialGrid->addWidget(new QLabel(tr("Size")), 1, 3);
    serialGrid->addWidget(serialSize_, 1, 4);
    serialGrid->addWidget(new QLabel(tr("Data")), 2, 0);
    serialGrid->addWidget(serialData_, 2, 1);
    serialGrid->addWidget(new QLabel(QStringLiteral("(h)")), 2, 2);
    serialGrid->addWidget(new QLabel(tr("Algorithm")), 2, 3);
    serialGrid->addWidget(serialAlgorithm_, 2, 4);
    serialGrid->addWidget(new QLabel(tr("Missing No")), 3, 0, Qt::AlignTop);
    missing_ = new QPlainTextEdit;
    missing_->setObjectName(QStringLiteral("missing"));
    missing_->setReadOnly(true);
    missing_->setLineWrapMode(QPlainTextEdit::NoWrap);
    missing_->setFixedHeight(52);
    missing_->setFont(QFont(QStringLiteral("monospace")));
    serialGrid->addWidget(missing_, 3, 1, 1, 4);
    serialGrid->setColumnStretch(1, 1);

    auto* right = new QVBoxLayout;
    right->addWidget(hex);
    right->addWidget(serial);
    auto* top = new QHBoxLayout;
    top->addWidget(setup, 5);
    top->addLayout(right, 6);

    // " ｽﾃｰﾀｽ ": the status line over the progress bar.
    auto* statusGroup = new QGroupBox(tr("Status"));
    auto* statusLayout = new QVBoxLayout(statusGroup);
    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("status"));
    status_->setFrameShape(QFrame::StyledPanel);
    status_->setFrameShadow(QFrame::Sunken);
    status_->setMinimumHeight(22);
    bar_ = new CTextProgressBar;
    bar_->setObjectName(QStringLiteral("progress"));
    bar_->setRange(0, 100);
    bar_->setPosition(0);
    statusLayout->addWidget(status_);
    statusLayout->addWidget(bar_);

    // " Quillmarker ": one column per unit position.
    auto* unitsGroup = new QGroupBox(QStringLiteral("Quillmarker"));
    auto* ug = new QGridLayout(unitsGroup);
    for (int i = 0; i < kUnitPositions; ++i) {
        Column& c = columns_[size_t(i)];
        auto* number = new QLabel(QString::number(i + 1));
        number->setAlignment(Qt::AlignCenter);
        c.image = new QLabel;
        c.image->setFixedSize(48, 162);
        c.image->setObjectName(QStringLiteral("unit%1").arg(i + 1));
        c.rowA = valueField(82);
        c.rowB = valueField(82);
        c.result = valueField(82);
        for (QLabel* l : {c.rowA, c.rowB, c.result}) {
            l->setAlignment(Qt::AlignCenter);
            l->setFont(QFont(QStringLiteral("monospace")));
        }
        QFont bold = c.result->font();
        bold.setBold(true);
        c.result->setFont(bold);
        ug->addWidget(number, 0, i);
        ug->addWidget(c.image, 1, i, Qt::AlignHCenter);
        ug->addWidget(c.rowA, 2, i);
        ug->addWidget(c.rowB, 3, i);
        ug->addWidget(c.result, 4, i);
    }

    log_ = new QPlainTextEdit;
    log_->setObjectName(QStringLiteral("log"));
    log_->setReadOnly(true);
    log_->setLineWrapMode(QPlainTextEdit::NoWrap);
    log_->setFixedHeight(150);
    log_->setFont(QFont(QStringLiteral("monospace")));
    trace_ = new QCheckBox(tr("Show trace"));
    trace_->setObjectName(QStringLiteral("trace"));

    // The form's edit that has the focus is drawn on cyan with black text.
    for (QWidget* w : std::initializer_list<QWidget*>{serialAddress_, serialSize_, serialAlgorithm_, serialData_, missing_, log_})
        w->setStyleSheet(QStringLiteral("QLineEdit:focus, QPlainTextEdit:focus { background-color: rgb(0,255,255); color: black; }"));

    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addWidget(statusGroup);
    all->addWidget(unitsGroup);
    all->addWidget(log_, 1);
    all->addWidget(trace_);

    attach(std::move(options));
    connect(serialOn_, &QCheckBox::clicked, this, [this](bool on) { logic_->setSerialEpv(on); });
}

// The logic ends (and tells the unit) while the whole form is still there to show it.
CQMGANGView::~CQMGANGView() { logic_.reset(); }

void CQMGANGView::showForm(const GangForm& f)
{
    const QString* texts[] = {&f.settingNumber, &f.setting, &f.parameter, &f.device,  &f.oscillator, &f.method,
                              &f.speed,         &f.mode,    &f.hexName,   &f.hexTime, &f.hexCrc};
    for (size_t i = 0; i < fields_.size(); ++i) fields_[i]->setText(*texts[i]);
}

void CQMGANGView::showUnits(const UnitColumns& units)
{
    for (size_t i = 0; i < units.size(); ++i) {
        const UnitColumn& u = units[i];
        if (shownUnits_ && (*shownUnits_)[i] == u) continue;  // as it is shown
        Column& c = columns_[i];
        c.image->setPixmap(unitPicture(u.image));
        c.rowA->setText(u.rowA);
        c.rowB->setText(u.rowB);
        c.result->setText(u.result);
        QPalette p = c.result->palette();
        const bool ng = u.result.trimmed() == QStringLiteral("NG");
        const bool ok = u.result.trimmed() == QStringLiteral("OK");
        p.setColor(QPalette::WindowText, ng ? QColor(0xc0, 0x39, 0x2b) : ok ? QColor(0x1e, 0x84, 0x49) : palette().color(QPalette::WindowText));
        c.result->setPalette(p);
    }
    shownUnits_ = units;
}

void CQMGANGView::showSerialBox(const SerialBox& box)
{
    QSignalBlocker quiet(serialOn_);
    serialOn_->setChecked(box.on);
    serialAddress_->setText(box.address);
    serialSize_->setText(box.size);
    serialAlgorithm_->setText(box.algorithm);
    serialData_->setText(box.data);
}

void CQMGANGView::showMissingNumbers(const QString& text)
{
    missing_->setPlainText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    missing_->verticalScrollBar()->setValue(missing_->verticalScrollBar()->maximum());
}

QList<AboutRow> gangAboutRows(const GangAbout& a)
{
    return {{QStringLiteral("GANG F/W Ver :"), a.firmware}, {QStringLiteral("GUI Ver  :"), a.gui}, {QStringLiteral("DLL Ver  :"), a.library}};
}

QWidget* gangAboutUnits(const GangAbout& a)
{
    auto* w = new QWidget;
    auto* grid = new QGridLayout(w);
    grid->setHorizontalSpacing(10);
    for (int i = 0; i < kUnitPositions; ++i) {
        auto* image = new QLabel;
        image->setFixedSize(48, 162);
        if (a.present[size_t(i)]) image->setPixmap(unitPicture(UnitImage::Present));
        auto* version = new QLabel(a.version[size_t(i)]);
        auto* build = new QLabel(a.build[size_t(i)]);
        version->setAlignment(Qt::AlignCenter);
        build->setAlignment(Qt::AlignCenter);
        version->setMinimumWidth(64);
        grid->addWidget(image, 0, i, Qt::AlignHCenter);
        grid->addWidget(version, 1, i);
        grid->addWidget(build, 2, i);
    }
    return w;
}

void CQMGANGView::showAbout(const GangAbout& about)
{
    AboutDialog dialog(QStringLiteral("Quill GANG Marker"), QStringLiteral(":/gang/gang.svg"), gangAboutRows(about),
                       gangAboutUnits(about), this);
    dialog.exec();
}

bool CQMGANGView::runSerialSettings(SerialSettingsLogic& d)
{
    SerialSettingsDialog dialog(d, this);
    return dialog.exec() == QDialog::Accepted;
}

bool CQMGANGView::runReadDialog(ReadDialogLogic& d)
{
    ReadDialog dialog(d, this);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace qmr::app
