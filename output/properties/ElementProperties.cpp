#include "output/properties/ElementProperties.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>
#include <vector>

namespace {

std::optional<QVariant> integerFrom(const EditableProperty& property, const QString& text) {
    bool ok = false;
    if (property.isUnsigned) {
        const qulonglong number = text.toULongLong(&ok);
        if (ok && number >= property.minimum.toULongLong() &&
            number <= property.maximum.toULongLong()) {
            return QVariant(number);
        }
        return std::nullopt;
    }
    const qlonglong number = text.toLongLong(&ok);
    if (ok && number >= property.minimum.toLongLong() && number <= property.maximum.toLongLong()) {
        return QVariant(number);
    }
    return std::nullopt;
}

std::optional<QVariant> decimalFrom(const EditableProperty& property, const QString& text) {
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (ok && std::isfinite(number) && number >= property.minimum.toDouble() &&
        number <= property.maximum.toDouble()) {
        return QVariant(number);
    }
    return std::nullopt;
}

std::optional<QVariant> choiceFrom(const EditableProperty& property, const QString& text) {
    bool ok = false;
    const qlonglong number = text.toLongLong(&ok);
    for (const PropertyChoice& choice : property.choices) {
        if ((ok && qlonglong(choice.value) == number) || choice.name == text) {
            return QVariant(qlonglong(choice.value));
        }
    }
    return std::nullopt;
}

std::optional<QVariant> flagsFrom(const EditableProperty& property, const QString& text) {
    bool ok = false;
    const qulonglong mask = text.toULongLong(&ok);
    quint64 known = 0;
    for (const PropertyChoice& choice : property.choices) {
        known |= choice.value;
    }
    if (ok && (mask & ~known) == 0) {
        return QVariant(mask);
    }
    return std::nullopt;
}

std::optional<QVariant> booleanFrom(const QVariant& value) {
    if (value.typeId() == QMetaType::Bool) {
        return value;
    }
    const QString text = value.toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1")) {
        return QVariant(true);
    }
    if (text == QLatin1String("false") || text == QLatin1String("0")) {
        return QVariant(false);
    }
    return std::nullopt;
}

}  // namespace

ElementProperties::ElementProperties(GstElement* element) {
    if (!element) {
        return;
    }
    const ClassProperties all(G_OBJECT(element));
    std::vector<GParamSpec*> params;
    std::copy_if(all.begin(), all.end(), std::back_inserter(params), isEditableProperty);
    // The element's own settings first, those every element of its base classes has last.
    std::stable_sort(params.begin(), params.end(), [](const GParamSpec* a, const GParamSpec* b) {
        return g_type_depth(a->owner_type) > g_type_depth(b->owner_type);
    });
    for (GParamSpec* param : params) {
        ScopedValue present(param->value_type);
        g_object_get_property(G_OBJECT(element), param->name, present.get());
        properties_.append(describeProperty(param));
        values_.append(variantOf(present.get()));
    }
}

qsizetype ElementProperties::indexOf(const QString& name) const {
    for (qsizetype i = 0; i < properties_.size(); ++i) {
        if (properties_[i].name == name) {
            return i;
        }
    }
    return -1;
}

bool ElementProperties::setValue(qsizetype index, const QVariant& value) {
    if (index < 0 || index >= properties_.size()) {
        return false;
    }
    const EditableProperty& property = properties_[index];
    const QString text = value.toString().trimmed();
    std::optional<QVariant> accepted;
    switch (property.type) {
        case PropertyType::Boolean:
            accepted = booleanFrom(value);
            break;
        case PropertyType::Integer:
            accepted = integerFrom(property, text);
            break;
        case PropertyType::Decimal:
            accepted = decimalFrom(property, text);
            break;
        case PropertyType::Enumeration:
            accepted = choiceFrom(property, text);
            break;
        case PropertyType::Flags:
            accepted = flagsFrom(property, text);
            break;
        case PropertyType::Text:
            accepted = value.isValid() ? QVariant(value.toString()) : QVariant();
            break;
    }
    if (!accepted) {
        return false;
    }
    values_[index] = *accepted;
    return true;
}

QString ElementProperties::valueText(qsizetype index) const {
    const EditableProperty& property = properties_.at(index);
    const QVariant& value = values_.at(index);
    switch (property.type) {
        case PropertyType::Boolean:
            return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
        case PropertyType::Decimal:
            return QString::number(value.toDouble(), 'g', 10);
        case PropertyType::Enumeration:
            for (const PropertyChoice& choice : property.choices) {
                if (qlonglong(choice.value) == value.toLongLong()) {
                    return choice.name;
                }
            }
            return value.toString();
        case PropertyType::Flags: {
            QStringList names;
            for (const PropertyChoice& choice : property.choices) {
                if ((value.toULongLong() & choice.value) == choice.value) {
                    names.append(choice.name);
                }
            }
            return names.join(QStringLiteral(" | "));
        }
        case PropertyType::Integer:
        case PropertyType::Text:
            break;
    }
    return value.toString();
}

void ElementProperties::restoreDefaults() {
    for (qsizetype i = 0; i < properties_.size(); ++i) {
        values_[i] = properties_[i].defaultValue;
    }
}

void ElementProperties::applyTo(GstElement* element) const {
    if (!element) {
        return;
    }
    GObjectClass* objectClass = G_OBJECT_GET_CLASS(element);
    for (qsizetype i = 0; i < properties_.size(); ++i) {
        const QByteArray name = properties_[i].name.toUtf8();
        GParamSpec* param = g_object_class_find_property(objectClass, name.constData());
        if (!param || !isEditableProperty(param)) {
            continue;  // another kind of element than the one read
        }
        ScopedValue wanted(param->value_type);
        ScopedValue present(param->value_type);
        setGValue(wanted.get(), values_[i]);
        g_object_get_property(G_OBJECT(element), param->name, present.get());
        if (g_param_values_cmp(param, wanted.get(), present.get()) != 0) {
            g_object_set_property(G_OBJECT(element), param->name, wanted.get());
        }
    }
}

bool hasEditableProperties(GType elementType) {
    if (!g_type_is_a(elementType, G_TYPE_OBJECT)) {
        return false;
    }
    auto* objectClass = static_cast<GObjectClass*>(g_type_class_ref(elementType));
    guint count = 0;
    GParamSpec** params = g_object_class_list_properties(objectClass, &count);
    bool found = false;
    for (guint i = 0; i < count && !found; ++i) {
        found = isEditableProperty(params[i]);
    }
    g_free(params);
    g_type_class_unref(objectClass);
    return found;
}

bool hasEditableProperties(GstElement* element) {
    return element && hasEditableProperties(G_OBJECT_TYPE(element));
}
