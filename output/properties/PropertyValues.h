#pragma once

#include <gst/gst.h>

#include <QList>
#include <QString>
#include <QVariant>

// The GObject properties the settings dialogs edit, and how their values pass between GLib and
// Qt.

enum class PropertyType { Boolean, Integer, Decimal, Enumeration, Flags, Text };

struct PropertyChoice {
    QString name;  // readable name of an enumeration value or flag
    quint64 value = 0;
};

struct EditableProperty {
    QString name;   // the GObject property name, e.g. "bitrate"
    QString nick;   // short readable name
    QString blurb;  // one-sentence description
    PropertyType type = PropertyType::Text;
    bool isUnsigned = false;  // integers: the limits and values are qulonglong, else qlonglong
    QVariant minimum;         // numbers only
    QVariant maximum;
    QList<PropertyChoice> choices;  // enumerations and flags
    QVariant defaultValue;
};

// Readable and writable, neither construct-only nor deprecated, of a kind with a plain editor,
// and not the element's name or parent.
bool isEditableProperty(const GParamSpec* param);
EditableProperty describeProperty(GParamSpec* param);

// A property value as a QVariant of the kinds ElementProperties::value names, and back.
QVariant variantOf(const GValue* value);
void setGValue(GValue* target, const QVariant& value);

// The property descriptions (GParamSpec) of an object's class, freed with the list.
class ClassProperties {
  public:
    explicit ClassProperties(GObject* object)
        : params_(g_object_class_list_properties(G_OBJECT_GET_CLASS(object), &count_)) {}
    ~ClassProperties() { g_free(params_); }
    ClassProperties(const ClassProperties&) = delete;
    ClassProperties& operator=(const ClassProperties&) = delete;

    GParamSpec* const* begin() const { return params_; }
    GParamSpec* const* end() const { return params_ + count_; }

  private:
    guint count_ = 0;
    GParamSpec** params_;
};

// A GValue of one type, unset at the end of its scope.
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
