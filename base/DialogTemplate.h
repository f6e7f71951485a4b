#pragma once

#include <QFont>
#include <QHash>
#include <QRect>
#include <QWidget>
#include <functional>
#include <span>

// A window described as data: its controls with their identifiers, kinds, template texts and
// places in dialog units. One builder turns any such table into widgets, so positions and texts
// never appear as scattered calls in the windows themselves.

enum class ControlKind {
    PushButton,
    DefaultPushButton,
    Label,       // static text
    SunkenText,  // static text in a sunken frame (read-only display)
    Edit,
    DropDownList,
    ListBox,
    GroupBox,
    Slider,
    Picture,  // an icon
    Custom,   // made by the caller's factory only
};

namespace control_style {
inline constexpr unsigned kHidden = 1u << 0;
inline constexpr unsigned kDisabled = 1u << 1;
inline constexpr unsigned kCenter = 1u << 2;   // text centred horizontally
inline constexpr unsigned kRight = 1u << 3;    // text at the right edge
inline constexpr unsigned kVCenter = 1u << 4;  // text centred vertically
inline constexpr unsigned kWordWrap = 1u << 5;
inline constexpr unsigned kNumber = 1u << 6;  // an edit box taking digits only
// A drop-down list that grows to its longest entry when fitDialogToTexts makes room.
inline constexpr unsigned kFitsEntries = 1u << 7;
}  // namespace control_style

struct ControlTemplate {
    int id = 0;  // the control identifier; 0 for unnamed controls (never retitled)
    ControlKind kind = ControlKind::Label;
    const char* text = "";
    int x = 0;  // dialog units
    int y = 0;
    int width = 0;
    int height = 0;
    unsigned style = 0;
    int labelFor = 0;  // a label: the identifier of the control it names
    // For a control that neither has a text nor is named by a label: what a screen reader says.
    const char* accessibleName = nullptr;
};

struct DialogTemplate {
    int id = 0;
    const char* caption = "";
    int width = 0;  // dialog units
    int height = 0;
    std::span<const ControlTemplate> controls;
};

// Dialog units of a font, as Windows computes them: a horizontal unit is a quarter of the
// average width of the Latin letters, a vertical one an eighth of the character height.
class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);
    int toPixelsX(int units) const { return units * baseX_ / 4; }
    int toPixelsY(int units) const { return units * baseY_ / 8; }
    QRect toPixels(int x, int y, int width, int height) const;
    int baseX() const { return baseX_; }
    int baseY() const { return baseY_; }

  private:
    int baseX_ = 0;
    int baseY_ = 0;
};

// The built controls by identifier (unnamed ones are only children of the window).
class DialogControls {
  public:
    QWidget* operator[](int id) const { return byId_.value(id, nullptr); }
    template <typename T>
    T* get(int id) const {
        return qobject_cast<T*>(byId_.value(id, nullptr));
    }
    const QList<QWidget*>& all() const { return all_; }

  private:
    friend DialogControls buildDialog(
        QWidget*, const DialogTemplate&,
        const std::function<QWidget*(const ControlTemplate&, QWidget*)>&);
    friend void refreshAccessibleNames(const DialogControls&);
    QHash<int, QWidget*> byId_;
    QList<QWidget*> all_;
    QHash<QWidget*, QWidget*> labelOf_;  // named control -> its label
};

// Makes the controls as children of `window` at their places (from `window`'s font), gives each
// its "controlId", template text, tooltip-free style and accessible name, sizes the window and
// sets its caption. `make` may supply a control of its own class for any template entry
// (returning nullptr takes the default widget of the kind); it must create the widget as a child
// of the given parent.
using ControlFactory = std::function<QWidget*(const ControlTemplate&, QWidget* parent)>;
DialogControls buildDialog(QWidget* window, const DialogTemplate& dialog,
                           const ControlFactory& make = {});

// Gives each control named by a label that label's present text (without its mnemonic marker)
// as accessible name; call again after the texts changed (a language switch).
void refreshAccessibleNames(const DialogControls& controls);

// Makes room wherever a text no longer fits its control (a longer translation, a larger font or
// scaling): the columns right of a control that must grow move right, the controls ending at the
// same right edge grow with it (a column stays a column), the rows below a wrapped text that must
// grow move down, and the window grows with them. Never shrinks anything.
void fitDialogToTexts(QWidget* window, const DialogControls& controls);

// A text without its mnemonic marker: "&Help" reads "Help", "&&" reads "&".
QString withoutMnemonic(const QString& text);
