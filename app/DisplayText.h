#pragma once

#include <QLabel>

// Shows a text that changes (status line, position, times) and gives it to screen readers as the
// control's name; an empty text is named by its role (the accessible description) instead.
inline void showDisplayText(QLabel* display, const QString& text) {
    display->setText(text);
    display->setAccessibleName(text.isEmpty() ? display->accessibleDescription() : text);
}
