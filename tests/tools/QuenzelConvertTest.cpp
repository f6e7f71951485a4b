#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "tests/common/FileProbe.h"
#include "tests/common/QuenzelConvertProcess.h"
#include "tests/common/TestMedia.h"

namespace {

// Runs the built quenzel-convert with its own empty configuration.
class QuenzelConvert : public ::testing::Test {
  protected:
    CommandResult run(const QStringList& arguments) {
        const CommandResult result = runQuenzelConvert(arguments, config.path());
        if (!result.finished) {
            ADD_FAILURE() << "quenzel-convert did not finish";
        }
        return result;
    }

    QTemporaryDir config;
    QTemporaryDir output;
};

TEST_F(QuenzelConvert, InfoPrintsWhatOpeningTakes) {
    const CommandResult info = run({"--info", clips::tenPointNineSeconds()});
    EXPECT_EQ(info.exitCode, 0) << info.err.toStdString();
    const QStringList lines = info.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 6) << info.out.toStdString();
    EXPECT_EQ(lines[0], "duration: 10");
    EXPECT_EQ(lines[1], "width: 320");
    EXPECT_EQ(lines[2], "height: 240");
    EXPECT_EQ(lines[3], "frame-rate: 10.000");
    EXPECT_TRUE(lines[4].startsWith("audio-duration: 1090")) << lines[4].toStdString();
    EXPECT_EQ(lines[5], "first-picture: 0");
}

TEST_F(QuenzelConvert, InfoGivesAPhoneRecordingItsUprightSize) {
    const CommandResult info =
        run({"--info", makeTurnedClip(output.path(), "phone.mp4", 90)});  // stored 640x360
    EXPECT_EQ(info.exitCode, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains("width: 360\nheight: 640\n")) << info.out.toStdString();
}

TEST_F(QuenzelConvert, InfoOnACorruptFileFailsWithTheProbesMessage) {
    const CommandResult info = run({"--info", clips::corrupt()});
    EXPECT_EQ(info.exitCode, 1);
    EXPECT_TRUE(info.out.isEmpty());
    EXPECT_TRUE(info.err.contains("Cannot open the file.")) << info.err.toStdString();
}

TEST_F(QuenzelConvert, ConvertsTheSpanAndRefusesToOverwriteWithoutConsent) {
    const QString target = output.path() + "/clip.mkv";
    const QStringList arguments = {clips::tenPointNineSeconds(),
                                   "-o",
                                   target,
                                   "--format",
                                   "mkv",
                                   "--start",
                                   "1.5",
                                   "--end",
                                   "4",
                                   "--size",
                                   "161x120",
                                   "--fps",
                                   "25",
                                   "--video-compressor",
                                   "MPEG-4 Part 2",
                                   "--audio-compressor",
                                   "vorbis"};
    const CommandResult first = run(arguments);
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    const ProbedFile written = probeFile(target);
    ASSERT_TRUE(written.stream("video"));
    EXPECT_EQ(written.stream("video")->width, 160);  // sizes are made even
    EXPECT_NEAR(double(written.stream("video")->frames), 62.5, 1.0);
    EXPECT_TRUE(written.stream("audio"));

    const qint64 size = QFile(target).size();
    const CommandResult again = run(arguments);
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(again.err.contains("-y")) << again.err.toStdString();
    EXPECT_EQ(QFile(target).size(), size);

    const CommandResult replaced = run(QStringList(arguments) << "-y");
    EXPECT_EQ(replaced.exitCode, 0) << replaced.err.toStdString();
}

// A fresh install's MP4 and WebM: the formats' own compressors, frame-exact spans.
TEST_F(QuenzelConvert, WebFormatsGetTheirOwnCompressorsWithoutBeingTold) {
    const QString source = makeRecordedClip(output.path(), "camera.mp4", 4, 4);
    const std::tuple<const char*, const char*, const char*> formats[] = {{"mp4", "h264", "aac"},
                                                                         {"webm", "vp9", "opus"}};
    for (const auto& [format, video, audio] : formats) {
        const QString target = output.path() + "/web." + format;
        const CommandResult converted =
            run({source, "-o", target, "--format", format, "--start", "1", "--end", "3", "--size",
                 "320x240", "--fps", "30"});
        ASSERT_EQ(converted.exitCode, 0) << converted.err.toStdString();
        const ProbedFile written = probeFile(target);
        ASSERT_TRUE(written.stream("video") && written.stream("audio")) << format;
        EXPECT_EQ(written.stream("video")->codec, video);
        EXPECT_EQ(written.stream("audio")->codec, audio);
        EXPECT_EQ(written.stream("video")->pixelFormat, "yuv420p");
        EXPECT_EQ(written.stream("video")->frames, 60) << format;
    }
}

TEST_F(QuenzelConvert, BadOptionsAreRefusedBeforeAnythingIsWritten) {
    const QString target = output.path() + "/never.avi";
    for (const QStringList& options : {QStringList{"--format", "mov"},
                                       {"--size", "big"},
                                       {"--audio-bitrate", "100"},
                                       {"--start", "-3"},
                                       {"--video-compressor", "no such codec"},
                                       {"--start", "9", "--end", "2"},
                                       {"--quality", "awful"},
                                       {"--target-size", "lots"}}) {
        const CommandResult refused =
            run(QStringList{clips::halfSecond(), "-o", target} << options);
        EXPECT_EQ(refused.exitCode, 2)
            << options.join(' ').toStdString() << ": " << refused.err.toStdString();
        EXPECT_FALSE(refused.err.isEmpty());
        EXPECT_FALSE(QFile::exists(target));
    }
}

}  // namespace
