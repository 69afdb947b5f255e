#include "qt/textprogressbar.h"

#include <QPainter>
#include <QStyleOptionFrame>

namespace qmr::app {

CTextProgressBar::CTextProgressBar(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);  // it erases its background itself
    setMinimumHeight(18);
}

void CTextProgressBar::setRange(int lower, int upper)
{
    lower_ = lower;
    upper_ = upper;
    update();
}

void CTextProgressBar::setPosition(int position)
{
    if (position == position_) return;
    position_ = position;
    update();
}

void CTextProgressBar::setText(const QString& text)
{
    if (text == text_) return;
    text_ = text;
    update();
}

void CTextProgressBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QRect r = rect();
    const QPalette& pal = palette();
    p.fillRect(r, pal.color(QPalette::Button));
    QRect inner = r.adjusted(2, 2, -2, -2);
    int span = upper_ - lower_;
    int pos = position_ < lower_ ? lower_ : position_ > upper_ ? upper_ : position_;
    int filled = span > 0 ? int(qint64(inner.width()) * (pos - lower_) / span) : 0;
    QRect done(inner.left(), inner.top(), filled, inner.height());
    p.fillRect(done, pal.color(QPalette::Highlight));
    // The text in two colours: clipped to the filled part and to the rest.
    p.setClipRect(done);
    p.setPen(pal.color(QPalette::HighlightedText));
    p.drawText(inner, Qt::AlignCenter, text_);
    p.setClipRect(QRect(done.right() + 1, inner.top(), inner.width() - filled, inner.height()));
    p.setPen(pal.color(QPalette::WindowText));
    p.drawText(inner, Qt::AlignCenter, text_);
    p.setClipping(false);
    // Client edge and static edge.
    QStyleOptionFrame f;
    f.initFrom(this);
    f.rect = r;
    f.lineWidth = 1;
    f.state |= QStyle::State_Sunken;
    style()->drawPrimitive(QStyle::PE_Frame, &f, &p, this);
}

}  // namespace qmr::app
