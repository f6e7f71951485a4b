#include <QAccessible>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include "app/MainWindowState.h"
#include "language/LanguageCommands.h"
#include "output/settings/OutputOptionsDialog.h"
#include "project/SourceOpener.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/common/FileProbe.h"
#include "tests/output/ModalAnswer.h"

using namespace main_window_control;

TEST_F(MainWindowTest, FirstStartShowsTheIdleWindow) {
    EXPECT_EQ(text(kStatusLine),
              QStringLiteral("Output file: %1     Resolution: Original size").arg(outputName));
    EXPECT_EQ(window->state(), MainWindowState::NoSource);
    for (int id : {kConvert, kSlider, kPlay, kPause, kStop, kStartTime, kEndTime, kStartTimeText,
                   kEndTimeText}) {
        EXPECT_FALSE(enabled(id)) << id;
    }
    EXPECT_TRUE(enabled(kOpenVideo));
    EXPECT_EQ(text(kStartTimeText), "00:00:00");
    EXPECT_EQ(text(kEndTimeText), "00:00:00");
    EXPECT_EQ(slider()->maximum(), 600);
    EXPECT_EQ(window->windowTitle(), "Quenzel");
    // Screen readers hear the changing texts by their current text and their role.
    EXPECT_EQ(window->controls()[kStatusLine]->accessibleName(), text(kStatusLine));
    EXPECT_EQ(window->controls()[kStartTimeText]->accessibleDescription(), "Start time");
    // Commands of disabled controls do nothing, shortcuts included.
    window->runCommand(kStartTime);
    EXPECT_EQ(text(kStartTimeText), "00:00:00");

    // A right click on the background offers the popup menu all the same.
    QStringList offered;
    QTimer::singleShot(200, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            for (QAction* action : popup->actions()) {
                offered.append(action->text());
            }
            popup->close();
        }
    });
    QTest::mouseClick(window.get(), Qt::RightButton, {}, QPoint(2, window->height() / 2));
    EXPECT_EQ(offered, QStringList({"Language", "Font", "About"}));
}

TEST_F(MainWindowTest, OpenPlaySeekMarkOptionsAndConvert) {
    dialogs.files.push_back(ninetySecondClip());
    window->runCommand(kOpenVideo);
    ASSERT_EQ(dialogs.fileRequests.size(), 1);
    EXPECT_EQ(dialogs.fileRequests[0].title, "Open a video file");
    EXPECT_EQ(dialogs.fileRequests[0].filters[0].description, "Any Files (*.*)");
    EXPECT_TRUE(dialogs.fileRequests[0].filters[1].patterns.contains("*.webm"));
    ASSERT_NE(player(), nullptr);
    EXPECT_EQ(store.readText("Option", "LastPhotoFolder", {}), folderOf(ninetySecondClip()));

    EXPECT_EQ(window->state(), MainWindowState::SourceOpen);
    EXPECT_EQ(text(kStatusLine),
              QStringLiteral("Output file: %1     Resolution: 160*120").arg(outputName));
    EXPECT_EQ(text(kPosition), "00:00:00 / 00:01:30");
    EXPECT_EQ(text(kEndTimeText), "00:01:30");
    for (int id : kStatefulControls) {
        EXPECT_TRUE(enabled(id)) << id;
    }

    window->runCommand(kPlay);
    EXPECT_TRUE(QTest::qWaitFor([&] { return player()->state() == PlayState::Running; }, 10000));
    window->runCommand(kPause);
    // A held slider stays where the user holds it.
    slider()->setSliderDown(true);
    slider()->setSliderPosition(100);
    window->playerPanel().showPosition();
    EXPECT_EQ(slider()->sliderPosition(), 100);
    slider()->setSliderDown(false);
    releaseSliderAt(300);
    EXPECT_TRUE(QTest::qWaitFor([&] { return player()->currentPosition() == 45 * kSecond; }, 10000))
        << player()->currentPosition();
    window->runCommand(kStartTime);
    EXPECT_EQ(text(kStartTimeText), "00:00:45");
    markAt(47, kEndTime);
    EXPECT_EQ(text(kEndTimeText), "00:00:47");
    EXPECT_EQ(window->project().startTime, 45 * kSecond);
    EXPECT_EQ(window->project().endTime, 47 * kSecond);

    {
        ModalAnswer ok([](QWidget* dialog) {
            for (auto* button : dialog->findChildren<QPushButton*>()) {
                if (button->property("controlId").toInt() == output_options_control::kOk) {
                    button->click();
                }
            }
        });
        window->runCommand(kOptions);
    }
    EXPECT_TRUE(text(kStatusLine).endsWith("Resolution: 160*120"));

    window->runCommand(kConvert);
    ASSERT_EQ(window->state(), MainWindowState::Converting);
    EXPECT_EQ(text(kConvert), "Stop");
    EXPECT_FALSE(enabled(kOpenVideo));
    EXPECT_FALSE(enabled(kStartTime));
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(window->state(), MainWindowState::SourceOpen);
    EXPECT_EQ(text(kConvert), "Convert");
    EXPECT_EQ(window->windowTitle(), "Quenzel");
    EXPECT_EQ(text(kStatusLine),
              QStringLiteral("Done. Output file: %1     Resolution: 160*120").arg(outputName));
    const ProbedFile written = probeFile(outputName);
    ASSERT_TRUE(written.readable);
    EXPECT_NEAR(written.duration, 2.0, 0.3);
}

