// QM's screen double: the scripted screen of every program with QM's form,
// About box and serial-number EPV dialog.
#pragma once

#include "qm/qmlogic.h"
#include "qm/qmscreen.h"
#include "qm/serialepv.h"
#include "support/records.h"
#include "support/scripted_screen.h"

namespace qmtest {

using namespace qmr::app;
using qmrtest::postRecord;
using qmrtest::ScriptedScreen;
using qmrtest::ScriptedScreenT;
using qmrtest::waitUntil;

class QmScriptedScreen : public ScriptedScreenT<QmScreen> {
public:
    std::function<void(SerialEpvLogic&)> serialEpv;
    FormTexts form;
    AboutTexts about;

    void showForm(const FormTexts& f) override { form = f; }
    void runSerialEpv(SerialEpvLogic& d) override
    {
        if (serialEpv) serialEpv(d);
    }
    void showAbout(const AboutTexts& t) override { about = t; }
};

}  // namespace qmtest
