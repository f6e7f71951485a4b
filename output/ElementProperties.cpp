#include "output/ElementProperties.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>
#include <vector>

namespace {

bool isEditableKind(GType type) {
    switch (G_TYPE_FUNDAMENTAL(type)) {
        case G_TYPE_BOOLEAN:
        case G_TYPE_INT:
        case G_TYPE_UINT:
        case G_TYPE_LONG:
        case G_TYPE_ULONG:
        case G_TYPE_INT64:
        case G_TYPE_UINT64:
        case G_TYPE_FLOAT:
        case G_TYPE_DOUBLE:
        case G_TYPE_ENUM:
        case G_TYPE_FLAGS:
        case G_TYPE_STRING:
            return true;
        default:
            return false;
    }
}

bool isEditable(const GParamSpec* spec) {
    constexpr int kReadWrite = G_PARAM_READABLE | G_PARAM_WRITABLE;
    if ((spec->flags & kReadWrite) != kReadWrite ||
        (spec->flags & (G_PARAM_CONSTRUCT_ONLY | G_PARAM_DEPRECATED))) {
        return false;
    }
    // Renaming an element would lose it in its graph; the parent is no setting.
    if (g_strcmp0(spec->name, "name") == 0 || g_strcmp0(spec->name, "parent") == 0) {
        return false;
    }
    return isEditableKind(spec->value_type);
}

// The GParamSpecs of an object's class, freed with the list.
class PropertySpecs {
  public:
    explicit PropertySpecs(GObject* object)
        : specs_(g_object_class_list_properties(G_OBJECT_GET_CLASS(object), &count_)) {}
    ~PropertySpecs() { g_free(specs_); }
    PropertySpecs(const PropertySpecs&) = delete;
    PropertySpecs& operator=(const PropertySpecs&) = delete;

    GParamSpec* const* begin() const { return specs_; }
    GParamSpec* const* end() const { return specs_ + count_; }

  private:
    guint count_ = 0;
    GParamSpec** specs_;
};

class ScopedValue {
  public:
    explicit ScopedValue(GType type) { g_value_init(&value_, type); }
    ~ScopedValue() { g_value_unset(&value_); }
    ScopedValue(const ScopedValue&) = delete;
    ScopedValue& operator=(const ScopedValue&) = delete;
    GValue* get() { return &value_; }

