#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

#include "player/PlayerMenu.h"
#include "player/WindowOrder.h"
#include "tests/player/PlayerFixture.h"

namespace {

void release(QWidget* window, Qt::MouseButton button) {
    const QPointF inside(10, 10);
    QMouseEvent event(QEvent::MouseButtonRelease, inside, window->mapToGlobal(inside), button,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window, &event);
}

void releaseEscape(QWidget* window) {
    QKeyEvent event(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(window, &event);
}

// What the right-click menu offers now: which of Full screen is checked, which items can be used.
struct Offered {
    bool fullScreen;
    bool play;
    bool pause;
    bool stop;
    bool operator==(const Offered&) const = default;
};

Offered rightClickMenu(VideoWindow* window) {
    release(window, Qt::RightButton);
    QMenu* menu = window->menu();
    EXPECT_TRUE(menu->isVisible());
    const Offered offered{
        playerMenuAction(menu, player_command::kFullScreen)->isChecked(),
        playerMenuAction(menu, player_command::kPlay)->isEnabled(),
        playerMenuAction(menu, player_command::kPause)->isEnabled(),
        playerMenuAction(menu, player_command::kStop)->isEnabled(),
    };
    menu->hide();
    return offered;
}

void choose(VideoWindow* window, int command) {
    playerMenuAction(window->menu(), command)->trigger();
}

TEST_F(PlayerTest, FullScreenPlacesThePictureAndEscapeReturns) {
    ASSERT_TRUE(open(numberedClip()));
    VideoWindow* window = player.videoWindow();
    const QRect windowed = window->geometry();
    const QRect screen = window->screen()->geometry();

    choose(window, player_command::kFullScreen);
    EXPECT_TRUE(player.isFullScreen());
    ASSERT_TRUE(waitFor([&] { return window->geometry() == screen; }));
    EXPECT_EQ(window->pictureRect(), picturePlacement(screen.size(), {96, 64}));
    // The pipeline scales pictures to the size they are shown at, even while stopped.
    EXPECT_TRUE(
        waitFor([&] { return window->frame().image.size() == window->pictureRect().size(); }));
    EXPECT_EQ(frameNumberShown(window->frame().image), 0);

    releaseEscape(window);
    EXPECT_FALSE(player.isFullScreen());
    EXPECT_TRUE(waitFor([&] { return window->geometry() == windowed; }));

    // Normal size leaves full screen first, then sizes the window to the picture.
    window->resize(200, 100);
    choose(window, player_command::kFullScreen);
    ASSERT_TRUE(waitFor([&] { return window->geometry() == screen; }));
    choose(window, player_command::kNormalSize);
    EXPECT_FALSE(player.isFullScreen());
    EXPECT_TRUE(
        waitFor([&] { return !window->isFullScreen() && window->size() == QSize(96, 64); }));
}

TEST_F(PlayerTest, TheMenuOffersWhatTheStateAllows) {
    ASSERT_TRUE(open(numberedClip()));
    VideoWindow* window = player.videoWindow();
    EXPECT_EQ(window->menu()->accessibleName(), "PREVIEW");
    EXPECT_EQ(rightClickMenu(window), (Offered{false, true, false, false}));

    choose(window, player_command::kPlay);
    EXPECT_EQ(player.state(), PlayState::Running);
    EXPECT_EQ(rightClickMenu(window), (Offered{false, false, true, true}));

    choose(window, player_command::kPause);
    EXPECT_EQ(player.state(), PlayState::Paused);
    EXPECT_EQ(rightClickMenu(window), (Offered{false, true, false, true}));

    choose(window, player_command::kFullScreen);
    EXPECT_EQ(rightClickMenu(window), (Offered{true, true, false, true}));

    choose(window, player_command::kStop);
    EXPECT_EQ(player.state(), PlayState::Stopped);
    EXPECT_EQ(rightClickMenu(window), (Offered{true, true, false, false}));
}

TEST_F(PlayerTest, ClosingTheWindowAsksTheMainWindow) {
    ASSERT_TRUE(open(shortNumberedClip()));
    int requests = 0;
    QObject::connect(&player, &CVcdCore::closeRequested, [&] {
        ++requests;
        player.CloseClip();  // what the main window does outside a conversion
    });
    choose(player.videoWindow(), player_command::kClose);
    EXPECT_TRUE(waitFor([&] { return requests == 1; }));
    EXPECT_EQ(player.state(), PlayState::Init);

    // Refused (a conversion runs): the window stays.
    ASSERT_TRUE(open(shortNumberedClip()));
    QObject::disconnect(&player, &CVcdCore::closeRequested, nullptr, nullptr);
    QObject::connect(&player, &CVcdCore::closeRequested, [&] { ++requests; });
    EXPECT_FALSE(player.videoWindow()->close());
    EXPECT_TRUE(waitFor([&] { return requests == 2; }));
    ASSERT_TRUE(player.videoWindow());
    EXPECT_TRUE(player.videoWindow()->isVisible());
}

TEST_F(PlayerTest, LeftClicksMoveTheMainWindowForwardAndBack) {
    ASSERT_TRUE(open(shortNumberedClip()));
    VideoWindow* window = player.videoWindow();
    // Outside full screen the clicks alternate, whatever way the first one goes.
    release(window, Qt::LeftButton);
    const bool afterFirst = isKeptOnTop(&mainWindow);
    release(window, Qt::LeftButton);
    EXPECT_NE(isKeptOnTop(&mainWindow), afterFirst);

    // In full screen the first click sends the main window behind the picture.
    player.ToggleFullScreen();
    release(window, Qt::LeftButton);
    EXPECT_FALSE(isKeptOnTop(&mainWindow));
    release(window, Qt::LeftButton);
    EXPECT_TRUE(isKeptOnTop(&mainWindow));
    EXPECT_TRUE(mainWindow.isVisible());
}

}  // namespace
