#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "tests/common/DecodedPictures.h"
#include "tests/common/FileProbe.h"
#include "tests/common/QuenzelConvertProcess.h"
#include "tests/common/TestMedia.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kRate = 30;

// 6 s of a grainy moving picture at 30 fps, a key frame every second, with sound.
QString makeSource(const QString& folder, const QString& name, const QStringList& video,
                   const QStringList& audio) {
    const QString path = QDir(folder).filePath(name);
    QStringList arguments{"-f",
                          "lavfi",
                          "-i",
                          QString("testsrc2=size=%1x%2:rate=%3,noise=alls=10:allf=t")
                              .arg(kWidth)
                              .arg(kHeight)
                              .arg(kRate),
                          "-f",
                          "lavfi",
                          "-i",
                          "sine=frequency=440:sample_rate=48000",
                          "-t",
                          "6",
                          "-pix_fmt",
                          "yuv420p"};
    arguments << video << audio << path;
    return runFfmpeg(arguments) ? path : QString();
}

// What ffmpeg says is wrong while decoding the whole file (nothing for a sound file).
QString decoderComplaints(const QString& path) {
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-i", path, "-f", "null", "-"});
    ffmpeg.waitForFinished(60000);
    return QString::fromUtf8(ffmpeg.readAllStandardError()).trimmed();
}

struct CopiedCut {
    int written = 0;
    int firstSourcePicture = -1;  // the source picture the file starts on
    int identical = 0;            // written pictures equal to their source picture
};

// The source picture closest to the written file's first one, and how many written pictures are
// exactly their source's from there on.
CopiedCut compareCut(const QString& written, const QString& source) {
    const DecodedPictures out = decodePictures(written, kWidth, kHeight);
    const DecodedPictures in = decodePictures(source, kWidth, kHeight);
    CopiedCut cut;
    cut.written = int(out.pictures.size());
    if (out.pictures.empty()) {
        return cut;
    }
    double best = -1;
    for (size_t i = 0; i < in.pictures.size(); ++i) {
        const double snr = pictureSnr(out.pictures.front(), in.pictures[i]);
        if (snr > best) {
            best = snr;
            cut.firstSourcePicture = int(i);
        }
    }
    for (size_t i = 0; i < out.pictures.size(); ++i) {
        const size_t at = size_t(cut.firstSourcePicture) + i;
        cut.identical += at < in.pictures.size() && out.pictures[i] == in.pictures[at];
    }
    return cut;
}

class LosslessCut : public testing::Test {
  protected:
    QTemporaryDir folder_;
    QTemporaryDir config_;

    CommandResult cut(const QString& source, const QString& format, const QString& output,
                      const QStringList& more = {}) {
        return runQuenzelConvert(
            QStringList{"--format", format, "--video-compressor", "copy", "--audio-compressor",
                        "copy", "--start", "1.5", "--end", "4.8", "-o", output, source}
                << more,
            config_.path());
    }
};

// 1.5 s to 4.8 s at 30 fps: pictures 45 to 143, the groups of pictures 60-89, 90-119 and 120-143
// (the last cut short) of which the first two are copied.
TEST_F(LosslessCut, CopiesTheWholeGroupsAndStartsOnThePictureAtTheMark) {
    struct Case {
        const char* file;
        const char* format;
        QStringList video;
        QStringList audio;
        int copied;  // the copied pictures decode to exactly the source's
    };
    const std::vector<Case> cases = {
        {"h264.mp4",
         "mp4",
         {"-c:v", "libx264", "-preset", "veryfast", "-bf", "2", "-g", "30", "-keyint_min", "30",
          "-sc_threshold", "0"},
         {"-c:a", "aac"},
         60},
        // An open group of pictures in each: their leading pictures are encoded again.
        {"h265.mkv",
         "mkv",
         {"-c:v", "libx265", "-preset", "veryfast", "-x265-params",
          "keyint=30:min-keyint=30:bframes=3:log-level=error"},
         {"-c:a", "libopus"},
         57},
        // x264's open groups: I pictures that are their own recovery point, B-pyramid. The
        // first copied one becomes an IDR picture.
        {"h264-open.mp4",
         "mp4",
         {"-c:v", "libx264", "-preset", "veryfast", "-bf", "3", "-g", "30", "-sc_threshold", "0",
          "-x264-params", "open-gop=1:b-pyramid=normal"},
         {"-c:a", "aac"},
         57},
        {"vp9.webm",
         "webm",
         {"-c:v", "libvpx-vp9", "-deadline", "realtime", "-cpu-used", "8", "-g", "30"},
         {"-c:a", "libopus"},
         60},
        // The stream's setup only in the file's header: the copy starts with it, as its
        // quantizer differs from the edges' encoder's. An AVI file gives times only to key
        // frames: the others take theirs from the decoding order.
        {"xvid.avi",
         "avi",
         {"-c:v", "mpeg4", "-bf", "0", "-g", "30", "-q:v", "3", "-mpeg_quant", "1", "-flags",
          "+global_header", "-vtag", "XVID"},
         {"-c:a", "pcm_s16le"},
         60},
        // B-VOPs: those after a key frame lead it, and a decoder holds pictures back by one.
        {"mpeg4-b.mkv",
         "mkv",
         {"-c:v", "mpeg4", "-bf", "2", "-g", "30", "-q:v", "3"},
         {"-c:a", "libopus"},
         58},
        {"divx.avi",
         "mkv",
         {"-c:v", "mpeg4", "-bf", "0", "-g", "30", "-q:v", "3", "-vtag", "DX50"},
         {"-c:a", "pcm_s16le"},
         60},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.file);
        const QString source = makeSource(folder_.path(), test.file, test.video, test.audio);
        ASSERT_FALSE(source.isEmpty());
        const QString output = folder_.filePath(
            QString("cut-%1.%2").arg(QFileInfo(test.file).completeBaseName(), test.format));
        const CommandResult result = cut(source, test.format, output);
        ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
        const CopiedCut copied = compareCut(output, source);
        EXPECT_EQ(copied.written, 99);
        EXPECT_EQ(copied.firstSourcePicture, 45);
        EXPECT_GE(copied.identical, test.copied);
        EXPECT_EQ(decoderComplaints(output), QString());
    }
}

