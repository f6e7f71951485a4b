#include "player/WindowOrder.h"

#include <QWidget>
#include <QWindow>

void setKeptOnTop(QWidget* window, bool onTop) {
    if (!window) {
        return;
    }
    Qt::WindowFlags flags = window->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    // QWidget::setWindowFlags would hide and re-create the window: tell the window system
    // directly and only record the flags on the widget.
    window->overrideWindowFlags(flags);
    if (QWindow* handle = window->windowHandle()) {
        handle->setFlags(flags);
    }
}

bool isKeptOnTop(const QWidget* window) {
    return window && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}
