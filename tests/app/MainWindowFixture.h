#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <memory>

#include "app/ConverterSession.h"
#include "app/PlayerPanel.h"
#include "app/ReelcraftDlg.h"
#include "base/SettingsStore.h"
#include "language/Language.h"
#include "media/Status.h"
#include "player/VcdCore.h"
#include "player/VideoWindow.h"
#include "tests/common/ScriptedDialogs.h"
#include "tests/common/TempConfig.h"
#include "tests/common/TestMedia.h"

inline constexpr int64_t kSecond = 10'000'000;

// 90 s at 10 fps, 160x120, H.264 with a key frame every 2 s and sound, under a name with a blank,
// a "%1" and a non-Latin letter. Made once per test program.
inline QString ninetySecondClip() {
    static const QString path = [] {
        const QString file = testMediaFolder() + QStringLiteral("/clip é %1.mp4");
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"), {"-v",
                                                "error",
                                                "-y",
                                                "-f",
                                                "lavfi",
                                                "-i",
                                                "testsrc=size=160x120:rate=10:duration=90",
                                                "-f",
                                                "lavfi",
                                                "-i",
                                                "sine=frequency=440:duration=90",
                                                "-c:v",
                                                "libx264",
                                                "-preset",
                                                "ultrafast",
                                                "-g",
                                                "20",
                                                "-c:a",
                                                "aac",
                                                "-shortest",
                                                file});
        if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0) {
            ADD_FAILURE() << "ffmpeg failed: " << ffmpeg.readAllStandardError().toStdString();
            return QString();
        }
        return file;
    }();
    return path;
}

// A main window on an empty configuration, writing its output into a folder of its own.
class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() {
        outputName = output.filePath(QStringLiteral("out é %1.avi"));
        store.writeText(QStringLiteral("Settings"), QStringLiteral("OutputName"), outputName);
        language.Init(qEnvironmentVariable("QUENZEL_BIN_DIR"), QStringLiteral("english"));
        window =
            std::make_unique<CReelcraftDlg>(MainWindowContext{store, dialogs, language, dragFlag});
        window->show();
    }

    QString text(int id) const { return window->controlText(id); }
    bool enabled(int id) const { return window->controls()[id]->isEnabled(); }
    QSlider* slider() const {
        return window->controls().get<QSlider>(main_window_control::kSlider);
    }
    CVcdCore* player() const { return window->playerPanel().player(); }

    void open() {
        ASSERT_TRUE(window->openFile(ninetySecondClip()));
        ASSERT_NE(player(), nullptr);
    }

    // Holds the slider, drags it to `position` and lets it go, as the mouse would.
    void releaseSliderAt(int position) {
        slider()->setSliderDown(true);
        EXPECT_EQ(dragFlag, 1);
        slider()->setSliderPosition(position);
        slider()->setSliderDown(false);
        EXPECT_EQ(dragFlag, 0);
    }

    // Seeks the player to a whole second and marks it.
    void markAt(int64_t seconds, int command) {
        ASSERT_TRUE(succeeded(player()->SeekClip(seconds * kSecond)));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return player()->currentPosition() == seconds * kSecond; }, 10000));
        window->runCommand(command);
    }

    bool waitUntilIdle(int boundMs = 120000) {
        return QTest::qWaitFor([&] { return !window->converter().isConverting(); }, boundMs);
    }

    TempConfig config;
    QTemporaryDir output;
    QString outputName;
    ScriptedDialogs dialogs;
    SettingsStore store{QStringLiteral("quenzel")};
    CLanguage language{store, dialogs};
    int32_t dragFlag = 0;
    std::unique_ptr<CReelcraftDlg> window;
};
