// The open-file dialog for images: the file dialog with one more check box,
// "ｾｷｭﾘﾃｨ", whose state it keeps after it closes.
#pragma once

#include <QCoreApplication>

#include <QFileDialog>

class QCheckBox;

namespace qmr::app {

class CCustomSecDialog : public QFileDialog {
    Q_DECLARE_TR_FUNCTIONS(CCustomSecDialog)
public:
    explicit CCustomSecDialog(QWidget* parent = nullptr);
    // 1 checked, 0 not.
    int security() const { return security_; }
    void done(int result) override;
    QCheckBox* securityBox() const { return box_; }

private:
    QCheckBox* box_;
    int security_ = 0;
};

}  // namespace qmr::app
