// The single-unit program's main view without its widgets: QM's own rules
// on the program engine — its command numbers and table, its completions
// and failure table, its menu rules, its form and About texts, the serial-
// number EPV and the log history.  It reaches the screen only through
// QmScreen.
#pragma once

#include <QCoreApplication>
#include <QString>

#include "core/engine.h"
#include "qm/qmscreen.h"
#include "qmr.h"

namespace qmr::app {

// QM's numbers above the ones both programs share.
namespace qmcmd {
constexpr int SetDelete = 28;
constexpr int SysWrite = 31;
constexpr int Read = 32;
}  // namespace qmcmd

class QmLogic : public ProgramEngine {
    Q_DECLARE_TR_FUNCTIONS(QmLogic)
public:
    using Options = EngineOptions;
    QmLogic(QmScreen& screen, Options options);

    // Opens the context and issues the first start command.
    void start();
    // A menu or toolbar command.
    void trigger(Action a);

    ActionState actions() const override;
    const FormTexts& form() const { return form_; }
    AboutTexts aboutTexts() const { return about_; }

protected:
    void beforePendingCommand() override;
    void prepareCommand(const CommandRow& c) override;
    void completion(const ProgressRecord& r) override;
    void failure(const ProgressRecord& r) override;
    void firmwareLoaded(uint32_t kind, const HexContext& hex) override;

private:
    void refreshForm();
    void chooseReadFile();
    void serialEpv();
    void logHistory();

    QmScreen& qm_;
    FormTexts form_;
    AboutTexts about_;
    QString readPath_;
    bool deviceInfoRead_ = false;
};

}  // namespace qmr::app
