#include "core/setupdialog.h"

#include <cstdio>
#include <cstring>

#include "core/commands.h"
#include "core/text.h"

namespace qmr::app {

namespace {
constexpr int kSetPrmUpload = cmd::SetPrmUpload;
constexpr int kSetUpload = cmd::SetUpload;

}  // namespace

SetupDialogLogic::SetupDialogLogic(FlshContext* ctx, Screen& screen, QmrWindow* ownWindow, Inputs inputs)
    : ctx_(ctx), screen_(screen), window_(ownWindow), in_(std::move(inputs)), prmName_(in_.prmName)
{
    model_.setGangBox(in_.gangBox);
}

SetupDialogLogic::~SetupDialogLogic() = default;

void SetupDialogLogic::open()
{
    notify_.take(ctx_, window_, kSetupMessage);
    if (in_.gangBox) {
        SetRecord current;
        std::memcpy(&current, ctx_->settingsRecord, sizeof current);
        model_.keepFrom(current);
    }
    model_.typeSettingName(in_.setName.toStdString());
    if (ctx_->setValid) {
        controlsEnabled_ = true;
        loadFromUnit();
    } else {
        controlsEnabled_ = false;  // only Select and Cancel
        okEnabled_ = false;
        cancelEnabled_ = true;
    }
    notifyChanged();
}

void SetupDialogLogic::loadFromUnit()
{
    okEnabled_ = cancelEnabled_ = false;
    loading_ = true;
    pendingUpload_ = true;
    ResetParams none{};
    QMRFlshReset(ctx_, &none, 0);
}

void SetupDialogLogic::onProgress()
{
    ProgressRecord* p = QMRFlshGetProg(ctx_);
    if (!p || closed_) return;
    ProgressRecord r = *p;
    bool finished = r.percent == 100 && r.scale == 100;
    if (!finished) return;
    if (r.state == 0) {
        // The reset's idle record: the upload starts now.
        if (r.code) {
            loading_ = pendingUpload_ = false;
            cancelEnabled_ = true;
            screen_.message({tr("Please Setup Device."), in_.caption, Icon::Error});
        } else if (pendingUpload_) {
            pendingUpload_ = false;
            ctx_->tagA = kSetPrmUpload;
            QMRSETPRMUpLoad(ctx_, 0);
        }
        notifyChanged();
        return;
    }
    if (!loading_) return;
    if (r.code == 0 && (r.tagA == kSetUpload || r.tagA == kSetPrmUpload)) {
        p->tagA = 0;
        ctx_->tagA = 0;
        loaded();
        return;
    }
    if (r.code == 0) return;
    // The load failed.
    loading_ = pendingUpload_ = false;
    prmName_.clear();
    model_.typeSettingName("");
    cancelEnabled_ = true;
    const std::initializer_list<int> nandRead = {QMR_ST_NO_PRM,  QMR_ST_NO_SET,          QMR_ST_ECC, QMR_ST_TABLE,
                                                 QMR_ST_NAND_READ_FATAL, QMR_ST_NAND_READ, QMR_ST_OTHER};
    if (oneOf(r.code, nandRead) && r.tagB == QMR_PHASE_PRM_UPLOAD) {
        screen_.message({tr("A reading error happened in NANDFlash  \nHardware broke down  "), in_.caption, Icon::Error});
        close(false);
        if (endProgram) endProgram();
        else screen_.endProgram(0);
        return;
    }
    if (oneOf(r.code, nandRead) && r.tagB == QMR_PHASE_SET_UPLOAD)
        screen_.message({tr("A reading error happened "), in_.caption, Icon::Error});
    else if (r.code == QMR_E_NOTFOUND)
        screen_.message({tr("Please Setup Device."), in_.caption, Icon::Error});
    notifyChanged();
}

void SetupDialogLogic::loaded()
{
    loading_ = false;
    PrmCheck check = model_.load(ctx_->prm);
    if (check != PrmCheck::Ok) {
        controlsEnabled_ = false;
        okEnabled_ = false;
        cancelEnabled_ = true;
        screen_.message({QCoreApplication::translate("PrmView", prmCheckText(check)), in_.caption, Icon::Error});
        notifyChanged();
        return;
    }
    prmName_ = QString::fromUtf8(model_.controls().prmName.c_str());
    controlsEnabled_ = true;
    SetRecord stored;
    std::memcpy(&stored, ctx_->settingsRecord, sizeof stored);
    if (ctx_->setupInfoValid) {
        model_.fillFromRecord(stored);
    } else {
        model_.fillDefaults();
        if (!chosenName_.isEmpty()) {
            model_.typeSettingName(chosenName_.toStdString());
            model_.selectSetting(chosenName_.toStdString());
        }
    }
    okEnabled_ = cancelEnabled_ = true;
    notifyChanged();
}

void SetupDialogLogic::select()
{
    SettingListLogic list(screen_, ListMode::Select, in_.settingSlots, in_.prms, in_.defaultSlot, in_.slotCount);
    list.setColumns(in_.columns);
    if (!screen_.runSettingList(list)) return;
    int slot = list.slot();
    prmName_ = list.parameterName();
    chosenName_ = list.settingName();
    // The chosen names go into the record the unit's setting is loaded into:
    // the parameter file name as it is, the setting name right-aligned in
    // its 32 characters (exactly 32: the field is not terminated).
    QByteArray prm = list.parameterName().toUtf8().left(29);
    std::memset(ctx_->settingsRecord + 0x10, 0, 30);
    std::memcpy(ctx_->settingsRecord + 0x10, prm.constData(), static_cast<size_t>(prm.size()));
    char name[33];
    std::snprintf(name, sizeof name, "%32.32s", list.settingName().toUtf8().constData());
    std::memcpy(ctx_->settingsRecord + 0x30, name, 32);
    ctx_->settingsNumber = static_cast<uint8_t>(slot);
    ctx_->prmListSelection = list.parameterIndex();
    model_.typeSettingName(chosenName_.toStdString());
    model_.selectSetting(chosenName_.toStdString());
    changed_ = true;
    loadFromUnit();
    notifyChanged();
}

void SetupDialogLogic::setSecurity(int box, bool checked)
{
    if (auto w = model_.setSecurity(box, checked))
        screen_.message({QCoreApplication::translate("SetupModel", w->text.c_str()),
                         QCoreApplication::translate("SetupModel", w->caption.c_str()), w->icon, Buttons::Ok, w->taskModal});
}

bool SetupDialogLogic::ok()
{
    if (!okEnabled_) return false;
    SetupModel::OkResult r = model_.ok();
    if (r.message) {
        const MessageBox& m = *r.message;
        QString caption = m.caption.empty() ? in_.caption : QCoreApplication::translate("SetupModel", m.caption.c_str());
        screen_.message({QCoreApplication::translate("SetupModel", m.text.c_str()), caption, m.icon, Buttons::Ok, m.taskModal});
        return false;
    }
    if (!r.record) {  // nothing chosen: OK acts as Cancel
        close(false);
        return true;
    }
    std::memcpy(ctx_->settingsRecord, &*r.record, sizeof(SetRecord));
    changed_ = true;
    close(true);
    return true;
}

void SetupDialogLogic::cancel()
{
    if (!cancelEnabled_) return;
    close(false);
}

void SetupDialogLogic::close(bool ok)
{
    if (closed_) return;
    closed_ = true;
    notify_.restore();
    if (onClose) onClose(ok);
}

}  // namespace qmr::app
