#pragma once

#include <QTest>
#include <QWidget>
#include <QWindow>

// A shown, active window for controls under test; the mouse is driven through the window
// system, so that enter, leave and grabs happen as they do for a user.
class ControlWindow : public QWidget {
  public:
    ControlWindow() { resize(400, 200); }

    // Once the controls are in, with the mouse on an empty spot.
    void showActive() {
        show();
        activateWindow();
        (void)QTest::qWaitForWindowActive(this);
        moveMouse(kEmptySpot);
    }

    void moveMouse(QPoint position) { QTest::mouseMove(windowHandle(), position); }
    void moveMouseTo(const QWidget* control, QPoint offset = {}) {
        moveMouse(control->geometry().center() + offset);
    }
    void press(QPoint position) { QTest::mousePress(windowHandle(), Qt::LeftButton, {}, position); }
    void release(QPoint position) {
        QTest::mouseRelease(windowHandle(), Qt::LeftButton, {}, position);
    }
    void click(const QWidget* control) {
        QTest::mouseClick(windowHandle(), Qt::LeftButton, {}, control->geometry().center());
    }

    static constexpr QPoint kEmptySpot{5, 190};
};
