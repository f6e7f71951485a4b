#pragma once

#include <gtest/gtest.h>

#include <QWidget>

#include "player/VcdCore.h"
#include "player/VideoWindow.h"
#include "tests/common/ScriptedDialogs.h"
#include "tests/player/PlayerClips.h"

// A main window, the dialogs, and a player opened on a clip.
class PlayerTest : public ::testing::Test {
  protected:
    PlayerTest() {
        mainWindow.setGeometry(100, 500, 400, 200);
        mainWindow.show();
    }

    bool open(const QString& path) {
        player.clipPath = path;
        return player.OpenClip();
    }

    // Waits until the window has painted a picture at the position (within half a frame at
    // 10 fps) and returns the frame number it shows.
    int waitForPictureAt(int64_t position) {
        VideoWindow* window = player.videoWindow();
        const bool shown = waitFor([&] {
            return window->paintedSerial() == window->frame().serial &&
                   std::abs(window->frame().position - position) < 500'000;
        });
        EXPECT_TRUE(shown) << "no picture at " << position << ", last at "
                           << window->frame().position;
        return frameNumberShown(window->frame().image);
    }

    ScriptedDialogs dialogs;
    QWidget mainWindow;
    CVcdCore player{&mainWindow, dialogs};
};

inline constexpr int64_t kSecond = 10'000'000;
