#include "core/settinglist.h"

#include "core/text.h"

namespace qmr::app {

SettingListLogic::SettingListLogic(Screen& screen, ListMode mode, QList<SlotRow> rows, QList<PrmListEntry> prms,
                                   int defaultSlot, int slotCount)
    : screen_(screen),
      mode_(mode),
      rows_(std::move(rows)),
      prms_(std::move(prms)),
      defaultSlot_(defaultSlot),
      slotCount_(slotCount < 1 ? 1 : slotCount)
{
    while (rows_.size() < slotCount_) rows_.append(SlotRow{});
    if (rows_.size() > slotCount_) rows_.resize(slotCount_);
    for (int i = 0; i < slotCount_; ++i)
        if (rows_[i].label.isEmpty()) rows_[i].label = QString::asprintf("%02d", i);
}

void SettingListLogic::editLabel(int row, const QString& text)
{
    if (row >= 0 && row < slotCount_) rows_[row].label = text;
}

int SettingListLogic::parameterIndex() const
{
    QString name = parameterName();
    for (int i = 0; i < prms_.size(); ++i)
        if (prms_[i].name == name) return i;
    return static_cast<int>(prms_.size());
}

bool SettingListLogic::accept(int row) { return choose(row, false); }

bool SettingListLogic::doubleClick(int row)
{
    if (mode_ == ListMode::Delete) return false;
    return choose(row, true);
}

bool SettingListLogic::choose(int row, bool byDoubleClick)
{
    if (row < 0 || row >= slotCount_) {
        screen_.message({tr("Choose a number"), tr("Warning"), Icon::Error, Buttons::Ok, true});
        return false;
    }
    const SlotRow& r = rows_[row];
    switch (mode_) {
    case ListMode::Select:
        if (!r.setName.isEmpty()) {
            slot_ = row;
            return true;
        }
        if (byDoubleClick) {
            SettingUpdateLogic update(screen_, prms_, QString());
            if (screen_.runSettingUpdate(update)) {
                rows_[row].setName = update.name();
                if (update.parameterIndex() >= 0 && update.parameterIndex() < prms_.size())
                    rows_[row].prmName = prms_[update.parameterIndex()].name;
                if (onRowChanged) onRowChanged(row);
            }
            return false;
        }
        screen_.message({tr("Input SET filename"), tr("Warning"), Icon::Error});
        return false;
    case ListMode::Delete:
        if (!r.inUse()) {
            screen_.message({fmt(tr(" [%02d] a doesn't exist "), row), tr("SET File Delete"), Icon::Information});
            return false;
        }
        if (screen_.message({fmt(tr("May I delete %s [%02d] ?"), s8(r.setName).constData(), row), tr("SET File Delete"),
                             Icon::Question, Buttons::OkCancel}) != Answer::Ok)
            return false;
        slot_ = row;
        return true;
    case ListMode::Upload: {
        if (!r.inUse()) {
            screen_.message({fmt(tr(" [%02d] a doesn't exist "), row), tr("SET File Uoload"), Icon::Information});
            return false;
        }
        FileRequest req;
        req.folderKey = QStringLiteral("set");
        req.filters = {{tr("Setting files(*.set)"), QStringLiteral("*.set")}};
        req.defaultSuffix = QStringLiteral("set");
        req.overwritePrompt = true;
        FileAnswer a = screen_.saveFile(req);
        if (!a.chosen) return false;
        slot_ = row;
        path_ = a.path;
        return true;
    }
    case ListMode::Registration:
        if (defaultSlot_ >= 0 && row == defaultSlot_) {
            screen_.message({fmt(tr("[%02d] It can't be overwritten to Default SET file"), row), tr("SET file Registration "),
                             Icon::Warning});
            return false;
        }
        if (screen_.message({fmt(tr("May I overwrite it to %s [%02d] ?"), s8(r.setName).constData(), row),
                             tr("SET File Registration"), Icon::Question, Buttons::OkCancel}) != Answer::Ok)
            return false;
        slot_ = row;
        return true;
    }
    return false;
}

SettingUpdateLogic::SettingUpdateLogic(Screen& screen, QList<PrmListEntry> prms, QString currentName)
    : screen_(screen), prms_(std::move(prms)), initialName_(std::move(currentName))
{
}

bool SettingUpdateLogic::accept(const QString& name, int parameterIndex)
{
    if (name.toUtf8().size() > 32) {
        screen_.message({tr("SET file name is to 32 bytes"), tr("Warning"), Icon::Error, Buttons::Ok, true});
        return false;
    }
    name_ = name;
    index_ = hasParameterList() ? parameterIndex : -1;
    return true;
}

}  // namespace qmr::app