  private:
    GValue value_ = G_VALUE_INIT;
};

QVariant variantOf(const GValue* value) {
    switch (G_TYPE_FUNDAMENTAL(G_VALUE_TYPE(value))) {
        case G_TYPE_BOOLEAN:
            return bool(g_value_get_boolean(value));
        case G_TYPE_INT:
            return qlonglong(g_value_get_int(value));
        case G_TYPE_UINT:
            return qulonglong(g_value_get_uint(value));
        case G_TYPE_LONG:
            return qlonglong(g_value_get_long(value));
        case G_TYPE_ULONG:
            return qulonglong(g_value_get_ulong(value));
        case G_TYPE_INT64:
            return qlonglong(g_value_get_int64(value));
        case G_TYPE_UINT64:
            return qulonglong(g_value_get_uint64(value));
        case G_TYPE_FLOAT:
            return double(g_value_get_float(value));
        case G_TYPE_DOUBLE:
            return g_value_get_double(value);
        case G_TYPE_ENUM:
            return qlonglong(g_value_get_enum(value));
        case G_TYPE_FLAGS:
            return qulonglong(g_value_get_flags(value));
        case G_TYPE_STRING: {
            const gchar* text = g_value_get_string(value);
            return text ? QVariant(QString::fromUtf8(text)) : QVariant();
        }
        default:
            return {};
    }
}

void setGValue(GValue* target, const QVariant& value) {
    switch (G_TYPE_FUNDAMENTAL(G_VALUE_TYPE(target))) {
        case G_TYPE_BOOLEAN:
            g_value_set_boolean(target, value.toBool());
            break;
        case G_TYPE_INT:
            g_value_set_int(target, gint(value.toLongLong()));
            break;
        case G_TYPE_UINT:
            g_value_set_uint(target, guint(value.toULongLong()));
            break;
        case G_TYPE_LONG:
            g_value_set_long(target, glong(value.toLongLong()));
            break;
        case G_TYPE_ULONG:
            g_value_set_ulong(target, gulong(value.toULongLong()));
            break;
        case G_TYPE_INT64:
            g_value_set_int64(target, value.toLongLong());
            break;
        case G_TYPE_UINT64:
            g_value_set_uint64(target, value.toULongLong());
            break;
        case G_TYPE_FLOAT:
            g_value_set_float(target, float(value.toDouble()));
            break;
        case G_TYPE_DOUBLE:
            g_value_set_double(target, value.toDouble());
            break;
        case G_TYPE_ENUM:
            g_value_set_enum(target, gint(value.toLongLong()));
            break;
        case G_TYPE_FLAGS:
            g_value_set_flags(target, guint(value.toULongLong()));
            break;
        case G_TYPE_STRING:
            g_value_set_string(target,
                               value.isValid() ? value.toString().toUtf8().constData() : nullptr);
            break;
        default:
            break;
    }
}

void describeNumbers(EditableProperty& property, GParamSpec* spec) {
    switch (G_TYPE_FUNDAMENTAL(spec->value_type)) {
        case G_TYPE_INT:
            property.minimum = qlonglong(G_PARAM_SPEC_INT(spec)->minimum);
            property.maximum = qlonglong(G_PARAM_SPEC_INT(spec)->maximum);
            break;
        case G_TYPE_UINT:
            property.isUnsigned = true;
            property.minimum = qulonglong(G_PARAM_SPEC_UINT(spec)->minimum);
            property.maximum = qulonglong(G_PARAM_SPEC_UINT(spec)->maximum);
            break;
        case G_TYPE_LONG:
            property.minimum = qlonglong(G_PARAM_SPEC_LONG(spec)->minimum);
            property.maximum = qlonglong(G_PARAM_SPEC_LONG(spec)->maximum);
            break;
        case G_TYPE_ULONG:
            property.isUnsigned = true;
            property.minimum = qulonglong(G_PARAM_SPEC_ULONG(spec)->minimum);
            property.maximum = qulonglong(G_PARAM_SPEC_ULONG(spec)->maximum);
            break;
        case G_TYPE_INT64:
            property.minimum = qlonglong(G_PARAM_SPEC_INT64(spec)->minimum);
            property.maximum = qlonglong(G_PARAM_SPEC_INT64(spec)->maximum);
            break;
        case G_TYPE_UINT64:
            property.isUnsigned = true;
            property.minimum = qulonglong(G_PARAM_SPEC_UINT64(spec)->minimum);
            property.maximum = qulonglong(G_PARAM_SPEC_UINT64(spec)->maximum);
            break;
        case G_TYPE_FLOAT:
            property.minimum = double(G_PARAM_SPEC_FLOAT(spec)->minimum);
            property.maximum = double(G_PARAM_SPEC_FLOAT(spec)->maximum);
            break;
        case G_TYPE_DOUBLE:
            property.minimum = G_PARAM_SPEC_DOUBLE(spec)->minimum;
            property.maximum = G_PARAM_SPEC_DOUBLE(spec)->maximum;
            break;
        default:
            break;
    }
}

PropertyType typeOf(GType valueType) {
    switch (G_TYPE_FUNDAMENTAL(valueType)) {
        case G_TYPE_BOOLEAN:
            return PropertyType::Boolean;
        case G_TYPE_FLOAT:
        case G_TYPE_DOUBLE:
            return PropertyType::Decimal;
        case G_TYPE_ENUM:
            return PropertyType::Enumeration;
        case G_TYPE_FLAGS:
            return PropertyType::Flags;
        case G_TYPE_STRING:
            return PropertyType::Text;
        default:
            return PropertyType::Integer;
    }
}

EditableProperty describe(GParamSpec* spec) {
    EditableProperty property;
    property.name = QString::fromUtf8(spec->name);
    property.nick = QString::fromUtf8(g_param_spec_get_nick(spec));
    property.blurb = QString::fromUtf8(g_param_spec_get_blurb(spec));
    property.type = typeOf(spec->value_type);
    describeNumbers(property, spec);
    if (property.type == PropertyType::Enumeration) {
        const GEnumClass* values = G_PARAM_SPEC_ENUM(spec)->enum_class;
        for (guint i = 0; i < values->n_values; ++i) {
            property.choices.append({QString::fromUtf8(values->values[i].value_name),
                                     quint64(qint64(values->values[i].value))});
        }
    } else if (property.type == PropertyType::Flags) {
        const GFlagsClass* flags = G_PARAM_SPEC_FLAGS(spec)->flags_class;
        for (guint i = 0; i < flags->n_values; ++i) {
            if (flags->values[i].value != 0) {
                property.choices.append(
                    {QString::fromUtf8(flags->values[i].value_name), flags->values[i].value});
            }
        }
    }
    property.defaultValue = variantOf(g_param_spec_get_default_value(spec));
    return property;
}

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
    const PropertySpecs all(G_OBJECT(element));
    std::vector<GParamSpec*> specs;
    std::copy_if(all.begin(), all.end(), std::back_inserter(specs), isEditable);
    // The element's own settings first, those every element of its base classes has last.
    std::stable_sort(specs.begin(), specs.end(), [](const GParamSpec* a, const GParamSpec* b) {
        return g_type_depth(a->owner_type) > g_type_depth(b->owner_type);
    });
    for (GParamSpec* spec : specs) {
        ScopedValue present(spec->value_type);
        g_object_get_property(G_OBJECT(element), spec->name, present.get());
        properties_.append(describe(spec));
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
        GParamSpec* spec = g_object_class_find_property(objectClass, name.constData());
        if (!spec || !isEditable(spec)) {
            continue;  // another kind of element than the one read
        }
        ScopedValue wanted(spec->value_type);
        ScopedValue present(spec->value_type);
        setGValue(wanted.get(), values_[i]);
        g_object_get_property(G_OBJECT(element), spec->name, present.get());
        if (g_param_values_cmp(spec, wanted.get(), present.get()) != 0) {
            g_object_set_property(G_OBJECT(element), spec->name, wanted.get());
        }
    }
}

bool hasEditableProperties(GType elementType) {
    if (!g_type_is_a(elementType, G_TYPE_OBJECT)) {
        return false;
    }
    auto* objectClass = static_cast<GObjectClass*>(g_type_class_ref(elementType));
    guint count = 0;
    GParamSpec** specs = g_object_class_list_properties(objectClass, &count);
    bool found = false;
    for (guint i = 0; i < count && !found; ++i) {
        found = isEditable(specs[i]);
    }
    g_free(specs);
    g_type_class_unref(objectClass);
    return found;
}

bool hasEditableProperties(GstElement* element) {
    return element && hasEditableProperties(G_OBJECT_TYPE(element));
}
