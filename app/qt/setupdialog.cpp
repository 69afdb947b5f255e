#include "qt/setupdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qmr::app {

namespace {

void fillCombo(QComboBox* box, const Combo& c, bool enabledToo)
{
    QStringList items;
    for (const std::string& s : c.items) items << QString::fromStdString(s);
    bool same = box->count() == items.size();
    for (int i = 0; same && i < items.size(); ++i) same = box->itemText(i) == items[i];
    if (!same) {
        box->clear();
        box->addItems(items);
    }
    box->setCurrentIndex(c.selected < items.size() ? c.selected : -1);
    box->setEnabled(enabledToo && c.enabled);
}

void setEdit(QLineEdit* e, const Edit& x, bool enabledToo)
{
    QString t = QString::fromStdString(x.text);
    if (e->text() != t) e->setText(t);
    e->setEnabled(enabledToo && x.enabled);
}

void setCheck(QCheckBox* b, const Check& c, bool enabledToo)
{
    b->setChecked(c.checked);
    b->setEnabled(enabledToo && c.enabled);
}

QGroupBox* group(const QString& title, QLayout* content)
{
    auto* g = new QGroupBox(title);
    g->setLayout(content);
    return g;
}

}  // namespace

SetupDialog::SetupDialog(SetupDialogLogic& logic, QWidget* parent) : QDialog(parent), logic_(logic)
{
    setWindowTitle(tr("Setup"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    settingName = new QLineEdit;
    settingName->setMaxLength(32);
    parameterName = new QLabel;
    parameterName->setFrameShape(QFrame::StyledPanel);
    parameterName->setFrameShadow(QFrame::Sunken);
    parameterName->setMinimumWidth(180);
    selectButton = new QPushButton(tr("Select"));
    auto* names = new QGridLayout;
    names->addWidget(new QLabel(tr("Setting file")), 0, 0);
    names->addWidget(settingName, 0, 1);
    names->addWidget(selectButton, 0, 2);
    names->addWidget(new QLabel(tr("Parameter file")), 1, 0);
    names->addWidget(parameterName, 1, 1, 1, 2);

    device = new QComboBox;
    volt5 = new QRadioButton(tr("5V   Output"));
    volt33 = new QRadioButton(tr("3.3V Output"));
    voltTarget = new QRadioButton(tr("Target voltage"));
    oscillator = new QComboBox;
    onTarget = new QCheckBox(tr("On Target"));
    onTargetHz = new QLineEdit;
    multiplier = new QComboBox;
    method = new QComboBox;
    speed = new QComboBox;
    auto* target = new QGridLayout;
    target->addWidget(new QLabel(tr("Target device")), 0, 0);
    target->addWidget(device, 0, 1, 1, 3);
    auto* volts = new QHBoxLayout;
    volts->addWidget(volt5);
    volts->addWidget(volt33);
    volts->addWidget(voltTarget);
    target->addLayout(volts, 1, 0, 1, 4);
    target->addWidget(new QLabel(tr("Frequency")), 2, 0);
    target->addWidget(oscillator, 2, 1);
    target->addWidget(onTarget, 2, 2);
    target->addWidget(onTargetHz, 2, 3);
    target->addWidget(new QLabel(tr("Multiplier")), 3, 0);
    target->addWidget(multiplier, 3, 1);
    target->addWidget(new QLabel(tr("Communication")), 4, 0);
    target->addWidget(method, 4, 1, 1, 3);
    target->addWidget(new QLabel(tr("Speed")), 5, 0);
    target->addWidget(speed, 5, 1);
    target->setColumnStretch(1, 1);
    target->setColumnStretch(3, 1);

    chip = new QRadioButton(tr("Chip"));
    block = new QRadioButton(tr("Block"));
    startBlock = new QComboBox;
    endBlock = new QComboBox;
    opShowAddress = new QCheckBox(tr("Show Address"));
    auto* mode = new QGridLayout;
    mode->addWidget(chip, 0, 0);
    mode->addWidget(block, 0, 1);
    mode->addWidget(opShowAddress, 0, 2, 1, 2);
    mode->addWidget(new QLabel(tr("Start")), 1, 0);
    mode->addWidget(startBlock, 1, 1);
    mode->addWidget(new QLabel(tr("End")), 1, 2);
    mode->addWidget(endBlock, 1, 3);

    extensionTime = new QLineEdit;
    extensionWait = new QLineEdit;
    auto* reset = new QGridLayout;
    reset->addWidget(new QLabel(tr("Extension time")), 0, 0);
    reset->addWidget(extensionTime, 0, 1);
    reset->addWidget(new QLabel(QStringLiteral("µs")), 0, 2);
    reset->addWidget(new QLabel(tr("Extension WAIT time")), 1, 0);
    reset->addWidget(extensionWait, 1, 1);
    reset->addWidget(new QLabel(QStringLiteral("µs")), 1, 2);

    standalone[1] = new QRadioButton(tr("EPV"));
    standalone[2] = new QRadioButton(tr("Verify Only"));
    standalone[3] = new QRadioButton(tr("Erase Only"));
    standalone[4] = new QRadioButton(tr("Blank Check Only"));
    standalone[0] = new QRadioButton(tr("No operation"));
    logRecording = new QCheckBox(tr("Log recording"));
    auto* alone = new QVBoxLayout;
    for (int op : {1, 2, 3, 4, 0}) alone->addWidget(standalone[size_t(op)]);
    alone->addWidget(logRecording);

    commandOption[0] = new QCheckBox(tr("Blank check before Erase"));
    commandOption[1] = new QCheckBox(tr("Read verify after Program"));
    commandOption[2] = new QCheckBox(tr("Security flag set after Program"));
    commandOption[3] = new QCheckBox(tr("Checksum after Program"));
    auto* options = new QVBoxLayout;
    for (QCheckBox* c : commandOption) options->addWidget(c);

    security[kChipErase] = new QCheckBox(tr("Chip Erase disabled"));
    security[kBlockErase] = new QCheckBox(tr("Block Erase disabled"));
    security[kProgram] = new QCheckBox(tr("Program disabled"));
    security[kRead] = new QCheckBox(tr("Read disabled"));
    security[kBootBlock] = new QCheckBox(tr("Boot block cluster        reprogramming disabled"));
    resetVector = new QLineEdit;
    resetVector->setMaxLength(6);
    auto* sec = new QVBoxLayout;
    for (QCheckBox* c : security) sec->addWidget(c);
    auto* vector = new QHBoxLayout;
    vector->addWidget(new QLabel(tr("Reset vector : ")));
    vector->addWidget(resetVector);
    sec->addLayout(vector);

    bootBlockEnd = new QComboBox;
    fsStart = new QComboBox;
    fsEnd = new QComboBox;
    protShowAddress = new QCheckBox(tr("Show Address"));
    auto* prot = new QGridLayout;
    prot->addWidget(new QLabel(tr("Boot Block end")), 0, 0);
    prot->addWidget(bootBlockEnd, 0, 1);
    prot->addWidget(new QLabel(tr("FS Block start")), 1, 0);
    prot->addWidget(fsStart, 1, 1);
    prot->addWidget(new QLabel(tr("FS Block end")), 2, 0);
    prot->addWidget(fsEnd, 2, 1);
    prot->addWidget(protShowAddress, 3, 0, 1, 2);

    okButton = new QPushButton(tr("OK"));
    okButton->setDefault(true);
    cancelButton = new QPushButton(tr("Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);

    auto* left = new QVBoxLayout;
    left->addWidget(group(tr("Target"), target));
    left->addWidget(group(tr("Operation mode"), mode));
    QGroupBox* resetGroup = group(tr("Reset time"), reset);
    left->addWidget(resetGroup);
    left->addStretch();
    auto* middle = new QVBoxLayout;
    QGroupBox* aloneGroup = group(tr("Standalone operation"), alone);
    middle->addWidget(aloneGroup);
    middle->addWidget(group(tr("Command options"), options));
    middle->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(group(tr("Security flags"), sec));
    right->addWidget(group(tr("Block protection"), prot));
    right->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 3);
    columns->addLayout(middle, 2);
    columns->addLayout(right, 2);
    auto* all = new QVBoxLayout(this);
    all->addLayout(names);
    all->addLayout(columns);
    all->addLayout(buttons);
    if (logic_.gangBox()) {
        // The gang box's units take their supply, reset times and standalone
        // operation from the box: the dialog has none of those controls.
        for (QWidget* w : {static_cast<QWidget*>(volt5), static_cast<QWidget*>(volt33), static_cast<QWidget*>(voltTarget),
                           static_cast<QWidget*>(resetGroup), static_cast<QWidget*>(aloneGroup)})
            w->hide();
    }

    connectEvents();
    // Whoever listened before keeps hearing of changes and the closing.
    logic_.onChanged = [this, before = logic_.onChanged] {
        if (before) before();
        refresh();
    };
    logic_.onClose = [this, before = logic_.onClose](bool ok) {
        if (before) before(ok);
        QDialog::done(ok ? Accepted : Rejected);
    };
    refresh();
}

void SetupDialog::connectEvents()
{
    auto after = [this](auto f) {
        return [this, f](auto... args) {
            if (refreshing_) return;
            f(args...);
            refresh();
        };
    };
    SetupModel& m = logic_.model();
    connect(selectButton, &QPushButton::clicked, this, after([this](bool) { logic_.select(); }));
    connect(settingName, &QLineEdit::textEdited, this, after([&m](const QString& t) { m.typeSettingName(t.toStdString()); }));
    connect(device, qOverload<int>(&QComboBox::activated), this, after([&m](int i) { m.chooseDevice(i); }));
    connect(oscillator, qOverload<int>(&QComboBox::activated), this, after([&m](int i) { m.chooseOscillator(i); }));
    connect(multiplier, qOverload<int>(&QComboBox::activated), this, after([&m](int i) { m.chooseMultiplier(i); }));
    connect(method, qOverload<int>(&QComboBox::activated), this, after([&m](int i) { m.chooseMethod(i); }));
    connect(speed, qOverload<int>(&QComboBox::activated), this, after([&m](int i) { m.chooseSpeed(i); }));
    connect(endBlock, qOverload<int>(&QComboBox::activated), this, after([&m](int i) { m.chooseEndBlock(i); }));
    connect(bootBlockEnd, qOverload<int>(&QComboBox::activated), this, after([&m](int i) { m.chooseBootBlockEnd(i); }));
    connect(fsStart, qOverload<int>(&QComboBox::activated), this, after([&m](int i) { m.chooseFsStart(i); }));
    connect(fsEnd, qOverload<int>(&QComboBox::activated), this, after([&m](int i) { m.chooseFsEnd(i); }));
    connect(onTarget, &QCheckBox::clicked, this, after([&m](bool on) { m.setOnTarget(on); }));
    connect(onTargetHz, &QLineEdit::textEdited, this, after([&m](const QString& t) { m.typeOnTargetHz(t.toStdString()); }));
    connect(chip, &QRadioButton::clicked, this, after([&m](bool) { m.setBlockMode(false); }));
    connect(block, &QRadioButton::clicked, this, after([&m](bool) { m.setBlockMode(true); }));
    connect(opShowAddress, &QCheckBox::clicked, this, after([&m](bool on) { m.setOpShowAddress(on); }));
    connect(protShowAddress, &QCheckBox::clicked, this, after([&m](bool on) { m.setProtShowAddress(on); }));
    connect(extensionTime, &QLineEdit::textEdited, this, after([&m](const QString& t) { m.typeExtensionTime(t.toStdString()); }));
    connect(extensionWait, &QLineEdit::textEdited, this, after([&m](const QString& t) { m.typeExtensionWait(t.toStdString()); }));
    connect(resetVector, &QLineEdit::textEdited, this, after([&m](const QString& t) { m.typeResetVector(t.toStdString()); }));
    connect(logRecording, &QCheckBox::clicked, this, after([&m](bool on) { m.setLogRecording(on); }));
    connect(volt5, &QRadioButton::clicked, this, after([&m](bool) { m.setVoltage(Voltage::Out5V); }));
    connect(volt33, &QRadioButton::clicked, this, after([&m](bool) { m.setVoltage(Voltage::Out3V3); }));
    connect(voltTarget, &QRadioButton::clicked, this, after([&m](bool) { m.setVoltage(Voltage::Target); }));
    for (int op = 0; op < 5; ++op)
        connect(standalone[size_t(op)], &QRadioButton::clicked, this, after([&m, op](bool) { m.setStandalone(op); }));
    for (int bit = 0; bit < 4; ++bit)
        connect(commandOption[size_t(bit)], &QCheckBox::clicked, this, after([&m, bit](bool on) { m.setCommandOption(bit, on); }));
    for (int box = 0; box < kSecurityBoxes; ++box)
        connect(security[size_t(box)], &QCheckBox::clicked, this, after([this, box](bool on) { logic_.setSecurity(box, on); }));
    connect(okButton, &QPushButton::clicked, this, &SetupDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &SetupDialog::reject);
}

void SetupDialog::refresh()
{
    refreshing_ = true;
    const Controls& c = logic_.controls();
    bool on = logic_.controlsEnabled();
    QString name = QString::fromStdString(c.setName.text);
    if (settingName->text() != name) settingName->setText(name);
    settingName->setEnabled(on);
    parameterName->setText(logic_.parameterName());
    selectButton->setEnabled(!logic_.loading());
    fillCombo(device, c.device, on);
    volt5->setChecked(c.voltage == Voltage::Out5V);
    volt33->setChecked(c.voltage == Voltage::Out3V3);
    voltTarget->setChecked(c.voltage == Voltage::Target);
    volt5->setEnabled(on && c.voltage5Enabled);
    volt33->setEnabled(on);
    voltTarget->setEnabled(on);
    fillCombo(oscillator, c.oscillator, on);
    setCheck(onTarget, c.onTarget, on);
    setEdit(onTargetHz, c.onTargetHz, on);
    fillCombo(multiplier, c.multiplier, on);
    fillCombo(method, c.method, on);
    fillCombo(speed, c.speed, on);
    chip->setChecked(!c.blockMode);
    block->setChecked(c.blockMode);
    chip->setEnabled(on);
    block->setEnabled(on);
    fillCombo(startBlock, c.startBlock, on && c.blockMode);
    fillCombo(endBlock, c.endBlock, on && c.blockMode);
    setCheck(opShowAddress, c.opShowAddress, on && c.blockMode);
    setEdit(extensionTime, c.extensionTime, on);
    setEdit(extensionWait, c.extensionWait, on);
    for (int op = 0; op < 5; ++op) {
        standalone[size_t(op)]->setChecked(c.standalone == op);
        standalone[size_t(op)]->setEnabled(on);
    }
    setCheck(logRecording, c.logRecording, on);
    for (int bit = 0; bit < 4; ++bit) setCheck(commandOption[size_t(bit)], c.commandOption[bit], on);
    for (int box = 0; box < kSecurityBoxes; ++box) setCheck(security[size_t(box)], c.security[box], on);
    setEdit(resetVector, c.resetVector, on);
    fillCombo(bootBlockEnd, c.bootBlockEnd, on);
    fillCombo(fsStart, c.fsStart, on);
    fillCombo(fsEnd, c.fsEnd, on);
    setCheck(protShowAddress, c.protShowAddress, on);
    okButton->setEnabled(logic_.okEnabled());
    cancelButton->setEnabled(logic_.cancelEnabled());
    refreshing_ = false;
}

void SetupDialog::accept() { logic_.ok(); }

void SetupDialog::reject() { logic_.cancel(); }

}  // namespace qmr::app
