// The Setup dialog without its window: while open it takes the context's
// announcements (message 3025), loads the unit's current setting and its
// parameter file (command 24), binds the controls to the Setup model, lets
// "Select" choose another slot from the unit's list, and on OK leaves the
// built record in the context.
#pragma once

#include <QCoreApplication>
#include <QString>

#include <functional>
#include <optional>

#include "core/notify.h"
#include "core/screen.h"
#include "core/settinglist.h"
#include "qmr.h"
#include "setrecord/setupmodel.h"

namespace qmr::app {

constexpr uint32_t kSetupMessage = 3025;

class SetupDialogLogic {
    Q_DECLARE_TR_FUNCTIONS(SetupDialogLogic)
public:
    struct Inputs {
        QString prmName, setName, hexName;
        QList<PrmListEntry> prms;  // the unit's parameter files
        QList<SlotRow> settingSlots;  // the unit's setting slots
        int defaultSlot = -1;
        QString caption;  // the program's name, the caption of its boxes
        // The gang box's dialog: no supply voltage, log recording, standalone
        // operation or reset times (the record keeps the first three, the
        // reset times are 0).
        bool gangBox = false;
        int slotCount = kSettingSlots;  // slots the setting list shows
        ListColumns columns;
    };
    // ownWindow is the notify target the dialog's records arrive through.
    SetupDialogLogic(FlshContext* ctx, Screen& screen, QmrWindow* ownWindow, Inputs inputs);
    ~SetupDialogLogic();
    SetupDialogLogic(const SetupDialogLogic&) = delete;
    SetupDialogLogic& operator=(const SetupDialogLogic&) = delete;

    // Takes the announcements; loads the unit's setting when it has a default.
    void open();
    // One announcement (message 3025): fetches one record and acts on it.
    void onProgress();
    void select();
    // A security box: the model's warning, when it has one, is shown.
    void setSecurity(int box, bool checked);
    // OK: true when the dialog closes with OK (the record is in the context).
    bool ok();
    void cancel();

    SetupModel& model() { return model_; }
    const Controls& controls() const { return model_.controls(); }
    bool controlsEnabled() const { return controlsEnabled_; }
    bool okEnabled() const { return okEnabled_; }
    bool cancelEnabled() const { return cancelEnabled_; }
    bool loading() const { return loading_; }
    QString parameterName() const { return prmName_; }
    bool changed() const { return changed_; }
    bool closed() const { return closed_; }
    bool gangBox() const { return in_.gangBox; }

    std::function<void()> onChanged;            // the controls need a refresh
    std::function<void(bool ok)> onClose;       // the dialog closes
    std::function<void()> endProgram;           // a fault the unit cannot recover from

private:
    void loadFromUnit();
    void loaded();
    void close(bool ok);
    void notifyChanged()
    {
        if (onChanged) onChanged();
    }

    FlshContext* ctx_;
    Screen& screen_;
    QmrWindow* window_;
    Inputs in_;
    SetupModel model_;
    NotifyTakeover notify_;
    bool pendingUpload_ = false;  // waiting for the reset's idle record
    bool loading_ = false;
    bool controlsEnabled_ = false, okEnabled_ = false, cancelEnabled_ = true;
    bool changed_ = false, closed_ = false;
    QString prmName_, chosenName_;
};

}  // namespace qmr::app
