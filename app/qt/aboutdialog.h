// The About dialog: the product's name and icon, a picture of the unit and
// the program's version rows (firmware, program, library, ...); a program
// may add a part of its own below them.
#pragma once

#include <QCoreApplication>

#include <QDialog>
#include <QList>

class QLineEdit;

namespace qmr::app {

struct AboutRow {
    QString label;   // "F/W Ver :"
    QString value;
    bool edit = false;  // a read-only edit the user can copy from (the serial number)
};

class AboutDialog : public QDialog {
    Q_DECLARE_TR_FUNCTIONS(AboutDialog)
public:
    AboutDialog(const QString& product, const QString& icon, const QList<AboutRow>& rows, QWidget* extra = nullptr,
                QWidget* parent = nullptr);
};

}  // namespace qmr::app