TEST_F(MainWindowTest, StopKeepsTheFileAndClosingWaitsForTheConversion) {
    open();
    window->runCommand(kConvert);
    ASSERT_TRUE(window->converter().isConverting());
    for (int id : kStatefulControls) {
        EXPECT_EQ(enabled(id), isControlEnabled(MainWindowState::Converting, id)) << id;
    }
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window->converter().job().writtenTime() > 2 * kSecond; }, 60000));

    EXPECT_FALSE(window->close());
    window->runCommand(main_window_command::kClosePlayer);
    EXPECT_TRUE(window->isVisible());
    EXPECT_NE(player(), nullptr);
    EXPECT_EQ(dialogs.texts().count("Please first stop converting"), 2);

    window->runCommand(kConvert);  // Stop
    EXPECT_FALSE(enabled(kConvert));
    // Exit now: nothing is left to stop, so the window says it waits for the file, and closes
    // once the file is finished.
    EXPECT_FALSE(window->close());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 60000));
    EXPECT_TRUE(dialogs.sawText(
        "The stopped file is still being finished. Quenzel closes as soon as it is written."));
    EXPECT_EQ(window->converter().job().lastOutcome(), ConversionJob::Outcome::Stopped);
    const ProbedFile written = probeFile(outputName);
    ASSERT_TRUE(written.readable);
    EXPECT_GT(written.duration, 1.0);
    EXPECT_LT(written.duration, 89.0);
    EXPECT_EQ(store.readText("Option", "CurrentLanguage", {}), "english");
}

// The user reads the notice and leaves it open: the window closes once the file is written.
TEST_F(MainWindowTest, ExitAfterStopClosesOnceTheFileIsWrittenWithTheNoticeOpen) {
    open();
    window->runCommand(kConvert);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return window->converter().job().writtenTime() > kSecond; }, 60000));
    window->runCommand(kConvert);  // Stop
    dialogs.holdMessages = true;
    EXPECT_FALSE(window->close());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 60000));
    EXPECT_EQ(dialogs.dismissed, 1);
    EXPECT_EQ(window->converter().job().lastOutcome(), ConversionJob::Outcome::Stopped);
    EXPECT_TRUE(probeFile(outputName).readable);
}

TEST_F(MainWindowTest, APreviewWithElementSettingsShowsThemBeforeItPlays) {
    store.writeInt("Settings", "nOuptputFormat", OutputSettings::kPreviewWithProperties);
    window = std::make_unique<CReelcraftDlg>(MainWindowContext{store, dialogs, language, dragFlag});
    window->show();
    window->converter().job().setPreviewSinks("fakesink", "fakesink");
    open();
    markAt(1, kEndTime);
    QString shown;
    {
        ModalAnswer answer([&](QWidget* dialog) {
            shown = dialog->windowTitle();
            qobject_cast<QDialog*>(dialog)->accept();
        });
        window->runCommand(kConvert);
    }
    EXPECT_EQ(shown, "Set Filter's Properties");
    ASSERT_TRUE(waitUntilIdle());
}

