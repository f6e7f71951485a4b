#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "media/MediaFramework.h"
#include "player/ShownSubtitles.h"
#include "tests/player/PlayerClips.h"

namespace {

constexpr int64_t kSecond = 10'000'000;

TEST(ShownSubtitles, TheCueOnScreenIsTheLastBegunThatHasNotEnded) {
    const std::vector<SubtitleCue> cues = {
        {1 * kSecond, 3 * kSecond, "a"}, {2 * kSecond, 6 * kSecond, "b"}, {4 * kSecond, 5 * kSecond, "c"}};
    EXPECT_EQ(cueAt(cues, 0), nullptr);
    EXPECT_EQ(cueAt(cues, 1 * kSecond)->text, "a");
    EXPECT_EQ(cueAt(cues, 2 * kSecond)->text, "b");
    EXPECT_EQ(cueAt(cues, 4 * kSecond)->text, "c");
    EXPECT_EQ(cueAt(cues, 5 * kSecond)->text, "b");  // c has ended, b still shows
    EXPECT_EQ(cueAt(cues, 6 * kSecond), nullptr);
}

TEST(ShownSubtitles, ASubtitleFileBesideTheClipIsShownWithoutItsMarkup) {
    ASSERT_FALSE(failed(initMediaFramework()));
    QTemporaryDir folder;
    const QString clip = folder.path() + "/clip.mp4";
    ASSERT_TRUE(QFile::copy(numberedClip(), clip));
    QFile subtitles(folder.path() + "/clip.de.srt");
    ASSERT_TRUE(subtitles.open(QIODevice::WriteOnly));
    subtitles.write("1\n00:00:01,000 --> 00:00:03,000\nGrüße vom <i>Strand</i>\n");
    subtitles.close();
    ShownSubtitles shown(clip);
    QSignalSpy read(&shown, &ShownSubtitles::cuesRead);
    ASSERT_TRUE(read.wait(30000));
    EXPECT_EQ(shown.textAt(2 * kSecond), QString::fromUtf8("Grüße vom Strand"));
    EXPECT_TRUE(shown.textAt(4 * kSecond).isEmpty());
}

}  // namespace
