#pragma once
// The small builders of the settings form: named controls with their
// accessible names, and the sizes the form's template gives them.
#include "plx71/qtui/dialog_units.hpp"

#include <QComboBox>
#include <QString>

#include <cstddef>
#include <initializer_list>

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace plx71::form_widgets {

inline constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
inline constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

// The controls take the widths of the form's template, in dialog units of
// the font the form has, so the form keeps its proportions in any font.
// A field of fixed format is never narrower than its longest text, and
// never wider than it needs: only the file names and the groups stretch.
class TemplateSizer {
public:
    explicit TemplateSizer(const QFont& font) : units_(font) {}

    int x(int units) const { return units_.x(units); }
    int y(int units) const { return units_.y(units); }

    // A field that never stretches. `longest` is the longest text it shows;
    // each '#' in it stands for a hexadecimal digit (the font's widest).
    void fixed(QLineEdit* e, int units, QString longest) const;
    // A list as wide as the form's layout gives it or its longest entry, not wider.
    void fixed(QComboBox* c, int units) const;
    // A field that takes a wider window's room.
    void stretching(QLineEdit* e, int units) const;
    // At least the size in the form's layout, and never less than the widget needs.
    void atLeast(QWidget* w, int widthUnits, int heightUnits) const;
    // The rows of a grid, each as tall as its pitch in the form's layout (the
    // distance from its top to the next row's top); the spacing is in the pitch.
    void rows(QGridLayout* grid, std::initializer_list<int> pitches) const;

private:
    qtui::DialogUnits units_;
};

// A label; its buddy gets the label's text (without '&') as accessible name.
QLabel* label(QWidget* parent, const QString& text, QWidget* buddy);
QLineEdit* edit(QWidget* parent, const char* name, bool readOnly = true);
QRadioButton* radio(QWidget* parent, const char* text, const char* name);
QPushButton* button(QWidget* parent, const QString& text, const char* name, const QString& accessible);

template <std::size_t N>
QComboBox* combo(QWidget* parent, const char* name, const char* const (&items)[N])
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    for (const char* item : items)
        c->addItem(QLatin1String(item));
    return c;
}

// The voltages' font: bold, one and a half times the height.
void enlargeFont(QLineEdit* e);

} // namespace plx71::form_widgets
