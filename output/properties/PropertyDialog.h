#pragma once

#include <QDialog>
#include <QList>

class ElementProperties;

// The captions of the dialog's buttons: English unless the caller has them in the user's language.
struct PropertyDialogTexts {
    QString ok = QStringLiteral("OK");
    QString cancel = QStringLiteral("Cancel");
    QString defaults = QStringLiteral("&Defaults");
};

// Edits the settings of one GStreamer element, held in an ElementProperties, the way a property
// page does: one row per property with an editor of its kind (a check box, a number box within the
// property's range, a list of the enumeration's values or of the flags, a text box), the
// property's description as tooltip, a button back to the element's defaults, OK and Cancel.
// The editors change `properties` as the user types; the caller applies them to the element on OK
// and drops them on Cancel.
class PropertyDialog : public QDialog {
    Q_OBJECT

  public:
    PropertyDialog(ElementProperties& properties, const QString& caption, QWidget* parent = nullptr,
                   const PropertyDialogTexts& texts = {});

    // The editor of a property; its object name is the property's name.
    QWidget* editor(const QString& propertyName) const;

  private:
    QWidget* makeEditor(qsizetype index);
    QWidget* makeNumberEditor(qsizetype index);
    QWidget* makeTextEditor(qsizetype index);
    QWidget* makeChoiceEditor(qsizetype index);
    QWidget* makeFlagsEditor(qsizetype index);
    void showValue(qsizetype index);
    void restoreDefaults();

    ElementProperties& properties_;
    QList<QWidget*> editors_;
    bool showing_ = false;  // changes made by showValue are not the user's
};