// The sound's edit list starts its clock elsewhere than the picture's does.
TEST_F(LosslessCut, CopiedSoundStaysWithThePicturesWithinAPacket) {
    const QString source = makeSyncMarkedRecording(folder_.path(), "marked.mp4", 6, 8);
    ASSERT_FALSE(source.isEmpty());
    const QString output = folder_.filePath("cut-marked.mp4");
    const CommandResult result = cut(source, "mp4", output);
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const double flash = firstWhitePictureAt(output);
    EXPECT_NEAR(flash, 1.5, 0.001) << "the source's picture at 3 s";
    constexpr double kOnePacket = 1024.0 / 48000;
    EXPECT_NEAR(firstLoudSoundAt(output), flash, kOnePacket);
}

// A phone's recording: stored landscape, tagged to be shown turned, with a title and a sound
// track in German.
TEST_F(LosslessCut, ACopyKeepsThePicturesTurnTheTitleAndTheLanguage) {
    const QString stored = makeTurnedClip(folder_.path(), "stored.mp4", 90);
    const QString source = folder_.filePath("phone.mp4");
    ASSERT_TRUE(runFfmpeg({"-i", stored, "-f", "lavfi", "-i", "sine=duration=2", "-map", "0:v",
                           "-map", "1:a", "-c:v", "copy", "-c:a", "aac", "-metadata",
                           "title=Beach day", "-metadata:s:a:0", "language=ger", source}));
    const QString output = folder_.filePath("cut-phone.mp4");
    const CommandResult result =
        runQuenzelConvert({"--format", "mp4", "--video-compressor", "copy", "--audio-compressor",
                           "copy", "--start", "0.5", "-o", output, source},
                          config_.path());
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const ProbedFile in = probeFile(source);
    const ProbedFile out = probeFile(output);
    ASSERT_TRUE(in.stream("video") && out.stream("video") && out.stream("audio"));
    ASSERT_NE(in.stream("video")->rotation, 0);
    EXPECT_EQ(out.stream("video")->rotation, in.stream("video")->rotation);
    EXPECT_EQ(out.title, "Beach day");
    EXPECT_TRUE(QStringList({"ger", "deu"}).contains(out.stream("audio")->language))
        << out.stream("audio")->language.toStdString();
}

TEST_F(LosslessCut, WhatCopyCannotDoIsRefusedBeforeAnythingIsWritten) {
    const QString h264 = makeSource(folder_.path(), "h264.mp4",
                                    {"-c:v", "libx264", "-preset", "veryfast"}, {"-c:a", "aac"});
    const QString mpeg4 =
        makeSource(folder_.path(), "mpeg4.avi", {"-c:v", "mpeg4"}, {"-c:a", "libmp3lame"});
    const QString bFrames = makeSource(folder_.path(), "b-frames.avi",
                                       {"-c:v", "mpeg4", "-bf", "2"}, {"-c:a", "libmp3lame"});
    // Its media type is MPEG-4 Part 2's but for the version.
    const QString mpeg2 = makeSource(folder_.path(), "mpeg2.mkv", {"-c:v", "mpeg2video"}, {"-an"});
    const QString turned = makeTurnedClip(folder_.path(), "turned.mp4", 270);
    ASSERT_FALSE(mpeg2.isEmpty());
    ASSERT_FALSE(h264.isEmpty());
    ASSERT_FALSE(mpeg4.isEmpty());
    ASSERT_FALSE(bFrames.isEmpty());
    ASSERT_FALSE(turned.isEmpty());
    struct Case {
        QString source;
        const char* format;
        QStringList more;
        const char* says;
    };
    const std::vector<Case> cases = {
        {h264, "mp4", {"--size", "160x120"}, "cannot change their size"},
        {h264, "mp4", {"--target-size", "1"}, "aim at a size"},
        {h264, "webm", {}, "WebM files cannot hold the source's"},
        {mpeg4, "webm", {}, "WebM files cannot hold the source's"},
        {bFrames, "avi", {}, "have B-frames"},
        {mpeg2, "mkv", {}, "pictures cannot be copied"},
        {turned, "mkv", {}, "cannot keep the turn"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.says);
        const QString output = folder_.filePath(QString("refused.") + test.format);
        const CommandResult result = cut(test.source, test.format, output, test.more);
        EXPECT_NE(result.exitCode, 0);
        EXPECT_TRUE(result.err.contains(test.says)) << result.err.toStdString();
        EXPECT_EQ(QDir(folder_.path()).entryList({"refused*"}, QDir::Files), QStringList());
    }
}

}  // namespace
