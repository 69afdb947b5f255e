// The About dialog: product name, icon, a picture, and the versions of the
// unit's firmware, the program and the library, and the unit's serial number.
#pragma once

#include <QCoreApplication>

#include <QDialog>

#include "core/screen.h"

class QLineEdit;

namespace qmr::app {

class AboutDialog : public QDialog {
    Q_DECLARE_TR_FUNCTIONS(AboutDialog)
public:
    AboutDialog(const AboutTexts& t, const QString& product, const QString& icon, QWidget* parent = nullptr);
};

}  // namespace qmr::app
