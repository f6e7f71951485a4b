#include <gtest/gtest.h>

#include "player/PlayerRules.h"

namespace {

TEST(PicturePlacement, FollowsTheFullScreenTable) {
    const QSize screen(1920, 1080);
    // Ten times the picture fits both ways: centred at ten times its size.
    EXPECT_EQ(picturePlacement(screen, {160, 90}), QRect(160, 90, 1600, 900));
    // Too wide only: across the width, bands above and below.
    EXPECT_EQ(picturePlacement(screen, {200, 100}), QRect(0, 60, 1920, 960));
    // Too high only: across the height, bands left and right.
    EXPECT_EQ(picturePlacement(screen, {100, 200}), QRect(690, 0, 540, 1080));
    // Both too large, the height leaves more room: across the width.
    EXPECT_EQ(picturePlacement(screen, {1920, 800}), QRect(0, 140, 1920, 800));
    // Both too large otherwise: 640x480 becomes 1440x1080 at 240, 0.
    EXPECT_EQ(picturePlacement(screen, {640, 480}), QRect(240, 0, 1440, 1080));
    // An upright phone picture; 1080 × 0.5625 = 607.5 is cut to 607.
    EXPECT_EQ(picturePlacement(screen, {1080, 1920}), QRect(656, 0, 608, 1080));
}

TEST(PicturePlacement, FillsAWindowOfThePicturesOwnSize) {
    for (const QSize size : {QSize(640, 480), QSize(96, 64), QSize(853, 480), QSize(90, 160)}) {
        EXPECT_EQ(picturePlacement(size, size), QRect(QPoint(0, 0), size)) << size.width();
    }
    EXPECT_EQ(picturePlacement({400, 300}, {}), QRect(0, 0, 400, 300));
}

TEST(PlayerWindowSize, IsThePictureSizeScaledAndKeptOnTheScreen) {
    EXPECT_EQ(scaledWindowSize({640, 480}, 1, 1, {1920, 1050}), QSize(640, 480));
    EXPECT_EQ(scaledWindowSize({640, 480}, 1, 2, {1920, 1050}), QSize(320, 240));
    EXPECT_EQ(scaledWindowSize({1080, 1920}, 1, 1, {1920, 1050}), QSize(590, 1050));
    EXPECT_TRUE(scaledWindowSize({640, 480}, 1, 0, {1920, 1050}).isEmpty());
    EXPECT_EQ(initialPlayerRect({0, 0, 1920, 1050}, {500, 605, 700, 400}), QRect(100, 5, 700, 600));
}

TEST(PlayerTitle, IsTheFileNameAndPausedWhilePaused) {
    EXPECT_EQ(playerTitle("/home/a/clip one.avi", PlayState::Stopped), "clip one.avi  ");
    EXPECT_EQ(playerTitle("/home/a/clip one.avi", PlayState::Running), "clip one.avi  ");
    EXPECT_EQ(playerTitle("/home/a/clip one.avi", PlayState::Paused), "clip one.avi  (Paused)");
    EXPECT_EQ(playerTitle("relative %1 ü.mkv", PlayState::Paused), "relative %1 ü.mkv  (Paused)");
}

TEST(PlayerMenuState, GraysWhatCannotBeDone) {
    const auto stopped = playerMenuState(PlayState::Stopped, false);
    EXPECT_TRUE(stopped.playEnabled);
    EXPECT_FALSE(stopped.pauseEnabled);
    EXPECT_FALSE(stopped.stopEnabled);
    EXPECT_FALSE(stopped.fullScreenChecked);
    const auto paused = playerMenuState(PlayState::Paused, true);
    EXPECT_TRUE(paused.playEnabled);
    EXPECT_FALSE(paused.pauseEnabled);
    EXPECT_TRUE(paused.stopEnabled);
    EXPECT_TRUE(paused.fullScreenChecked);
    const auto running = playerMenuState(PlayState::Running, false);
    EXPECT_FALSE(running.playEnabled);
    EXPECT_TRUE(running.pauseEnabled);
    EXPECT_TRUE(running.stopEnabled);
}

}  // namespace
