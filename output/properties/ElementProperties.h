#pragma once

#include <gst/gst.h>

#include <QList>
#include <QString>
#include <QVariant>

#include "output/properties/PropertyValues.h"

// The settings of a GStreamer element that a user can edit: its readable and writable properties
// that are neither construct-only nor deprecated, of a type with a plain editor (truth values,
// numbers, enumerations, flags, texts). Holds the values apart from the element, so a dialog can
// be cancelled without touching it; applyTo writes them.

class ElementProperties {
  public:
    // Reads the editable properties of `element` and their present values; the element itself is
    // not kept.
    explicit ElementProperties(GstElement* element);

    bool isEmpty() const { return properties_.isEmpty(); }
    qsizetype size() const { return properties_.size(); }
    const EditableProperty& at(qsizetype index) const { return properties_.at(index); }
    // -1 when the element has no editable property of that name.
    qsizetype indexOf(const QString& name) const;

    // Values are bool, qlonglong or qulonglong (see isUnsigned), double, the enumeration value
    // (qlonglong), the flags (qulonglong) or a QString; an invalid QVariant for an unset text.
    QVariant value(qsizetype index) const { return values_.at(index); }
    // Takes a value of the property's kind, or a text that reads as one. Refuses (false, keeping
    // the old value) what is out of range, no enumeration value, or not a number.
    bool setValue(qsizetype index, const QVariant& value);
    // The value as the user reads it; numbers in C notation.
    QString valueText(qsizetype index) const;

    // Every value back to the element's own default.
    void restoreDefaults();

    // Writes every value that differs from the element's present one.
    void applyTo(GstElement* element) const;

  private:
    QList<EditableProperty> properties_;
    QList<QVariant> values_;
};

// Whether the element (or every element of the type) has at least one property
// ElementProperties can edit.
bool hasEditableProperties(GstElement* element);
bool hasEditableProperties(GType elementType);
