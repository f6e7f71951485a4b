#include <QApplication>
#include <QFile>
#include <QWindow>

#include "player/PlaybackEngine.h"
#include "tests/common/TestMedia.h"
#include "tests/player/PlayerFixture.h"

namespace {

TEST_F(PlayerTest, PlaysPausesStopsAndSeeksAsTheStateTableSays) {
    ASSERT_TRUE(open(numberedClip()));
    VideoWindow* window = player.videoWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(player.state(), PlayState::Stopped);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->size(), QSize(96, 64));
    EXPECT_EQ(window->windowTitle(), "numbered.mp4  ");
    EXPECT_EQ(waitForPictureAt(0), 0);
    EXPECT_EQ(player.stopPosition(), 90 * kSecond);

    // Pause and Stop do nothing while stopped.
    player.PauseClip();
    player.StopClip();
    EXPECT_EQ(player.state(), PlayState::Stopped);

    // Seeking shows the exact picture and keeps the state.
    EXPECT_TRUE(succeeded(player.SeekClip(45 * kSecond)));
    EXPECT_EQ(player.state(), PlayState::Stopped);
    EXPECT_EQ(waitForPictureAt(45 * kSecond), 450);
    EXPECT_EQ(player.currentPosition(), 45 * kSecond);

    player.PlayClip();
    EXPECT_EQ(player.state(), PlayState::Running);
    EXPECT_TRUE(waitFor([&] { return window->frame().position >= 46 * kSecond; }));
    EXPECT_TRUE(waitFor([&] { return player.currentPosition() >= 46 * kSecond; }));
    // The picture and the time it is shown at agree while playing.
    const int64_t playing = window->frame().position;
    EXPECT_EQ(frameNumberShown(window->frame().image), playing / (kSecond / 10));

    EXPECT_TRUE(succeeded(player.SeekClip(20 * kSecond)));
    EXPECT_EQ(player.state(), PlayState::Running);
    const int afterSeek = waitForPictureAt(20 * kSecond);
    EXPECT_GE(afterSeek, 200);
    EXPECT_LE(afterSeek, 201);

    player.PauseClip();
    EXPECT_EQ(player.state(), PlayState::Paused);
    EXPECT_EQ(window->windowTitle(), "numbered.mp4  (Paused)");
    player.PauseClip();
    EXPECT_EQ(player.state(), PlayState::Paused);
    EXPECT_TRUE(succeeded(player.SeekClip(30 * kSecond + 1)));
    EXPECT_EQ(waitForPictureAt(30 * kSecond), 300);
    EXPECT_EQ(player.state(), PlayState::Paused);

    player.StopClip();
    EXPECT_EQ(player.state(), PlayState::Stopped);
    EXPECT_EQ(window->windowTitle(), "numbered.mp4  ");
    EXPECT_EQ(waitForPictureAt(0), 0);
    EXPECT_EQ(player.currentPosition(), 0);

