#include "output/properties/PropertyValues.h"

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

void describeNumbers(EditableProperty& property, GParamSpec* param) {
    switch (G_TYPE_FUNDAMENTAL(param->value_type)) {
        case G_TYPE_INT:
            property.minimum = qlonglong(G_PARAM_SPEC_INT(param)->minimum);
            property.maximum = qlonglong(G_PARAM_SPEC_INT(param)->maximum);
            break;
        case G_TYPE_UINT:
            property.isUnsigned = true;
            property.minimum = qulonglong(G_PARAM_SPEC_UINT(param)->minimum);
            property.maximum = qulonglong(G_PARAM_SPEC_UINT(param)->maximum);
            break;
        case G_TYPE_LONG:
            property.minimum = qlonglong(G_PARAM_SPEC_LONG(param)->minimum);
            property.maximum = qlonglong(G_PARAM_SPEC_LONG(param)->maximum);
            break;
        case G_TYPE_ULONG:
            property.isUnsigned = true;
            property.minimum = qulonglong(G_PARAM_SPEC_ULONG(param)->minimum);
            property.maximum = qulonglong(G_PARAM_SPEC_ULONG(param)->maximum);
            break;
        case G_TYPE_INT64:
            property.minimum = qlonglong(G_PARAM_SPEC_INT64(param)->minimum);
            property.maximum = qlonglong(G_PARAM_SPEC_INT64(param)->maximum);
            break;
        case G_TYPE_UINT64:
            property.isUnsigned = true;
            property.minimum = qulonglong(G_PARAM_SPEC_UINT64(param)->minimum);
            property.maximum = qulonglong(G_PARAM_SPEC_UINT64(param)->maximum);
            break;
        case G_TYPE_FLOAT:
            property.minimum = double(G_PARAM_SPEC_FLOAT(param)->minimum);
            property.maximum = double(G_PARAM_SPEC_FLOAT(param)->maximum);
            break;
        case G_TYPE_DOUBLE:
            property.minimum = G_PARAM_SPEC_DOUBLE(param)->minimum;
            property.maximum = G_PARAM_SPEC_DOUBLE(param)->maximum;
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

}  // namespace

bool isEditableProperty(const GParamSpec* param) {
    constexpr int kReadWrite = G_PARAM_READABLE | G_PARAM_WRITABLE;
    if ((param->flags & kReadWrite) != kReadWrite ||
        (param->flags & (G_PARAM_CONSTRUCT_ONLY | G_PARAM_DEPRECATED))) {
        return false;
    }
    // Renaming an element would lose it in its graph; the parent is no setting.
    if (g_strcmp0(param->name, "name") == 0 || g_strcmp0(param->name, "parent") == 0) {
        return false;
    }
    return isEditableKind(param->value_type);
}

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

EditableProperty describeProperty(GParamSpec* param) {
    EditableProperty property;
    property.name = QString::fromUtf8(param->name);
    property.nick = QString::fromUtf8(g_param_spec_get_nick(param));
    property.blurb = QString::fromUtf8(g_param_spec_get_blurb(param));
    property.type = typeOf(param->value_type);
    describeNumbers(property, param);
    if (property.type == PropertyType::Enumeration) {
        const GEnumClass* values = G_PARAM_SPEC_ENUM(param)->enum_class;
        for (guint i = 0; i < values->n_values; ++i) {
            property.choices.append({QString::fromUtf8(values->values[i].value_name),
                                     quint64(qint64(values->values[i].value))});
        }
    } else if (property.type == PropertyType::Flags) {
        const GFlagsClass* flags = G_PARAM_SPEC_FLAGS(param)->flags_class;
        for (guint i = 0; i < flags->n_values; ++i) {
            if (flags->values[i].value != 0) {
                property.choices.append(
                    {QString::fromUtf8(flags->values[i].value_name), flags->values[i].value});
            }
        }
    }
    property.defaultValue = variantOf(g_param_spec_get_default_value(param));
    return property;
}
