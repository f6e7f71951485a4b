#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "base/SettingsStore.h"
#include "engine/TransitionChooser.h"
#include "language/Language.h"
#include "output/settings/OutputSettings.h"
#include "project/ConversionProject.h"
#include "project/SourceOpener.h"
#include "tests/common/ScriptedDialogs.h"
#include "tests/common/TempConfig.h"
#include "tests/common/TestMedia.h"

namespace {

const QString kNotOpen =
    "Cannot open the file. You need to install appropriate decoders. Or the file is corrupt.";
const QString kNoDuration = "Can not get the duration of the clip!" + kNotOpen;

class OpenSource : public ::testing::Test {
  protected:
    OpenSource() : store("quenzel"), chooser(7) { chooser.setDefaults({TransitionMode::Same, 5}); }

    bool open(const QString& path) {
        SourceOpener opener(
            project, settings, [this](int position) { return chooser.chooseTransition(position); },
            store, dialogs, language);
        const bool opened = opener.openSource(path);
        if (opened) {
            texts = opener.clipTimeTexts();
        }
        return opened;
    }

    QString lastFolder() const { return store.readText("Option", "LastPhotoFolder", "<unset>"); }

    TempConfig config;
    SettingsStore store;
    ScriptedDialogs dialogs;
    CLanguage language;
    ConversionProject project;
    OutputSettings settings;
    TransitionChooser chooser;
    ClipTimeTexts texts;
};

// The clip runs to its last picture; the window shows whole seconds.
TEST_F(OpenSource, ClipBecomesOneVideoAndOneAudioItemToItsEnd) {
    const QString path = clips::tenPointNineSeconds();
    ASSERT_TRUE(open(path));
    EXPECT_TRUE(dialogs.messages.isEmpty());
    ASSERT_EQ(project.videoCount(), 1);
    ASSERT_EQ(project.audioCount(), 1);
    EXPECT_EQ(project.videos[0].path, path);
    EXPECT_EQ(project.videos[0].duration, 109'000'000);
    EXPECT_EQ(project.videos[0].origin, 0);
    EXPECT_EQ(project.videos[0].transition, 5);
    EXPECT_EQ(project.audios[0].path, path);
    EXPECT_NEAR(project.audios[0].duration, 109'000'000, 100'000);
    EXPECT_EQ(project.startTime, 0);
    EXPECT_EQ(project.endTime, 109'000'000);
    EXPECT_EQ(texts.position, "00:00:00 / 00:00:10");
    EXPECT_EQ(texts.startTime, "00:00:00");
    EXPECT_EQ(texts.endTime, "00:00:10");
    EXPECT_EQ(settings.sourceWidth, 320);
    EXPECT_EQ(settings.sourceHeight, 240);
    EXPECT_EQ(settings.outputWidth, 320);
    EXPECT_EQ(settings.outputHeight, 240);
    EXPECT_DOUBLE_EQ(settings.sourceFrameRate, 10.0);
    EXPECT_EQ(lastFolder(), testMediaFolder() + '/');
}

TEST_F(OpenSource, ClipShorterThanASecondKeepsItsLength) {
    ASSERT_TRUE(open(clips::halfSecond()));
    EXPECT_EQ(project.videos[0].duration, 5'000'000);
    EXPECT_EQ(project.endTime, 5'000'000);
    EXPECT_EQ(texts.position, "00:00:00 / 00:00:00");
}

TEST_F(OpenSource, OriginalFrameRateFollowsTheSourceOtherwiseKept) {
    settings.frameRateIndex = 1;
    settings.frameRate = 23.976;
    ASSERT_TRUE(open(clips::tenPointNineSeconds()));
    EXPECT_DOUBLE_EQ(settings.frameRate, 23.976);
    settings.frameRateIndex = 0;
    ASSERT_TRUE(open(clips::tenPointNineSeconds()));
    EXPECT_DOUBLE_EQ(settings.frameRate, 10.0);
}

TEST_F(OpenSource, GifTakesItsLengthWhateverTheCaseOfItsExtension) {
    for (const QString name : {"anim.gif", "ANIM2.GIF"}) {
        const QString gif = makeGif(testMediaFolder(), name, 35, 10);
        ASSERT_TRUE(open(gif)) << name.toStdString();
        EXPECT_EQ(project.videos[0].duration, 35'000'000);
        EXPECT_EQ(settings.sourceWidth, 160);
    }
}

TEST_F(OpenSource, SecondFileReplacesTheFirst) {
    ASSERT_TRUE(open(clips::tenPointNineSeconds()));
    project.startTime = 40'000'000;  // as the Start Time button would
    ASSERT_TRUE(open(clips::halfSecond()));
    ASSERT_EQ(project.videoCount(), 1);
    ASSERT_EQ(project.audioCount(), 1);
    EXPECT_EQ(project.videos[0].path, clips::halfSecond());
    EXPECT_EQ(project.startTime, 0);
    EXPECT_EQ(project.endTime, 5'000'000);
    EXPECT_EQ(texts.startTime, "00:00:00");
    EXPECT_EQ(settings.sourceWidth, 160);
}

TEST_F(OpenSource, CorruptFileShowsBothMessagesAndEmptiesTheProject) {
    ASSERT_TRUE(open(clips::tenPointNineSeconds()));
    const QString folderBefore = lastFolder();
    EXPECT_FALSE(open(clips::corrupt()));
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(dialogs.messages[0].text, kNotOpen);
    EXPECT_EQ(dialogs.messages[0].caption, "Error IDS_MESSAGE_NOT_OPEN_FILE");
    EXPECT_FALSE(dialogs.messages[0].ownedByMainWindow);
    EXPECT_FALSE(dialogs.messages[0].details.isEmpty());
    EXPECT_EQ(dialogs.messages[1].text, kNoDuration);
    EXPECT_EQ(dialogs.messages[1].caption, "Error IDS_MESSAGE_NO_DURATION");
    EXPECT_EQ(project.videoCount(), 0);
    EXPECT_EQ(project.audioCount(), 0);
    EXPECT_EQ(lastFolder(), folderBefore);
}

TEST_F(OpenSource, SoundOnlyFileIsRefusedForWantOfAPicture) {
    EXPECT_FALSE(open(clips::audioOnly()));
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(dialogs.messages[0].text,
              "Failed to GetVideoSize, please install appropriate video decoder");
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[1].text, kNoDuration);
    EXPECT_EQ(project.videoCount(), 0);
}

TEST_F(OpenSource, OverlongPathIsRefusedAndChangesNothing) {
    ASSERT_TRUE(open(clips::tenPointNineSeconds()));
    const ConversionProject before = project;
    const QString folderBefore = lastFolder();
    QString longPath = testMediaFolder() + '/';
    while (QFile::encodeName(longPath).size() < 300) {
        longPath += QStringLiteral("äbcdefgh/");
    }
    ASSERT_TRUE(QDir().mkpath(longPath));
    longPath += "clip.avi";
    ASSERT_TRUE(QFile::copy(clips::halfSecond(), longPath));

    EXPECT_FALSE(open(longPath));
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.contains("too long"));
    EXPECT_EQ(project.videoCount(), 1);
    EXPECT_EQ(project.videos[0].path, before.videos[0].path);
    EXPECT_EQ(project.endTime, before.endTime);
    EXPECT_EQ(lastFolder(), folderBefore);
}

TEST_F(OpenSource, MissingDecoderIsNamedInTheDetails) {
    GstRegistry* registry = gst_registry_get();
    GstPluginFeature* decoder = gst_registry_lookup_feature(registry, "avdec_mpeg4");
    ASSERT_TRUE(decoder);
    gst_registry_remove_feature(registry, decoder);
    const bool opened = open(clips::tenPointNineSeconds());
    gst_registry_add_feature(registry, decoder);
    EXPECT_FALSE(opened);
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(dialogs.messages[0].text, kNotOpen);
    EXPECT_TRUE(dialogs.messages[0].details.contains("MPEG-4", Qt::CaseInsensitive))
        << dialogs.messages[0].details.toStdString();
}

TEST(FolderOf, KeepsTheTrailingSeparator) {
    EXPECT_EQ(folderOf("/home/me/Clips/a.avi"), "/home/me/Clips/");
    EXPECT_EQ(folderOf("a.avi"), "");
    EXPECT_EQ(folderOf("/a.avi"), "/");
}

}  // namespace
