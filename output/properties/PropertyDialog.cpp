#include "output/properties/PropertyDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QVBoxLayout>
#include <climits>
#include <cmath>

#include "output/properties/ElementProperties.h"

namespace {

// Number boxes with wider ranges than these become plain text boxes: a spin box sizes itself to
// its largest value, and a 64-bit range does not fit Qt's spin boxes at all.
constexpr double kLargestSpinDecimal = 1e9;
constexpr int kDecimalPlaces = 4;
constexpr int kMostVisibleFlags = 6;

bool fitsSpinBox(const EditableProperty& property) {
    if (property.isUnsigned) {
        return property.maximum.toULongLong() <= qulonglong(INT_MAX);
    }
    return property.minimum.toLongLong() >= INT_MIN && property.maximum.toLongLong() <= INT_MAX;
}

bool fitsDoubleSpinBox(const EditableProperty& property) {
    return std::fabs(property.minimum.toDouble()) <= kLargestSpinDecimal &&
           std::fabs(property.maximum.toDouble()) <= kLargestSpinDecimal;
}

QString rangeText(const EditableProperty& property) {
    return QStringLiteral("%1 … %2").arg(property.minimum.toString(), property.maximum.toString());
}

quint64 checkedFlags(const QListWidget* list) {
    quint64 mask = 0;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->checkState() == Qt::Checked) {
            mask |= list->item(i)->data(Qt::UserRole).toULongLong();
        }
    }
    return mask;
}

}  // namespace

