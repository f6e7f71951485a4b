#include "language/DialogTexts.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <cstdint>

#include "base/ControlId.h"
#include "language/Language.h"

namespace {

// Identifiers 1-99 are the message texts' range; from 100 on, the dialog texts'.
constexpr int kFirstDialogTextId = 100;

bool isLeftUntouched(const QWidget* widget) {
    return qobject_cast<const QLineEdit*>(widget) != nullptr ||
           qobject_cast<const QTextEdit*>(widget) != nullptr ||
           qobject_cast<const QPlainTextEdit*>(widget) != nullptr ||
           qobject_cast<const QAbstractItemView*>(widget) != nullptr ||
           qobject_cast<const QAbstractSpinBox*>(widget) != nullptr;
}

// The widgets of the dialog's own window in creation order, without the inner parts of controls
// that are never retitled and without child windows.
void collectWidgets(QWidget* parent, QList<QWidget*>& widgets) {
    for (QObject* child : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget == nullptr || widget->isWindow()) {
            continue;
        }
        widgets.append(widget);
        if (!isLeftUntouched(widget) && qobject_cast<QComboBox*>(widget) == nullptr) {
            collectWidgets(widget, widgets);
        }
    }
}

void setCaption(QWidget* control, const QString& text) {
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        // A translation is plain text: never let a language file inject markup.
        if (label->textFormat() == Qt::AutoText) {
            label->setTextFormat(Qt::PlainText);
        }
        label->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        group->setTitle(text);
    } else if (control->metaObject()->indexOfProperty("text") >= 0) {
        control->setProperty("text", text);
    } else {
        control->setWindowTitle(text);
    }
}

QFont completeFont(QFont font) {
    font.setResolveMask(QFont::AllPropertiesResolved);
    return font;
}

// Gives the interface font to single widgets, the way a window system that sends fonts to each
// window does: before the first one is sent, every widget of the dialog is given its present
// font as its own, so that no other widget inherits the new font from a parent.
class FontSender {
  public:
    FontSender(QList<QWidget*> widgets, const std::optional<QFont>& font)
        : widgets_(std::move(widgets)),
          font_(
              completeFont(font.value_or(QFontDatabase::systemFont(QFontDatabase::GeneralFont)))) {}

    void send(QWidget* widget) {
        keepPresentFonts();
        widget->setFont(font_);
    }

  private:
    void keepPresentFonts() {
        if (kept_) {
            return;
        }
        kept_ = true;
        for (QWidget* widget : widgets_) {
            widget->setFont(completeFont(widget->font()));
        }
    }

    QList<QWidget*> widgets_;
    QFont font_;
    bool kept_ = false;
};

}  // namespace

bool ApplyDialogTexts(const CLanguage& language, QWidget* dialog, int dialogId) {
    if (language.GetLanguageCount() == 0) {
        return false;
    }
    QList<QWidget*> widgets;
    collectWidgets(dialog, widgets);
    FontSender fonts(widgets, language.GetInterfaceFont());

    const QString caption = language.LookUpDialogText(dialogId);
    if (!caption.isEmpty()) {
        fonts.send(dialog);
        dialog->setWindowTitle(caption);
    }
    for (QWidget* widget : widgets) {
        const int id = static_cast<int16_t>(controlId(widget));
        if (id <= 0 || isLeftUntouched(widget)) {
            continue;
        }
        const QString text =
            id < kFirstDialogTextId ? language.GetMessageText(id) : language.LookUpDialogText(id);
        if (text.isEmpty()) {
            continue;
        }
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            combo->clear();
            combo->addItems(text.split(QLatin1Char('\n')));
            continue;
        }
        setCaption(widget, text);
        fonts.send(widget);
    }
    return true;
}