    player.CloseClip();
    EXPECT_EQ(player.state(), PlayState::Init);
    EXPECT_EQ(player.videoWindow(), nullptr);
    EXPECT_TRUE(player.clipPath.isEmpty());
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(PlayerTest, TheEndOfTheClipRewindsToTheFirstPictureAndStops) {
    ASSERT_TRUE(open(shortNumberedClip()));
    player.PlayClip();
    ASSERT_EQ(player.state(), PlayState::Running);
    ASSERT_TRUE(waitFor([&] { return player.state() == PlayState::Stopped; }));
    EXPECT_EQ(waitForPictureAt(0), 0);
    player.PlayClip();
    EXPECT_EQ(player.state(), PlayState::Running);
    EXPECT_TRUE(waitFor([&] { return player.state() == PlayState::Stopped; }));
}

TEST_F(PlayerTest, SoundOnlyPlaysWithTheWindowHidden) {
    ASSERT_TRUE(open(clips::audioOnly()));
    EXPECT_TRUE(player.isAudioOnly());
    ASSERT_TRUE(player.videoWindow());
    EXPECT_FALSE(player.videoWindow()->isVisible());
    player.ToggleFullScreen();
    EXPECT_FALSE(player.isFullScreen());

    int updates = 0;
    QObject::connect(&player, &CVcdCore::positionUpdated, [&] { ++updates; });
    player.PlayClip();
    EXPECT_EQ(player.state(), PlayState::Running);
    EXPECT_TRUE(waitFor([&] { return player.currentPosition() >= kSecond; }));
    EXPECT_GE(updates, 1);
    EXPECT_EQ(player.stopPosition(), 3 * kSecond);
    EXPECT_TRUE(waitFor([&] { return player.state() == PlayState::Stopped; }));
}

TEST_F(PlayerTest, AFileThatCannotBePlayedGetsOneMessageAndNoWindow) {
    const QString notMedia = clips::corrupt();
    const QString missing = testMediaFolder() + "/no such file.avi";
    for (const QString& path : {notMedia, missing}) {
        dialogs.messages.clear();
        EXPECT_FALSE(open(path)) << path.toStdString();
        ASSERT_EQ(dialogs.messages.size(), 1);
        const MessageRequest& message = dialogs.messages.front();
        EXPECT_EQ(message.text,
                  "Cannot play the file.  The file is either corrupt or\nthe player does not "
                  "support the format you are trying to play.\nYou need to install appropriate "
                  "decoders.");
        EXPECT_EQ(message.caption, "Quenzel");
        EXPECT_FALSE(message.ownedByMainWindow);
        EXPECT_FALSE(message.details.isEmpty());
        EXPECT_EQ(player.state(), PlayState::Init);
        EXPECT_EQ(player.videoWindow(), nullptr);
    }
    for (QWidget* window : QApplication::topLevelWidgets()) {
        EXPECT_NE(window->accessibleName(), "Video Window");
    }
}

TEST_F(PlayerTest, AClipCutOffInTheMiddleEndsStopped) {
    ASSERT_TRUE(open(cutOffClip()));
    player.PlayClip();
    ASSERT_TRUE(waitFor([&] { return player.state() == PlayState::Stopped; }, 30000));
    player.PlayClip();
    EXPECT_EQ(player.state(), PlayState::Running);
    player.CloseClip();
}

TEST_F(PlayerTest, APhoneRecordingIsShownUpright) {
    ASSERT_TRUE(open(rotatedClip()));
    VideoWindow* window = player.videoWindow();
    EXPECT_EQ(window->pictureSize(), QSize(90, 160));
    EXPECT_EQ(window->size(), QSize(90, 160));
    EXPECT_EQ(window->frame().image.size(), QSize(90, 160));
}

TEST_F(PlayerTest, OddFileNamesPlayAndAreShownAsTheyAre) {
    // MPEG-4 Part 2 with PCM sound in AVI, under a name with blanks, "%", "[*]" and "ü".
    const QString odd = testMediaFolder() + "/clip #1 100% [*] ü.avi";
    ASSERT_TRUE(QFile::copy(clips::halfSecond(), odd));
    ASSERT_TRUE(open(odd));
    EXPECT_EQ(player.videoWindow()->pictureSize(), QSize(160, 120));
    ASSERT_TRUE(player.videoWindow()->windowHandle());
    EXPECT_EQ(player.videoWindow()->windowHandle()->title(), "clip #1 100% [*] ü.avi  ");
}

}  // namespace

// Each Open Video makes a pipeline; the one closed before must go with everything it decoded.
TEST(ClosedPlayer, LeavesNoPipelineAlive) {
    std::unique_ptr<PlaybackEngine> engine;
    ASSERT_TRUE(succeeded(PlaybackEngine::open(numberedClip(), &engine)));
    ASSERT_TRUE(succeeded(engine->run()));
    ASSERT_TRUE(waitFor([&] { return engine->frames().latestFrame().serial >= 3; }));
    engine->pause();
    GObjectPtr<GstObject> top(gst_object_get_parent(GST_OBJECT(engine->frames().element())));
    while (top && GObjectPtr<GstObject>(gst_object_get_parent(top.get()))) {
        top.reset(gst_object_get_parent(top.get()));
    }
    ASSERT_TRUE(top && GST_IS_PIPELINE(top.get()));
    GWeakRef pipeline;
    g_weak_ref_init(&pipeline, top.get());
    top.reset();
    engine.reset();
    GObjectPtr<GObject> alive(static_cast<GObject*>(g_weak_ref_get(&pipeline)));
    EXPECT_FALSE(alive) << "the closed player's pipeline is still alive, with "
                        << (alive ? alive->ref_count : 0) << " references";
    alive.reset();
    g_weak_ref_clear(&pipeline);
}
