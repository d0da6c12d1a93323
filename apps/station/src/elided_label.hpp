#pragma once
// A one-line label that never widens what holds it: a text longer than its
// width is shown cut with "…" (the whole text in its tooltip).
#include <QLabel>

namespace plx71::station {

class ElidedLabel : public QLabel {
public:
    explicit ElidedLabel(Qt::TextElideMode mode, QWidget* parent = nullptr);

    void setFullText(const QString& text);
    const QString& fullText() const { return full_; }

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();

    Qt::TextElideMode mode_;
    QString full_;
};

} // namespace plx71::station
