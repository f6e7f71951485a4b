#include "output/properties/GraphPropertiesDialog.h"

#include <QListWidget>
#include <QPushButton>
#include <array>

#include "output/properties/ElementProperties.h"
#include "output/properties/GraphElements.h"
#include "output/properties/PropertyDialog.h"

namespace {

using namespace graph_properties_control;

constexpr std::array kControls = {
    ControlTemplate{kElements, ControlKind::ListBox, "", 7, 7, 173, 160, 0, 0, "Filters"},
    ControlTemplate{kSettings, ControlKind::PushButton, "&Settings", 7, 175, 50, 14,
                    control_style::kDisabled},
    ControlTemplate{kContinue, ControlKind::PushButton, "&Continue", 130, 175, 50, 14},
};

constexpr DialogTemplate kTemplate{CDialogFilterPerproty::kDialogId, "Set Filter's Properties", 187,
                                   196, kControls};

}  // namespace

CDialogFilterPerproty::CDialogFilterPerproty(GstPipeline* graph, QWidget* parent)
    : QDialog(parent), graph_(graph) {
    controls_ = buildDialog(this, kTemplate);
    auto* elements = controls_.get<QListWidget>(kElements);
    elements->addItems(graphElementNames(graph_));
    elements->setCurrentRow(0);
    updateSettingsButton();
    fitDialogToTexts(this, controls_);

    connect(elements, &QListWidget::currentRowChanged, this,
            &CDialogFilterPerproty::updateSettingsButton);
    connect(controls_.get<QPushButton>(kSettings), &QPushButton::clicked, this,
            &CDialogFilterPerproty::editSelectedElement);
    connect(controls_.get<QPushButton>(kContinue), &QPushButton::clicked, this, &QDialog::reject);
}

QString CDialogFilterPerproty::selectedName() const {
    const QListWidgetItem* item = controls_.get<QListWidget>(kElements)->currentItem();
    return item ? item->text() : QString();
}

void CDialogFilterPerproty::updateSettingsButton() {
    // An entry that names no element leaves the button as it was.
    if (GObjectPtr<GstElement> element = findFilterByName(graph_, selectedName())) {
        controls_[kSettings]->setEnabled(hasEditableProperties(element.get()));
    }
}

void CDialogFilterPerproty::editSelectedElement() {
    const QString name = selectedName();
    GObjectPtr<GstElement> element = findFilterByName(graph_, name);
    if (!element || !hasEditableProperties(element.get())) {
        return;
    }
    ElementProperties properties(element.get());
    PropertyDialog dialog(properties, name, this);
    if (dialog.exec() == QDialog::Accepted) {
        properties.applyTo(element.get());
    }
}

void showFilterPropertyDialog(GstPipeline* graph, QWidget* owner) {
    CDialogFilterPerproty dialog(graph, owner);
    dialog.exec();
}
