#include <gtest/gtest.h>

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "controls/IconButton.h"
#include "media/Sound.h"
#include "tests/controls/ControlWindow.h"

namespace {

class CountingSound : public Sound {
  public:
    void play() override { ++plays; }
    int plays = 0;
};

QIcon redIcon() {
    QPixmap picture(32, 32);
    picture.fill(Qt::red);
    return QIcon(picture);
}

class IconButtonTest : public ::testing::Test {
  protected:
    IconButtonTest() {
        help = new CIconButton(QStringLiteral("&Help"), &window);
        help->setGeometry(20, 20, 100, 60);
        exit = new CIconButton(QStringLiteral("Exit"), &window);
        exit->setGeometry(200, 20, 100, 60);
        for (CIconButton* button : {help, exit}) {
            button->SetButtonIcon(redIcon());
            button->SetHoverSound(sound);
            button->SetTransparent();
            button->SetImageAlignment(1);
        }
        window.showActive();
    }

    ControlWindow window;
    CIconButton* help = nullptr;
    CIconButton* exit = nullptr;
    std::shared_ptr<CountingSound> sound = std::make_shared<CountingSound>();
};

TEST_F(IconButtonTest, HoverSoundPlaysOncePerVisitAndNeverForADragFromElsewhere) {
    window.moveMouseTo(help);
    EXPECT_EQ(sound->plays, 1);
    EXPECT_TRUE(help->isHovered());
    window.moveMouseTo(help, {10, 5});
    window.moveMouseTo(help, {-10, -5});
    EXPECT_EQ(sound->plays, 1);

    window.moveMouse(ControlWindow::kEmptySpot);
    EXPECT_FALSE(help->isHovered());
    window.moveMouseTo(help);
    EXPECT_EQ(sound->plays, 2);
    window.moveMouseTo(exit);  // straight from one button to the next
    EXPECT_EQ(sound->plays, 3);
    EXPECT_FALSE(help->isHovered());

    window.moveMouse(ControlWindow::kEmptySpot);
    window.press(ControlWindow::kEmptySpot);
    window.moveMouseTo(help);
    EXPECT_FALSE(help->isHovered());
    EXPECT_EQ(sound->plays, 3);
    window.release(help->geometry().center());
}

// A flat button's frames are one pixel wide: raised while the mouse is over it, sunken while it is
// pressed; the focus draws nothing on it.
TEST_F(IconButtonTest, FramesAreOnePixelRaisedOrSunkenAndFocusDrawsNothing) {
    const QRgb light = help->palette().color(QPalette::Light).rgb();
    const QRgb dark = help->palette().color(QPalette::Dark).rgb();
    const auto shot = [this] { return help->grab().toImage(); };
    const QImage untouched = shot();
    window.moveMouseTo(help);
    QImage hovered = shot();
    EXPECT_EQ(hovered.pixel(0, 10), light);
    EXPECT_EQ(hovered.pixel(hovered.width() - 1, 10), dark);
    EXPECT_EQ(hovered.pixelColor(1, 10), untouched.pixelColor(1, 10)) << "a second line is drawn";
    help->setDown(true);
    QImage pressed = shot();
    EXPECT_EQ(pressed.pixel(0, 10), dark);
    EXPECT_EQ(pressed.pixel(pressed.width() - 1, 10), light);
    help->setDown(false);
    window.moveMouse(ControlWindow::kEmptySpot);
    help->setFocus(Qt::TabFocusReason);  // the focus, as the keyboard gives it
    EXPECT_EQ(shot(), untouched);
}

TEST_F(IconButtonTest, DoubleClickRunsTheCommandTwice) {
    QSignalSpy clicks(help, &QPushButton::clicked);
    QTest::mouseDClick(window.windowHandle(), Qt::LeftButton, {}, help->geometry().center());
    EXPECT_EQ(clicks.size(), 2);
}

TEST_F(IconButtonTest, DisabledButtonIsGrayedAndNeverTakesTheFocus) {
    auto iconCentre = [&] {
        const QImage shot = help->grab().toImage();
        return shot.pixelColor(shot.width() / 2, 3 + 16);  // the icon sits 3 pixels from the top
    };
    EXPECT_EQ(iconCentre(), QColor(Qt::red));

    help->setFocus();
    ASSERT_TRUE(help->hasFocus());
    help->setEnabled(false);
    EXPECT_FALSE(help->hasFocus());
    help->setFocus();
    EXPECT_FALSE(help->hasFocus());
    const QColor grayed = iconCentre();
    EXPECT_NEAR(grayed.red(), grayed.green(), 8);
    EXPECT_NEAR(grayed.red(), grayed.blue(), 8);

    window.moveMouseTo(help);
    EXPECT_FALSE(help->isHovered());
    EXPECT_EQ(sound->plays, 0);
}

TEST_F(IconButtonTest, KeyboardAndScreenReadersReachItByItsCaption) {
    QSignalSpy clicks(help, &QPushButton::clicked);
    help->setFocus();
    QTest::keyClick(help, Qt::Key_Space);
    EXPECT_EQ(clicks.size(), 1);
    QTest::keyClick(window.windowHandle(), Qt::Key_H, Qt::AltModifier);
    EXPECT_TRUE(clicks.wait(2000));  // a shortcut shows the button pressed for a moment
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(help);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Help"));
    EXPECT_EQ(accessible->role(), QAccessible::Button);

    help->SetTipText(QStringLiteral("Open a video file"));
    EXPECT_EQ(accessible->text(QAccessible::Description), QStringLiteral("Open a video file"));
    EXPECT_FALSE(help->SetImageAlignment(4));
    EXPECT_EQ(help->imageAlignment(), ImageAlignment::AboveCaption);
}

TEST(IconButtonLayout, IconAboveCaptionOrCentredWithoutOne) {
    const QRect item(0, 0, 100, 60);
    const IconButtonPlaces above =
        placeIconAndCaption(item, {32, 32}, true, ImageAlignment::AboveCaption, false);
    EXPECT_EQ(above.image, QRect(34, 3, 32, 32));
    EXPECT_EQ(above.caption, QRect(0, 32, 100, 28));
    const IconButtonPlaces pressed =
        placeIconAndCaption(item, {32, 32}, true, ImageAlignment::AboveCaption, true);
    EXPECT_EQ(pressed.image, QRect(35, 4, 32, 32));
    EXPECT_EQ(pressed.caption, QRect(1, 33, 100, 28));
    EXPECT_EQ(placeIconAndCaption(item, {32, 32}, false, ImageAlignment::AboveCaption, false).image,
              QRect(34, 14, 32, 32));
}

}  // namespace
