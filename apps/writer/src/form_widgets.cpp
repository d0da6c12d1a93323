#include "form_widgets.hpp"

#include "field_focus.hpp"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

#include <algorithm>

namespace plx71::form_widgets {

void TemplateSizer::fixed(QLineEdit* e, int units, QString longest) const
{
    const QFontMetrics metrics = e->fontMetrics();
    QChar widest = QLatin1Char('0');
    for (QChar digit : QStringLiteral("0123456789ABCDEF")) {
        if (metrics.horizontalAdvance(digit) > metrics.horizontalAdvance(widest))
            widest = digit;
    }
    longest.replace(QLatin1Char('#'), widest);
    const int frame = 2 * e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, e);
    const int needed = metrics.horizontalAdvance(longest) + frame + 8;
    e->setFixedWidth(std::max(x(units), needed));
}

void TemplateSizer::fixed(QComboBox* c, int units) const
{
    c->setMinimumWidth(x(units));
    c->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TemplateSizer::stretching(QLineEdit* e, int units) const
{
    e->setMinimumWidth(x(units));
    e->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TemplateSizer::atLeast(QWidget* w, int widthUnits, int heightUnits) const
{
    const QSize need = w->minimumSizeHint();
    w->setMinimumSize(std::max(x(widthUnits), need.width()), std::max(y(heightUnits), need.height()));
}

void TemplateSizer::rows(QGridLayout* grid, std::initializer_list<int> pitches) const
{
    grid->setVerticalSpacing(0);
    int row = 0;
    for (int pitch : pitches)
        grid->setRowMinimumHeight(row++, y(pitch));
}

QLabel* label(QWidget* parent, const QString& text, QWidget* buddy)
{
    auto* l = new QLabel(text, parent);
    if (buddy) {
        l->setBuddy(buddy);
        buddy->setAccessibleName(withoutMnemonic(text));
    }
    return l;
}

QLineEdit* edit(QWidget* parent, const char* name, bool readOnly)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setReadOnly(readOnly);
    return e;
}

QRadioButton* radio(QWidget* parent, const char* text, const char* name)
{
    auto* r = new QRadioButton(QLatin1String(text), parent);
    r->setObjectName(QLatin1String(name));
    r->setAccessibleName(withoutMnemonic(QLatin1String(text)));
    return r;
}

QPushButton* button(QWidget* parent, const QString& text, const char* name, const QString& accessible)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAccessibleName(accessible);
    return b;
}

void enlargeFont(QLineEdit* e)
{
    QFont big = e->font();
    if (big.pointSizeF() > 0)
        big.setPointSizeF(big.pointSizeF() + big.pointSizeF() / 2);
    else
        big.setPixelSize(big.pixelSize() + big.pixelSize() / 2);
    big.setWeight(QFont::Black);
    e->setFont(big);
}

} // namespace plx71::form_widgets