TEST_F(MainWindowTest, AFrameworkThatCannotStartStillGivesTheWindowItsTextsAndKeys) {
    window = std::make_unique<CReelcraftDlg>(
        MainWindowContext{store, dialogs, language, dragFlag, [](QString* reason) {
                              *reason = QStringLiteral("no plugins");
                              return status::kFail;
                          }});
    window->show();
    EXPECT_TRUE(dialogs.sawText("Could not initialize COM library."));
    EXPECT_FALSE(enabled(kOpenVideo));
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "fitted to its texts";
    EXPECT_FALSE(window->findChildren<QShortcut*>().isEmpty()) << "the keys are there";
    EXPECT_TRUE(window->close());
}

// The formats with compressors of their own find them at start-up, never chosen before.
TEST_F(MainWindowTest, AStoredMp4FormatStartsWithItsOwnCompressors) {
    store.writeInt("Settings", "nOuptputFormat", OutputSettings::kMp4);
    window = std::make_unique<CReelcraftDlg>(MainWindowContext{store, dialogs, language, dragFlag});
    window->show();
    open();
    markAt(2, kEndTime);
    window->runCommand(kConvert);
    ASSERT_TRUE(waitUntilIdle()) << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(window->converter().job().lastOutcome(), ConversionJob::Outcome::Completed)
        << dialogs.texts().join('|').toStdString();
    const ProbedFile written = probeFile(output.filePath(QStringLiteral("out é %1.mp4")));
    ASSERT_TRUE(written.stream("video") && written.stream("audio"));
    EXPECT_EQ(written.stream("video")->codec, "h264");
    EXPECT_EQ(written.stream("audio")->codec, "aac");
}

TEST_F(MainWindowTest, LanguageSwitchRetitlesAndExitKeepsIt) {
    int german = -1;
    for (int i = 0; i < language.GetLanguageCount(); ++i) {
        if (language.GetLanguageName(i).compare("German", Qt::CaseInsensitive) == 0) {
            german = i;
        }
    }
    ASSERT_GE(german, 0);
    window->runCommand(kFirstLanguageCommandId + german);
    EXPECT_EQ(text(kOpenVideo), "Video öffnen");
    // What a screen reader hears follows the new text.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(window->controls()[kOpenVideo])
                  ->text(QAccessible::Name),
              "Video öffnen");
    EXPECT_TRUE(text(kStatusLine).startsWith("Ausgabedatei:"));
    EXPECT_EQ(dialogs.messages.size(), 1);  // restart the program for the other windows
    window->runCommand(kExit);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(store.readText("Option", "CurrentLanguage", {}).toLower(), "german");
}

TEST_F(MainWindowTest, ClosingThePlayerWindowReturnsToNoSource) {
    open();
    releaseSliderAt(300);
    player()->videoWindow()->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return player() == nullptr; }, 5000));
    EXPECT_EQ(window->state(), MainWindowState::NoSource);
    EXPECT_EQ(text(kPosition), "");
    EXPECT_EQ(text(kStartTimeText), "00:00:00");
    EXPECT_EQ(text(kEndTimeText), "00:00:00");
    EXPECT_EQ(slider()->value(), 0);
    EXPECT_FALSE(enabled(kConvert));
    EXPECT_EQ(window->project().videoCount(), 0);
}

TEST_F(MainWindowTest, AnOutputFolderThatCannotBeWrittenIsReported) {
    store.writeText("Settings", "OutputName", "/nonexistent folder/out.avi");
    window = std::make_unique<CReelcraftDlg>(MainWindowContext{store, dialogs, language, dragFlag});
    open();
    window->runCommand(kConvert);
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_FALSE(dialogs.messages.isEmpty());
    EXPECT_FALSE(text(kStatusLine).startsWith("Done."));
    EXPECT_EQ(window->state(), MainWindowState::SourceOpen);
}

TEST_F(MainWindowTest, AFileThatCannotBeOpenedKeepsTheSource) {
    open();
    EXPECT_FALSE(window->openFile(clips::corrupt()));
    EXPECT_FALSE(dialogs.messages.isEmpty());
    EXPECT_EQ(window->state(), MainWindowState::SourceOpen);
    ASSERT_EQ(window->project().videoCount(), 1);
    EXPECT_EQ(window->project().videos[0].path, ninetySecondClip());
    EXPECT_EQ(window->project().endTime, 90 * kSecond);
    EXPECT_NE(player(), nullptr);
}
