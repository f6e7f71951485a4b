#pragma once

#include <QAction>
#include <QObject>
#include <QVariant>
#include <QWidget>

// Numeric identifiers of controls and menu commands. Every control of a dialog keeps the numeric
// identifier it has in the program's tables (texts are applied by it, commands routed by it), held
// as a dynamic property of the widget; 0 means none. Menu commands carry theirs the same way on
// their QAction, in a property of its own, so that QAction::data() stays free for its owner.

inline constexpr const char* kControlIdProperty = "controlId";
inline constexpr const char* kCommandIdProperty = "commandId";

inline void setControlId(QWidget* control, int id) {
    control->setProperty(kControlIdProperty, id);
}

// 0 when the object has no identifier.
inline int controlId(const QObject* control) {
    return control->property(kControlIdProperty).toInt();
}

inline void setCommandId(QAction* action, int id) {
    action->setProperty(kCommandIdProperty, id);
}

// 0 when the action has no identifier (separators, submenu items).
inline int commandId(const QAction* action) {
    return action->property(kCommandIdProperty).toInt();
}
