#include "elided_label.hpp"

#include <QResizeEvent>

namespace plx71::station {

ElidedLabel::ElidedLabel(Qt::TextElideMode mode, QWidget* parent) : QLabel(parent), mode_(mode)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void ElidedLabel::setFullText(const QString& text)
{
    if (text == full_ && !text.isEmpty())
        return;
    full_ = text;
    setToolTip(text);
    elide();
}

// One line high, whatever it holds; as wide as it is given.
QSize ElidedLabel::minimumSizeHint() const
{
    const QMargins m = contentsMargins();
    return {0, fontMetrics().height() + m.top() + m.bottom() + 2 * margin()};
}

QSize ElidedLabel::sizeHint() const
{
    return minimumSizeHint();
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::elide()
{
    const int room = contentsRect().width();
    setText(room > 0 ? fontMetrics().elidedText(full_, mode_, room) : full_);
}

} // namespace plx71::station
