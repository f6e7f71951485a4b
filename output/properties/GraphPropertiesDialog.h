#pragma once

#include <gst/gst.h>

#include <QDialog>

#include "base/DialogTemplate.h"

class QWidget;

// "Set Filter's Properties" (template 164): the elements of a built pipeline, and their settings
// in the property dialog, before the pipeline runs. Its texts are English only.

namespace graph_properties_control {
inline constexpr int kElements = 1095;
inline constexpr int kSettings = 1096;
inline constexpr int kContinue = 2;
}  // namespace graph_properties_control

class CDialogFilterPerproty : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kDialogId = 164;

    // Lists the elements of `graph` (which may be null: an empty list); the graph stays the
    // caller's and must outlive the dialog.
    explicit CDialogFilterPerproty(GstPipeline* graph, QWidget* parent = nullptr);

    const DialogControls& controls() const { return controls_; }

  private:
    void updateSettingsButton();
    void editSelectedElement();
    QString selectedName() const;

    GstPipeline* graph_;
    DialogControls controls_;
};

// Shows the dialog modally over `owner` and returns when the user continues. Fits the output
// graph's FilterPropertyDialog callback:
//     job.setFilterPropertyDialog([window](GstPipeline* graph) {
//         showFilterPropertyDialog(graph, window); });
void showFilterPropertyDialog(GstPipeline* graph, QWidget* owner);
