#include "base/DialogTemplate.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>

#include "base/ControlId.h"

namespace {

// Marks the controls whose text must stay whole: labels, buttons and lists that ask for it.
constexpr const char* kFitsTextProperty = "fitsText";

QWidget* makeDefaultControl(const ControlTemplate& control, QWidget* parent) {
    const QString text = QString::fromUtf8(control.text);
    switch (control.kind) {
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton: {
            auto* button = new QPushButton(text, parent);
            button->setAutoDefault(false);
            button->setDefault(control.kind == ControlKind::DefaultPushButton);
            return button;
        }
        case ControlKind::Label:
        case ControlKind::SunkenText: {
            auto* label = new QLabel(text, parent);
            label->setTextFormat(Qt::PlainText);
            Qt::Alignment alignment = Qt::AlignLeft;
            if (control.style & control_style::kCenter) {
                alignment = Qt::AlignHCenter;
            } else if (control.style & control_style::kRight) {
                alignment = Qt::AlignRight;
            }
            const bool vcenter = (control.style & control_style::kVCenter) ||
                                 control.kind == ControlKind::SunkenText;
            label->setAlignment(alignment | (vcenter ? Qt::AlignVCenter : Qt::AlignTop));
            label->setWordWrap(control.style & control_style::kWordWrap);
            if (control.kind == ControlKind::SunkenText) {
                label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
                label->setAutoFillBackground(true);
            }
            return label;
        }
        case ControlKind::Edit: {
            auto* edit = new QLineEdit(text, parent);
            if (control.style & control_style::kNumber) {
                edit->setValidator(new QIntValidator(0, 999999, edit));
            }
            return edit;
        }
        case ControlKind::DropDownList:
            // Sized by its entries until first shown (Qt's default); a list that adjusts itself
            // to its contents later would leave the place the template gives it.
            return new QComboBox(parent);
        case ControlKind::ListBox:
            return new QListWidget(parent);
        case ControlKind::GroupBox:
            return new QGroupBox(text, parent);
        case ControlKind::Slider: {
            auto* slider = new QSlider(Qt::Horizontal, parent);
            slider->setTickPosition(QSlider::NoTicks);
            return slider;
        }
        case ControlKind::Picture: {
            auto* picture = new QLabel(parent);
            picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return picture;
        }
        case ControlKind::Custom:
            break;
    }
    return nullptr;
}

bool fitsTextOf(const ControlTemplate& control) {
    switch (control.kind) {
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton:
        case ControlKind::Label:
            return true;
        case ControlKind::DropDownList:
            return control.style & control_style::kFitsEntries;
        default:
            return false;
    }
}

// Moves every control that starts at or beyond `edge` by `delta` along one axis and widens (or
// heightens) those that reach across it, so that the rows or columns stay aligned. Horizontally,
// controls that end exactly at the edge widen too: they form one column with the grown control.
void insertStrip(const QList<QWidget*>& controls, const QWidget* grown, Qt::Orientation orientation,
                 int edge, int delta) {
    for (QWidget* control : controls) {
        if (control == grown) {
            continue;
        }
        QRect place = control->geometry();
        const int start = orientation == Qt::Horizontal ? place.left() : place.top();
        const int end = start + (orientation == Qt::Horizontal ? place.width() : place.height());
        if (start >= edge) {
            place.translate(orientation == Qt::Horizontal ? QPoint(delta, 0) : QPoint(0, delta));
        } else if (end > edge || (end == edge && orientation == Qt::Horizontal)) {
            if (orientation == Qt::Horizontal) {
                place.setWidth(place.width() + delta);
            } else {
                place.setHeight(place.height() + delta);
            }
        } else {
            continue;
        }
        control->setGeometry(place);
    }
}

int neededWidth(QWidget* control) {
    if (auto* label = qobject_cast<QLabel*>(control); label && label->wordWrap()) {
        return 0;  // a wrapped text grows in height instead
    }
    return control->sizeHint().width();
}

int neededHeight(QWidget* control) {
    auto* label = qobject_cast<QLabel*>(control);
    if (!label || !label->wordWrap()) {
        return 0;
    }
    return label->heightForWidth(label->width());
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX_ = std::max(1, (letters / 26 + 1) / 2);
    baseY_ = std::max(1, metrics.height());
}

QRect DialogUnits::toPixels(int x, int y, int width, int height) const {
    return {toPixelsX(x), toPixelsY(y), toPixelsX(width), toPixelsY(height)};
}

QString withoutMnemonic(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) {
            ++i;  // "&x" reads "x", "&&" reads "&"
        }
        result.append(text[i]);
    }
    return result;
}

