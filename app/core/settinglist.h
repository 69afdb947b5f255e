// The unit's setting-file list dialog (four modes, one row per slot the unit
// keeps: 50 on a single unit, 8 on the gang box) and the setting-file update
// dialog, without their windows.
#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>

#include <array>
#include <functional>

#include "core/screen.h"

namespace qmr::app {

// The slots of a single unit; the gang box keeps QMR_SET_ENTRIES of its build.
constexpr int kSettingSlots = 50;

// The widths of the list's three columns ("No", setting, parameter file).
struct ListColumns {
    int number = 40, setting = 206, parameter = 200;
};

struct SlotRow {
    QString label;    // the row's first column, editable in place
    QString setName;  // empty: nothing stored there
    QString prmName;
    bool inUse() const { return !prmName.isEmpty(); }
};

struct PrmListEntry {
    std::array<uint8_t, 4> id{};
    QString name;
};

enum class ListMode { Select = 1, Delete = 2, Upload = 3, Registration = 4 };

class SettingListLogic {
    Q_DECLARE_TR_FUNCTIONS(SettingListLogic)
public:
    // rows: the unit's slots in order (padded to slotCount); defaultSlot -1
    // when the unit has no default.
    SettingListLogic(Screen& screen, ListMode mode, QList<SlotRow> rows, QList<PrmListEntry> prms, int defaultSlot,
                     int slotCount = kSettingSlots);

    ListMode mode() const { return mode_; }
    const QList<SlotRow>& rows() const { return rows_; }
    const QList<PrmListEntry>& parameterFiles() const { return prms_; }
    int slotCount() const { return slotCount_; }
    const ListColumns& columns() const { return columns_; }
    void setColumns(const ListColumns& c) { columns_ = c; }
    // The row selected when the dialog opens: the default slot, else 0.
    int initialRow() const { return defaultSlot_ >= 0 && defaultSlot_ < slotCount_ ? defaultSlot_ : 0; }

    void editLabel(int row, const QString& text);
    // OK on a row (-1: none selected), or a double click: true when the
    // dialog closes with a result.
    bool accept(int row);
    bool doubleClick(int row);

    // The result once accepted.
    int slot() const { return slot_; }
    QString settingName() const { return slot_ >= 0 ? rows_[slot_].setName : QString(); }
    QString parameterName() const { return slot_ >= 0 ? rows_[slot_].prmName : QString(); }
    // Position of the parameter file in the unit's list; its length when absent.
    int parameterIndex() const;
    QString path() const { return path_; }

    // Tells the window to refresh a row (after the update dialog).
    std::function<void(int row)> onRowChanged;

private:
    bool choose(int row, bool byDoubleClick);
    Screen& screen_;
    ListMode mode_;
    QList<SlotRow> rows_;
    QList<PrmListEntry> prms_;
    int defaultSlot_;
    int slotCount_;
    ListColumns columns_;
    int slot_ = -1;
    QString path_;
};

// The setting-file update dialog: a name and, when given the parameter
// list, the parameter file it is made for.
class SettingUpdateLogic {
    Q_DECLARE_TR_FUNCTIONS(SettingUpdateLogic)
public:
    SettingUpdateLogic(Screen& screen, QList<PrmListEntry> prms, QString currentName);
    bool hasParameterList() const { return !prms_.isEmpty(); }
    const QList<PrmListEntry>& parameterFiles() const { return prms_; }
    QString initialName() const { return initialName_; }
    // OK: true when the dialog closes with the name (and parameter file).
    bool accept(const QString& name, int parameterIndex);
    QString name() const { return name_; }
    int parameterIndex() const { return index_; }

private:
    Screen& screen_;
    QList<PrmListEntry> prms_;
    QString initialName_, name_;
    int index_ = 0;
};

}  // namespace qmr::app
