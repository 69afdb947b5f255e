// A progress bar that paints itself: the background in the button-face
// colour, the filled part in the highlight colour, and its text centred over
// the whole bar, in the highlight-text colour over the filled part and in the
// normal text colour elsewhere.
#pragma once

#include <QCoreApplication>

#include <QWidget>

namespace qmr::app {

class CTextProgressBar : public QWidget {
    Q_DECLARE_TR_FUNCTIONS(CTextProgressBar)
public:
    explicit CTextProgressBar(QWidget* parent = nullptr);
    void setRange(int lower, int upper);
    void setPosition(int position);
    int position() const { return position_; }
    void setText(const QString& text);
    QString text() const { return text_; }
    QSize sizeHint() const override { return {200, 22}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int lower_ = 0, upper_ = 100, position_ = 0;
    QString text_;
};

}  // namespace qmr::app
