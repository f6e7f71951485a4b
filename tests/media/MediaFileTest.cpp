#include <gtest/gtest.h>

#include <QFile>

#include "media/MediaFile.h"
#include "tests/common/TestMedia.h"

namespace {

std::unique_ptr<MediaFile> openOrFail(const QString& path) {
    std::unique_ptr<MediaFile> file;
    QString reason;
    const Status result = MediaFile::open(path, &file, &reason);
    EXPECT_TRUE(succeeded(result)) << reason.toStdString();
    return file;
}

TEST(MediaFile, ReportsLengthSizeAndRateOfAClip) {
    const auto file = openOrFail(clips::tenPointNineSeconds());
    ASSERT_TRUE(file);
    int64_t stop = 0;
    int64_t duration = 0;
    ASSERT_TRUE(succeeded(file->stopPosition(&stop)));
    ASSERT_TRUE(succeeded(file->duration(&duration)));
    EXPECT_NEAR(stop, 109'000'000, 100'000);  // 100-ns units, within 10 ms
    EXPECT_EQ(stop, duration);
    int32_t width = 0;
    int32_t height = 0;
    ASSERT_TRUE(succeeded(file->videoSize(&width, &height)));
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);
    double secondsPerFrame = 0;
    ASSERT_TRUE(succeeded(file->averageTimePerFrame(&secondsPerFrame)));
    EXPECT_DOUBLE_EQ(secondsPerFrame, 0.1);
    EXPECT_TRUE(file->hasVideo());
    EXPECT_TRUE(file->hasAudio());
}

TEST(MediaFile, SoundOnlyFileOpensButHasNoPicture) {
    const auto file = openOrFail(clips::audioOnly());
    ASSERT_TRUE(file);
    int64_t stop = 0;
    EXPECT_TRUE(succeeded(file->stopPosition(&stop)));
    EXPECT_NEAR(stop, 30'000'000, 100'000);
    int32_t width = 0;
    int32_t height = 0;
    EXPECT_EQ(file->videoSize(&width, &height), status::kNoInterface);
    double secondsPerFrame = 0;
    EXPECT_TRUE(failed(file->averageTimePerFrame(&secondsPerFrame)));
}

TEST(MediaFile, UnplayableFilesFailWithACodeAndAReason) {
    const QString truncated =
        makeTruncatedCopy(clips::tenPointNineSeconds(), testMediaFolder(), "header-only.avi", 200);
    const QString empty = makeGarbage(testMediaFolder(), "empty.mkv", 0);
    for (const QString& path : {clips::corrupt(), truncated, empty,
                                testMediaFolder() + "/missing.avi", testMediaFolder()}) {
        std::unique_ptr<MediaFile> file;
        QString reason;
        EXPECT_TRUE(failed(MediaFile::open(path, &file, &reason))) << path.toStdString();
        EXPECT_FALSE(file);
        EXPECT_FALSE(reason.isEmpty()) << path.toStdString();
    }
}

TEST(MediaFile, OddCharactersInPathsAreNoProblem) {
    const QString odd = testMediaFolder() + "/clip #1 100% [ü].avi";
    ASSERT_TRUE(QFile::copy(clips::halfSecond(), odd));
    EXPECT_TRUE(openOrFail(odd));
}

}  // namespace
