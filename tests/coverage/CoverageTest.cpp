#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <map>

#include "tests/common/DecodedPictures.h"
#include "tests/common/QuenzelConvertProcess.h"
#include "tests/common/TestMedia.h"

namespace {

// Far below what a conversion that keeps the pictures gives (37 dB and more here), far above a
// damaged or shifted picture. Deinterlaced DV is compared with its woven fields, and its first
// pictures are made from one field alone.
constexpr double kLowestSnr = 30;
constexpr double kLowestDeinterlacedSnr = 24;

struct Source {
    const char* file;
    QStringList encoding;  // ffmpeg's options for the picture, and for the sound if there is one
    bool sound = false;
    int width = 320;
    int height = 240;
    const char* rate = "25";
    const char* seconds = "2";
    double lowestSnr = kLowestSnr;
};

const QStringList kPcm{"-c:a", "pcm_s16le"};

// Every video encoder of Debian 12's ffmpeg whose streams AVI, Matroska or QuickTime hold, with
// and without sound, at odd sizes and for under a second; and a few that GStreamer 1.22's
// readers do not map to a decoder.
const Source kSources[] = {
    {"msvideo1.avi", {"-c:v", "msvideo1"}},
    {"msvideo1.mkv", {"-c:v", "msvideo1"}},
    {"cinepak.avi", {"-c:v", "cinepak"}},
    {"cinepak.mkv", {"-c:v", "cinepak"}},
    {"huffyuv.avi", {"-c:v", "huffyuv"}},
    {"ffvhuff.mkv", {"-c:v", "ffvhuff"}},
    {"utvideo.avi", {"-c:v", "utvideo"}},
    {"msmpeg4v2.avi", {"-c:v", "msmpeg4v2"}},
    {"msmpeg4v3.avi", {"-c:v", "msmpeg4", "-c:a", "libmp3lame"}, true},
    {"wmv1.avi", {"-c:v", "wmv1"}},
    {"wmv2.avi", {"-c:v", "wmv2", "-c:a", "wmav2"}, true},
    {"flv1.avi", {"-c:v", "flv1"}},
    {"h263.avi", {"-c:v", "h263"}, false, 352, 288},
    {"h263p.avi", {"-c:v", "h263p"}},
    {"svq1.mov", {"-c:v", "svq1"}},
    {"dvvideo.avi", QStringList{"-c:v", "dvvideo", "-pix_fmt", "yuv411p"} + kPcm, true, 720, 480,
     "30000/1001", "1", kLowestDeinterlacedSnr},
    {"mjpeg.avi", QStringList{"-c:v", "mjpeg"} + kPcm, true},
    {"qtrle.mov", {"-c:v", "qtrle"}},
    {"png.mov", {"-c:v", "png", "-pix_fmt", "rgba"}},
    {"zmbv.avi", {"-c:v", "zmbv"}},
    {"snow.mkv", {"-c:v", "snow", "-strict", "experimental"}},
    {"prores.mov", QStringList{"-c:v", "prores"} + kPcm, true},
    {"dnxhr.mov", {"-c:v", "dnxhd", "-profile:v", "dnxhr_lb"}},
    {"ffv1.mkv", {"-c:v", "ffv1", "-c:a", "flac"}, true},
    {"theora.mkv", {"-c:v", "libtheora", "-q:v", "7", "-c:a", "libvorbis"}, true},
    {"vp8.webm", {"-c:v", "libvpx", "-b:v", "1M", "-c:a", "libvorbis"}, true},
    {"vp8-alpha.webm",
     {"-c:v", "libvpx", "-b:v", "1M", "-pix_fmt", "yuva420p", "-auto-alt-ref", "0"}},
    {"vp9.webm", {"-c:v", "libvpx-vp9", "-b:v", "1M", "-c:a", "libopus"}, true},
    {"vp9-alpha.webm", {"-c:v", "libvpx-vp9", "-b:v", "1M", "-pix_fmt", "yuva420p"}},
    {"vp9.avi", {"-c:v", "libvpx-vp9", "-b:v", "1M"}},
    {"av1.mkv", {"-c:v", "libaom-av1", "-cpu-used", "8", "-b:v", "1M"}},
    {"mpeg1.mpg", {"-c:v", "mpeg1video", "-q:v", "3", "-c:a", "mp2"}, true},
    {"mpeg2.vob", {"-c:v", "mpeg2video", "-q:v", "3", "-c:a", "ac3", "-f", "vob"}, true},
    {"mpeg4.avi", {"-c:v", "mpeg4", "-q:v", "3"}},
    {"h264-odd.mp4",
     {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac"},
     true,
     317,
     239,
     "30"},
    {"h265.mov", {"-c:v", "libx265", "-tag:v", "hvc1", "-c:a", "aac"}, true},
    {"h264-short.mp4", {"-c:v", "libx264", "-pix_fmt", "yuv420p"}, false, 320, 240, "30", "0.33"},
};

QString makeSource(const Source& source) {
    const QString path = testMediaFolder() + "/coverage-" + source.file;
    if (QFileInfo::exists(path)) {
        return path;
    }
    const QString picture = QString("testsrc2=size=%1x%2:rate=%3:duration=%4")
                                .arg(source.width)
                                .arg(source.height)
                                .arg(source.rate, source.seconds);
    QStringList arguments{"-f", "lavfi", "-i", picture};
    if (source.sound) {
        arguments
            << "-f"
            << "lavfi"
            << "-i"
            << QString("sine=frequency=440:sample_rate=48000:duration=%1").arg(source.seconds);
    }
    arguments << source.encoding << "-x265-params"
              << "log-level=error" << path;
    return runFfmpeg(arguments) ? path : QString();
}

// What each tool made of each source, for the table printed at the end.
struct Row {
    bool ffmpeg = false;
    QString quenzel;
};
std::map<std::string, Row>& table() {
    static std::map<std::string, Row> rows;
    return rows;
}

// How closely the written pictures follow the source's, shown at its rate. Where the source
// leaves pictures out (AVI writers do, for repeated ones), the rate converter fills the gap with
// the nearest picture, which may be the next one.
PictureFidelity compareShownPictures(const QString& written, const Source& source,
                                     const QString& path) {
    // Odd sizes are written one less, even; the comparison is at the written size.
    const int width = source.width & ~1;
    const int height = source.height & ~1;
    const DecodedPictures out = decodePictures(written, width, height);
    const DecodedPictures in = decodePictures(path, width, height, {}, source.rate);
    PictureFidelity fidelity;
    fidelity.written = int(out.pictures.size());
    fidelity.source = int(in.pictures.size());
    const size_t compared = std::min(out.pictures.size(), in.pictures.size());
    fidelity.lowestSnr = compared == 0 ? 0 : 99;
    for (size_t index = 0; index < compared; ++index) {
        double snr = pictureSnr(out.pictures[index], in.pictures[index]);
        if (index + 1 < in.pictures.size()) {
            snr = std::max(snr, pictureSnr(out.pictures[index], in.pictures[index + 1]));
        }
        if (snr < fidelity.lowestSnr) {
            fidelity.lowestSnr = snr;
            fidelity.lowestAt = int(index);
        }
    }
    return fidelity;
}

class Coverage : public ::testing::TestWithParam<Source> {
  public:
    static void TearDownTestSuite() {
        int ffmpeg = 0;
        int quenzel = 0;
        std::printf("\n%-16s %-8s %s\n", "source", "ffmpeg", "Quenzel");
        for (const auto& [name, row] : table()) {
            ffmpeg += row.ffmpeg;
            quenzel += row.quenzel == "converted";
            std::printf("%-16s %-8s %s\n", name.c_str(), row.ffmpeg ? "converts" : "fails",
                        row.quenzel.toUtf8().constData());
        }
        std::printf("of %zu sources: ffmpeg converts %d, Quenzel %d\n", table().size(), ffmpeg,
                    quenzel);
    }

  protected:
    QTemporaryDir config;
    QTemporaryDir output;
};

// Converted at its own size and rate, a source either keeps every picture, each in its place
// and alike, or is refused with one message naming the codec it holds. It never stalls, crashes
// or ends "early" with the whole span written.
TEST_P(Coverage, ConvertsRightOrNamesWhatItCannotRead) {
    const Source& clip = GetParam();
    const QString source = makeSource(clip);
    ASSERT_FALSE(source.isEmpty()) << "ffmpeg could not make " << clip.file;
    Row& row = table()[clip.file];
    row.ffmpeg = runFfmpeg(
        {"-i", source, "-c:v", "libx264", "-c:a", "aac", "-y", output.filePath("ffmpeg.mp4")});

    const QString written = output.filePath("out.mp4");
    const CommandResult converted =
        runQuenzelConvert({source, "-o", written, "--format", "mp4", "--video-compressor", "x264",
                           "--size", "original", "--fps", "original", "--resize", "stretch", "-y"},
                          config.path(), 90000);
    ASSERT_TRUE(converted.finished) << "still running after 90 s";
    ASSERT_FALSE(converted.crashed) << converted.err.toStdString();
    if (converted.exitCode != 0) {
        row.quenzel = "refused: " + converted.err.section("\n", 1, 1).trimmed();
        EXPECT_TRUE(converted.err.contains("holds")) << converted.err.toStdString();
        return;
    }
    const PictureFidelity fidelity = compareShownPictures(written, clip, source);
    row.quenzel = fidelity.lowestSnr > clip.lowestSnr ? "converted" : "wrong pictures";
    // Sound a little longer than the picture keeps the last picture up to its end.
    if (clip.sound) {
        EXPECT_GE(fidelity.written, fidelity.source) << fidelity.describe();
        EXPECT_LE(fidelity.written, fidelity.source + 3) << fidelity.describe();
    } else {
        EXPECT_EQ(fidelity.written, fidelity.source) << fidelity.describe();
    }
    EXPECT_GT(fidelity.lowestSnr, clip.lowestSnr) << fidelity.describe();
}

std::string sourceName(const ::testing::TestParamInfo<Source>& info) {
    return fileTestName(info.param.file);
}

INSTANTIATE_TEST_SUITE_P(Sources, Coverage, ::testing::ValuesIn(kSources), sourceName);

}  // namespace