DialogControls buildDialog(QWidget* window, const DialogTemplate& dialog,
                           const ControlFactory& make) {
    const DialogUnits units(window->font());
    DialogControls built;
    QHash<int, QWidget*> labelsFor;
    for (const ControlTemplate& control : dialog.controls) {
        QWidget* widget = make ? make(control, window) : nullptr;
        if (!widget) {
            widget = makeDefaultControl(control, window);
        }
        if (!widget) {
            continue;
        }
        widget->setGeometry(units.toPixels(control.x, control.y, control.width, control.height));
        if (control.id != 0) {
            setControlId(widget, control.id);
            built.byId_.insert(control.id, widget);
        }
        widget->setProperty(kFitsTextProperty, fitsTextOf(control));
        if (control.accessibleName) {
            widget->setAccessibleName(QString::fromUtf8(control.accessibleName));
        }
        widget->setVisible(!(control.style & control_style::kHidden));
        widget->setEnabled(!(control.style & control_style::kDisabled));
        if (control.labelFor != 0) {
            labelsFor.insert(control.labelFor, widget);
        }
        built.all_.append(widget);
    }
    for (auto it = labelsFor.cbegin(); it != labelsFor.cend(); ++it) {
        QWidget* named = built.byId_.value(it.key());
        if (!named) {
            continue;
        }
        if (auto* label = qobject_cast<QLabel*>(it.value())) {
            label->setBuddy(named);
        }
        built.labelOf_.insert(named, it.value());
    }
    refreshAccessibleNames(built);
    window->setWindowTitle(QString::fromUtf8(dialog.caption));
    const QRect frame = units.toPixels(0, 0, dialog.width, dialog.height);
    window->resize(frame.size());
    return built;
}

void refreshAccessibleNames(const DialogControls& controls) {
    for (auto it = controls.labelOf_.cbegin(); it != controls.labelOf_.cend(); ++it) {
        QString text;
        if (auto* label = qobject_cast<QLabel*>(it.value())) {
            text = label->text();
        } else if (auto* button = qobject_cast<QAbstractButton*>(it.value())) {
            text = button->text();
        }
        it.key()->setAccessibleName(withoutMnemonic(text).trimmed());
    }
}

void fitDialogToTexts(QWidget* window, const DialogControls& controls) {
    QSize grown = window->size();
    // Each round makes room for one control; a few dozen controls at most need it.
    for (int round = 0; round < 2 * controls.all().size() + 1; ++round) {
        bool changed = false;
        for (QWidget* control : controls.all()) {
            if (!control->property(kFitsTextProperty).toBool()) {
                continue;
            }
            const QRect place = control->geometry();
            if (const int wanted = neededWidth(control); wanted > place.width()) {
                const int delta = wanted - place.width();
                insertStrip(controls.all(), control, Qt::Horizontal, place.left() + place.width(),
                            delta);
                control->resize(wanted, place.height());
                grown.rwidth() += delta;
                changed = true;
                break;
            }
            if (const int wanted = neededHeight(control); wanted > place.height()) {
                const int delta = wanted - place.height();
                insertStrip(controls.all(), control, Qt::Vertical, place.top() + place.height(),
                            delta);
                control->resize(place.width(), wanted);
                grown.rheight() += delta;
                changed = true;
                break;
            }
        }
        if (!changed) {
            break;
        }
    }
    if (grown != window->size()) {
        if (window->minimumSize() == window->maximumSize()) {
            window->setFixedSize(grown);
        } else {
            window->resize(grown);
        }
    }
}
