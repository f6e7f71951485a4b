#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>

#include "tests/common/DecodedPictures.h"
#include "tests/common/QuenzelConvertProcess.h"
#include "tests/common/TestMedia.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
// Far below what a conversion that keeps the pictures gives (40 dB and more here), far above
// a damaged or shifted picture (under 27 dB).
constexpr double kLowestSnr = 30;

struct Source {
    const char* file;
    QStringList encoding;  // ffmpeg's options after the test picture
    const char* picture = "testsrc2=size=320x240:rate=25:duration=2";
};

// A source of each kind people convert: camera, phone, browser and disc formats, and the
// intermediate and lossless ones.
const Source kSources[] = {
    {"h264.mp4", {"-c:v", "libx264", "-pix_fmt", "yuv420p"}},
    {"h264-10bit.mkv", {"-c:v", "libx264", "-pix_fmt", "yuv420p10le"}},
    {"h265.mp4", {"-c:v", "libx265", "-pix_fmt", "yuv420p", "-tag:v", "hvc1"}},
    {"h265-10bit.mov", {"-c:v", "libx265", "-pix_fmt", "yuv420p10le", "-tag:v", "hvc1"}},
    {"vp8.webm", {"-c:v", "libvpx", "-b:v", "1M"}},
    {"vp9.webm", {"-c:v", "libvpx-vp9", "-b:v", "1M"}},
    {"vp9-10bit.webm", {"-c:v", "libvpx-vp9", "-b:v", "1M", "-pix_fmt", "yuv420p10le"}},
    {"av1.mkv", {"-c:v", "libaom-av1", "-cpu-used", "8", "-b:v", "1M"}},
    {"mpeg2.ts", {"-c:v", "mpeg2video", "-q:v", "3"}},
    // A program stream whose clock starts late, as DVD and camcorder files do.
    {"mpeg2-late.mpg",
     {"-c:v", "mpeg2video", "-q:v", "3", "-output_ts_offset", "0.54", "-f", "vob"},
     "testsrc2=size=320x240:rate=30:duration=4"},
    {"mpeg4.avi", {"-c:v", "mpeg4", "-q:v", "3"}},
    {"mjpeg.avi", {"-c:v", "mjpeg", "-q:v", "3"}},
    {"prores.mov", {"-c:v", "prores"}},
    {"ffv1.mkv", {"-c:v", "ffv1"}},
    {"theora.ogv", {"-c:v", "libtheora", "-q:v", "7"}},
};

QString makeSource(const Source& source) {
    const QString path = testMediaFolder() + '/' + source.file;
    if (QFileInfo::exists(path) ||
        runFfmpeg(QStringList{"-f", "lavfi", "-i", source.picture} + source.encoding +
                  QStringList{"-x265-params", "log-level=error", path})) {
        return path;
    }
    return {};
}

class PictureFidelity : public ::testing::TestWithParam<Source> {
  protected:
    QTemporaryDir config;
    QTemporaryDir output;
};

// Converted at its own size and rate into MP4 and Matroska with H.264, every source keeps every
// picture, each in its place and alike.
TEST_P(PictureFidelity, EveryPictureComesOutAsItWent) {
    const QString source = makeSource(GetParam());
    ASSERT_FALSE(source.isEmpty()) << "ffmpeg could not make " << GetParam().file;
    for (const char* format : {"mp4", "mkv"}) {
        SCOPED_TRACE(format);
        const QString written = output.filePath(QString("out.") + format);
        const CommandResult converted =
            runQuenzelConvert({source, "-o", written, "--format", format, "--video-compressor",
                               "x264", "--size", "original", "--fps", "original", "-y"},
                              config.path());
        ASSERT_EQ(converted.exitCode, 0) << converted.err.toStdString();
        const ::PictureFidelity fidelity = compareWithSource(written, source, kWidth, kHeight);
        EXPECT_EQ(fidelity.written, fidelity.source) << fidelity.describe();
        EXPECT_GT(fidelity.lowestSnr, kLowestSnr) << fidelity.describe();
    }
}

std::string sourceName(const ::testing::TestParamInfo<Source>& info) {
    return fileTestName(info.param.file);
}

INSTANTIATE_TEST_SUITE_P(Sources, PictureFidelity, ::testing::ValuesIn(kSources), sourceName);