PropertyDialog::PropertyDialog(ElementProperties& properties, const QString& caption,
                               QWidget* parent, const PropertyDialogTexts& texts)
    : QDialog(parent), properties_(properties) {
    setWindowTitle(caption);
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    for (qsizetype i = 0; i < properties_.size(); ++i) {
        const EditableProperty& property = properties_.at(i);
        QWidget* editor = makeEditor(i);
        editor->setObjectName(property.name);
        editor->setToolTip(property.blurb);
        editor->setAccessibleName(property.nick);
        editor->setAccessibleDescription(property.blurb);
        auto* label = new QLabel(property.nick + QLatin1Char(':'));
        label->setTextFormat(Qt::PlainText);
        label->setToolTip(property.blurb);
        label->setBuddy(editor);
        form->addRow(label, editor);
        editors_.append(editor);
        showValue(i);
    }

    auto* scroll = new QScrollArea;
    scroll->setWidget(page);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(texts.ok, QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(texts.cancel, QDialogButtonBox::RejectRole);
    QPushButton* defaults = buttons->addButton(texts.defaults, QDialogButtonBox::ResetRole);
    connect(defaults, &QPushButton::clicked, this, &PropertyDialog::restoreDefaults);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    if (!editors_.isEmpty()) {
        editors_.first()->setFocus();  // the page opens at its top
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll);
    layout->addWidget(buttons);

    // Show the whole page when it fits; long pages scroll.
    const QSize content = page->sizeHint();
    const int scrollBar = scroll->verticalScrollBar()->sizeHint().width();
    const QRect screen = this->screen()->availableGeometry();
    resize(std::min(content.width() + scrollBar + 2 * layout->contentsMargins().left(),
                    screen.width() * 9 / 10),
           std::min(content.height() + buttons->sizeHint().height() + 3 * layout->spacing() +
                        2 * layout->contentsMargins().top(),
                    screen.height() / 2));
}

QWidget* PropertyDialog::editor(const QString& propertyName) const {
    const qsizetype index = properties_.indexOf(propertyName);
    return index >= 0 ? editors_.value(index) : nullptr;
}

QWidget* PropertyDialog::makeEditor(qsizetype index) {
    switch (properties_.at(index).type) {
        case PropertyType::Boolean: {
            auto* box = new QCheckBox;
            connect(box, &QCheckBox::toggled, this, [this, index](bool checked) {
                if (!showing_) {
                    properties_.setValue(index, checked);
                }
            });
            return box;
        }
        case PropertyType::Integer:
        case PropertyType::Decimal:
            return makeNumberEditor(index);
        case PropertyType::Enumeration:
            return makeChoiceEditor(index);
        case PropertyType::Flags:
            return makeFlagsEditor(index);
        case PropertyType::Text:
            return makeTextEditor(index);
    }
    return makeTextEditor(index);
}

QWidget* PropertyDialog::makeNumberEditor(qsizetype index) {
    const EditableProperty& property = properties_.at(index);
    if (property.type == PropertyType::Integer && fitsSpinBox(property)) {
        auto* box = new QSpinBox;
        box->setRange(int(property.minimum.toLongLong()), int(property.maximum.toLongLong()));
        connect(box, &QSpinBox::valueChanged, this, [this, index](int value) {
            if (!showing_) {
                properties_.setValue(index, qlonglong(value));
            }
        });
        return box;
    }
    if (property.type == PropertyType::Decimal && fitsDoubleSpinBox(property)) {
        auto* box = new QDoubleSpinBox;
        box->setDecimals(kDecimalPlaces);
        box->setRange(property.minimum.toDouble(), property.maximum.toDouble());
        connect(box, &QDoubleSpinBox::valueChanged, this, [this, index](double value) {
            if (!showing_) {
                properties_.setValue(index, value);
            }
        });
        return box;
    }
    // A text box that takes what reads as a number in range and shows the kept value when left.
    auto* box = new QLineEdit;
    box->setPlaceholderText(rangeText(property));
    connect(box, &QLineEdit::textChanged, this, [this, index](const QString& text) {
        if (!showing_) {
            properties_.setValue(index, text);
        }
    });
    connect(box, &QLineEdit::editingFinished, this, [this, index] { showValue(index); });
    return box;
}

QWidget* PropertyDialog::makeTextEditor(qsizetype index) {
    auto* box = new QLineEdit;
    connect(box, &QLineEdit::textChanged, this, [this, index](const QString& text) {
        if (!showing_) {
            properties_.setValue(index, text);
        }
    });
    return box;
}

QWidget* PropertyDialog::makeChoiceEditor(qsizetype index) {
    auto* list = new QComboBox;
    for (const PropertyChoice& choice : properties_.at(index).choices) {
        list->addItem(choice.name, qlonglong(choice.value));
    }
    connect(list, &QComboBox::currentIndexChanged, this, [this, index, list](int position) {
        if (!showing_ && position >= 0) {
            properties_.setValue(index, list->itemData(position));
        }
    });
    return list;
}

QWidget* PropertyDialog::makeFlagsEditor(qsizetype index) {
    auto* list = new QListWidget;
    for (const PropertyChoice& choice : properties_.at(index).choices) {
        auto* item = new QListWidgetItem(choice.name, list);
        item->setData(Qt::UserRole, qulonglong(choice.value));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    const int rows = std::min(list->count(), kMostVisibleFlags);
    list->setFixedHeight(rows * list->sizeHintForRow(0) + 2 * list->frameWidth());
    connect(list, &QListWidget::itemChanged, this, [this, index, list] {
        if (!showing_) {
            properties_.setValue(index, qulonglong(checkedFlags(list)));
            showValue(index);  // flags that combine others follow them
        }
    });
    return list;
}

void PropertyDialog::showValue(qsizetype index) {
    const bool wasShowing = showing_;
    showing_ = true;
    QWidget* editor = editors_.at(index);
    const QVariant value = properties_.value(index);
    if (auto* box = qobject_cast<QCheckBox*>(editor)) {
        box->setChecked(value.toBool());
    } else if (auto* spin = qobject_cast<QSpinBox*>(editor)) {
        spin->setValue(int(value.toLongLong()));
    } else if (auto* decimal = qobject_cast<QDoubleSpinBox*>(editor)) {
        decimal->setValue(value.toDouble());
    } else if (auto* choices = qobject_cast<QComboBox*>(editor)) {
        choices->setCurrentIndex(choices->findData(value.toLongLong()));
    } else if (auto* flags = qobject_cast<QListWidget*>(editor)) {
        const quint64 mask = value.toULongLong();
        for (int i = 0; i < flags->count(); ++i) {
            const quint64 flag = flags->item(i)->data(Qt::UserRole).toULongLong();
            flags->item(i)->setCheckState((mask & flag) == flag ? Qt::Checked : Qt::Unchecked);
        }
    } else if (auto* text = qobject_cast<QLineEdit*>(editor)) {
        const QString shown = properties_.at(index).type == PropertyType::Text
                                  ? value.toString()
                                  : properties_.valueText(index);
        if (text->text() != shown) {
            text->setText(shown);
        }
    }
    showing_ = wasShowing;
}

void PropertyDialog::restoreDefaults() {
    properties_.restoreDefaults();
    for (qsizetype i = 0; i < editors_.size(); ++i) {
        showValue(i);
    }
}