// A cut that starts inside an open group (x264's recovery-point key pictures, B-pyramid): the
// reader starts decoding at that group's key picture, and every picture from the start on must
// be the source's, not one predicted from pictures the decoder never had.
TEST(CutFidelity, StartsInsideAnOpenGroupOnItsOwnPicture) {
    const Source openGroups{"h264-open-gop.mp4",
                            {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-g", "30", "-sc_threshold",
                             "0", "-bf", "3", "-x264-params", "open-gop=1:b-pyramid=normal"},
                            // Grain, as a camera's: on flat pictures the damage does not show.
                            "testsrc2=size=320x240:rate=30:duration=4,noise=alls=20:allf=t"};
    const QString source = makeSource(openGroups);
    ASSERT_FALSE(source.isEmpty()) << "ffmpeg could not make " << openGroups.file;
    QTemporaryDir config;
    QTemporaryDir output;
    const QString written = output.filePath("cut.mp4");
    const CommandResult converted =
        runQuenzelConvert({source, "-o", written, "--format", "mp4", "--video-compressor", "x264",
                           "--size", "original", "--fps", "original", "--start", "1.5", "-y"},
                          config.path());
    ASSERT_EQ(converted.exitCode, 0) << converted.err.toStdString();
    const ::PictureFidelity fidelity = compareWithSource(written, source, kWidth, kHeight, 45);
    EXPECT_EQ(fidelity.written, fidelity.source) << fidelity.describe();
    EXPECT_GT(fidelity.lowestSnr, kLowestSnr) << fidelity.describe();
}

}  // namespace

namespace {

// A damaged copy of a file: `kind` 0 flips bytes here and there, 1 zeroes a run, 2 cuts the
// file short, 3 splices a later part over an earlier one. The header's first kilobyte stays, so
// that the file still opens as what it was.
QString damagedCopy(const QString& path, int kind, quint32 seed, const QString& folder) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArray bytes = file.readAll();
    const qsizetype body = bytes.size() - 1024;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    if (kind == 0) {
        for (int flip = 0; flip < 40; ++flip) {
            bytes[1024 + qsizetype(next() % body)] ^= char(1 << (next() % 8));
        }
    } else if (kind == 1) {
        const qsizetype at = 1024 + qsizetype(next() % (body / 2));
        bytes.replace(at, body / 8, QByteArray(body / 8, 0));
    } else if (kind == 2) {
        bytes.truncate(1024 + qsizetype(next() % body));
    } else {
        const qsizetype from = bytes.size() / 2 + qsizetype(next() % (body / 4));
        const qsizetype to = 1024 + qsizetype(next() % (body / 4));
        bytes.replace(to, body / 6, bytes.mid(from, body / 6));
    }
    const QString damaged =
        folder + QString("/damaged-%1-%2-%3").arg(kind).arg(seed).arg(QFileInfo(path).fileName());
    QFile out(damaged);
    if (!out.open(QIODevice::WriteOnly)) {
        return {};
    }
    out.write(bytes);
    return damaged;
}

// Damaged files of every kind of seed are converted or refused with a message; none crashes the
// program (or its sanitizers) or keeps it waiting.
TEST(DamagedFiles, AreConvertedOrRefusedNeverCrash) {
    QTemporaryDir config;
    QTemporaryDir output;
    for (const char* seedFile :
         {"h264.mp4", "h264-10bit.mkv", "h265-10bit.mov", "vp9.webm", "mpeg4.avi", "mpeg2.ts"}) {
        const auto seed =
            std::find_if(std::begin(kSources), std::end(kSources),
                         [&](const Source& s) { return qstrcmp(s.file, seedFile) == 0; });
        const QString source = makeSource(*seed);
        ASSERT_FALSE(source.isEmpty());
        for (int kind = 0; kind < 4; ++kind) {
            const QString damaged = damagedCopy(source, kind, 7 + kind, output.path());
            SCOPED_TRACE(damaged.toStdString());
            const CommandResult converted =
                runQuenzelConvert({damaged, "-o", output.filePath("out.mp4"), "--format", "mp4",
                                   "--size", "original", "--fps", "original", "-y"},
                                  config.path(), 90000);
            EXPECT_TRUE(converted.finished) << "still running after 90 s";
            EXPECT_FALSE(converted.crashed) << converted.err.toStdString();
            EXPECT_TRUE(converted.exitCode == 0 || converted.exitCode == 1)
                << converted.exitCode << converted.err.toStdString();
            if (converted.exitCode == 1) {
                EXPECT_FALSE(converted.err.trimmed().isEmpty()) << "refused without a word";
            }
        }
    }
}

}  // namespace
