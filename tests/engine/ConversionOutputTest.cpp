#include <gst/gst.h>

#include <QDir>
#include <QFile>

#include "media/GPtr.h"
#include "tests/common/FileProbe.h"
#include "tests/common/TestMedia.h"
#include "tests/engine/ConversionFixture.h"

namespace {

using Outcome = ConversionJob::Outcome;

// A writer format with the compressors it is written with here.
struct FormatCase {
    int32_t format;
    const char* name;
    const char* container;  // as ffprobe names it
    const char* videoFactory;
    const char* audioFactory;
    const char* videoCodec;
    const char* audioCodec;
};

class WrittenFiles : public ConversionFixture, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(WrittenFiles, HoldTheTrimmedSpanAtTheChosenSizeAndRate) {
    const FormatCase& format = GetParam();
    openSource(clips::tenPointNineSeconds());
    settings.outputFormat = format.format;
    settings.outputName = outputPath(QString("out.") + format.name);
    settings.outputWidth = 352;
    settings.outputHeight = 288;
    settings.frameRate = 25.0;
    if (format.videoFactory) {
        useCompressor(CompressorKind::Video, format.videoFactory);
    }
    if (format.audioFactory) {
        useCompressor(CompressorKind::Audio, format.audioFactory);
    }
    project.startTime = 23'000'000;  // 2.3 s to 8.1 s
    project.endTime = 81'000'000;

    ASSERT_EQ(convert(), Outcome::Completed) << dialogs.texts().join('|').toStdString();
    const ProbedFile written = probeFile(settings.outputName);
    ASSERT_TRUE(written.readable);
    EXPECT_TRUE(written.container.contains(format.container)) << written.container.toStdString();
    const ProbedStream* video = written.stream("video");
    const ProbedStream* audio = written.stream("audio");
    ASSERT_TRUE(video);
    ASSERT_TRUE(audio) << "the source has sound, so the file must have it too";
    EXPECT_EQ(video->codec, format.videoCodec);
    EXPECT_EQ(audio->codec, format.audioCodec);
    EXPECT_EQ(video->width, 352);
    EXPECT_EQ(video->height, 288);
    EXPECT_NEAR(video->frameRate, 25.0, 0.01);
    // 5.8 s at 25 fps: 145 frames, give or take one.
    EXPECT_NEAR(double(video->frames), 145.0, 1.0);
    EXPECT_NEAR(written.duration, 5.8, 0.04 + 0.001);
    EXPECT_NEAR(video->startTime, 0.0, 0.04);
}

INSTANTIATE_TEST_SUITE_P(
    EveryWriter, WrittenFiles,
    ::testing::Values(
        FormatCase{OutputSettings::kAvi, "avi", "avi", "avenc_mpeg4", nullptr, "mpeg4",
                   "pcm_s16le"},
        FormatCase{OutputSettings::kAvi, "avi", "avi", "avenc_mpeg4", "lamemp3enc", "mpeg4", "mp3"},
        FormatCase{OutputSettings::kMkv, "mkv", "matroska", "avenc_mpeg4", "vorbisenc", "mpeg4",
                   "vorbis"},
        FormatCase{OutputSettings::kWmv, "wmv", "asf", nullptr, nullptr, "wmv2", "wmav2"},
        FormatCase{OutputSettings::kAsf, "asf", "asf", "avenc_wmv2", "avenc_wmav2", "wmv2",
                   "wmav2"},
        FormatCase{OutputSettings::kMp4, "mp4", "mp4", "x264enc", "avenc_aac", "h264", "aac"},
        FormatCase{OutputSettings::kWebm, "webm", "webm", "vp9enc", "opusenc", "vp9", "opus"}),
    [](const ::testing::TestParamInfo<FormatCase>& info) {
        return std::string(info.param.name) + std::to_string(info.index);
    });

// The AVI writer takes sound up to half a second ahead of the pictures. At the end of a trimmed
// span of a heavy file, the reader's queue for the pictures filled up before that half second had
// gone through, and the conversion hung.
TEST_F(ConversionFixture, TrimmedHeavyRecordingIntoAviFinishes) {
    openSource(makeHeavyRecording(outputFolder.path(), "heavy.mp4", 2.5));
    settings.outputFormat = OutputSettings::kAvi;
    settings.outputName = outputPath("heavy.avi");
    settings.outputWidth = 160;
    settings.outputHeight = 120;
    settings.frameRate = 30.0;
    useCompressor(CompressorKind::Video, "avenc_mpeg4");
    project.startTime = 5'000'000;  // 0.5 s to 2 s
    project.endTime = 20'000'000;
    ASSERT_EQ(convert(30000), Outcome::Completed) << dialogs.texts().join('|').toStdString();
    const ProbedFile written = probeFile(settings.outputName);
    ASSERT_TRUE(written.stream("video") && written.stream("audio"));
    EXPECT_EQ(written.stream("video")->frames, 45);
}

// Interlaced pictures come out with their fields joined; progressive ones are not touched.
TEST_F(ConversionFixture, InterlacedSourcesComeOutProgressive) {
    openSource(makeInterlacedRecording(outputFolder.path(), "broadcast.ts"));
    settings.outputFormat = OutputSettings::kMkv;
    settings.outputName = outputPath("broadcast.mkv");
    settings.outputWidth = 720;
    settings.outputHeight = 576;
    settings.frameRate = 25.0;
    useCompressor(CompressorKind::Video, "avenc_mpeg4");
    project.endTime = 18'000'000;
    ASSERT_EQ(convert(), Outcome::Completed) << dialogs.texts().join('|').toStdString();
    // The detector needs a few pictures to settle: every picture of the source counts interlaced.
    EXPECT_GE(progressiveShare(settings.outputName), 0.85);
    EXPECT_EQ(probeFile(settings.outputName).stream("video")->frames, 45);
}

// 5.1 stays 5.1 where the compressor holds it; MP3 gets the usual fold-down to stereo, in which
// the centre is heard on both sides 3 dB below the fronts and the LFE is left out.
TEST_F(ConversionFixture, SurroundSoundKeepsItsChannelsOrFoldsDown) {
    openSource(makeSurroundRecording(outputFolder.path(), "film.mkv"));
    settings.outputFormat = OutputSettings::kMkv;
    settings.outputWidth = 320;
    settings.outputHeight = 240;
    useCompressor(CompressorKind::Video, "avenc_mpeg4");
    for (const char* sound : {"vorbisenc", "avenc_ac3", "lamemp3enc"}) {
        useCompressor(CompressorKind::Audio, sound);
        settings.outputName = outputPath(QString("film-%1.mkv").arg(sound));
        ASSERT_EQ(convert(), Outcome::Completed) << sound;
        const ProbedFile written = probeFile(settings.outputName);
        ASSERT_TRUE(written.stream("audio")) << sound;
        const bool folded = QLatin1String(sound) == "lamemp3enc";
        EXPECT_EQ(written.stream("audio")->channels, folded ? 2 : 6) << sound;
        if (folded) {
            const QString file = settings.outputName;
            EXPECT_NEAR(toneLevel(file, "FL", 200), toneLevel(file, "FL", 300) - 3, 1.5);
            EXPECT_NEAR(toneLevel(file, "FR", 200), toneLevel(file, "FR", 1000) - 3, 1.5);
            EXPECT_LT(toneLevel(file, "FL", 50), toneLevel(file, "FL", 300) - 20);
        } else {
            EXPECT_GT(toneLevel(settings.outputName, "FC", 200),
                      toneLevel(settings.outputName, "FR", 200) + 20)
                << "the centre stays in its channel";
        }
    }
}

// Where a top-level box of an MP4 file starts; -1 when it has none.
qint64 boxOffset(const QString& path, const char* type) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (qint64 offset = 0; offset + 8 <= file.size();) {
        file.seek(offset);
        const QByteArray header = file.read(8);
        if (header.mid(4, 4) == type) {
            return offset;
        }
        const auto size = qint64(quint32(uchar(header[0])) << 24 | quint32(uchar(header[1])) << 16 |
                                 quint32(uchar(header[2])) << 8 | quint32(uchar(header[3])));
        if (size < 8) {
            return -1;
        }
        offset += size;
    }
    return -1;
}

class EverydayFiles : public ConversionFixture {
  protected:
    // A camera that records 10-bit 4:4:4, which few players decode.
    void openDeepRecording() {
        openSource(makeRecordedClip(outputFolder.path(), "deep.mkv", 2, 2, "yuv444p10le"));
    }
};

TEST_F(EverydayFiles, Mp4HasItsIndexFirstAndPicturesPhonesDecode) {
    openDeepRecording();
    settings.outputFormat = OutputSettings::kMp4;
    settings.ownCompressors[OutputSettings::kMp4] = {"x264enc", "avenc_aac"};
    settings.outputName = outputPath("everyday.mp4");
    settings.outputWidth = 320;
    settings.outputHeight = 240;
    ASSERT_EQ(convert(), Outcome::Completed) << dialogs.texts().join('|').toStdString();
    const qint64 index = boxOffset(settings.outputName, "moov");
    ASSERT_GE(index, 0);
    EXPECT_LT(index, boxOffset(settings.outputName, "mdat")) << "a browser needs the index first";
    const ProbedFile written = probeFile(settings.outputName);
    ASSERT_TRUE(written.stream("video") && written.stream("audio"));
    EXPECT_EQ(written.stream("video")->pixelFormat, "yuv420p");
    EXPECT_EQ(written.stream("video")->profile, "High");
    EXPECT_EQ(written.stream("audio")->profile, "LC");
    EXPECT_NEAR(written.stream("video")->startTime, 0.0, 0.001);
    EXPECT_NEAR(written.stream("audio")->startTime, 0.0, 0.001);
    EXPECT_EQ(written.stream("video")->frames, 50);
}

TEST_F(EverydayFiles, WebmIsVp9OfTheProfileBrowsersPlay) {
    openDeepRecording();
    settings.outputFormat = OutputSettings::kWebm;
    settings.ownCompressors[OutputSettings::kWebm] = {"vp9enc", "opusenc"};
    settings.outputName = outputPath("everyday.webm");
    settings.outputWidth = 320;
    settings.outputHeight = 240;
    ASSERT_EQ(convert(), Outcome::Completed) << dialogs.texts().join('|').toStdString();
    const ProbedFile written = probeFile(settings.outputName);
    ASSERT_TRUE(written.stream("video"));
    EXPECT_EQ(written.stream("video")->pixelFormat, "yuv420p");
    EXPECT_EQ(written.stream("video")->profile, "Profile 0");
    EXPECT_EQ(written.stream("video")->frames, 50);
}

// H.264 keeps colour at half the size: a GIF's own odd size is made even.
TEST_F(EverydayFiles, OddSourceSizesAreMadeEven) {
    openSource(makeGif(outputFolder.path(), "odd.gif", 10, 10, "161x121"));
    settings.outputFormat = OutputSettings::kMp4;
    settings.ownCompressors[OutputSettings::kMp4] = {"x264enc", "avenc_aac"};
    settings.outputName = outputPath("odd.mp4");
    ASSERT_EQ(convert(), Outcome::Completed) << dialogs.texts().join('|').toStdString();
    const ProbedFile written = probeFile(settings.outputName);
    ASSERT_TRUE(written.stream("video"));
    EXPECT_EQ(written.stream("video")->width, 160);
    EXPECT_EQ(written.stream("video")->height, 120);
}

TEST_F(EverydayFiles, UncompressedPicturesAreRefusedBeforeAnythingIsWritten) {
    openSource(clips::halfSecond());
    settings.outputFormat = OutputSettings::kMp4;
    settings.ownCompressors[OutputSettings::kMp4] = {"", "avenc_aac"};
    settings.outputName = outputPath("raw.mp4");
    EXPECT_EQ(convert(), Outcome::None);
    EXPECT_TRUE(dialogs.texts().join('|').contains(
        "Full frames (uncompressed) video cannot be written into MP4"))
        << dialogs.texts().join('|').toStdString();
    EXPECT_TRUE(QDir(outputFolder.path()).entryList(QDir::Files).isEmpty());
}

class PictureFit : public ConversionFixture {
  protected:
    // A wide source (16:9) written into a 4:3 frame.
    void convertWideInto43(int32_t resizeMode) {
        ClipSpec wide;
        wide.frames = 25;
        wide.width = 320;
        wide.height = 180;
        openSource(sharedClip("wide.avi", wide));
        useCompressor(CompressorKind::Video, "avenc_mpeg4");
        settings.outputWidth = 320;
        settings.outputHeight = 240;
        settings.resizeMode = resizeMode;
        ASSERT_EQ(convert(), Outcome::Completed) << dialogs.texts().join('|').toStdString();
    }
};

TEST_F(PictureFit, KeepingTheAspectRatioAddsBlackBars) {
    convertWideInto43(OutputSettings::kPreserveAspectRatio);
    // 320x180 fills rows 30 to 209 of the 240.
    EXPECT_LT(meanBrightness(settings.outputName, 0.5, 2, 26), 24.0);
    EXPECT_LT(meanBrightness(settings.outputName, 0.5, 214, 238), 24.0);
    EXPECT_GT(meanBrightness(settings.outputName, 0.5, 40, 80), 60.0);
}

TEST_F(PictureFit, StretchingFillsTheFrame) {
    convertWideInto43(OutputSettings::kStretch);
    EXPECT_GT(meanBrightness(settings.outputName, 0.5, 2, 26), 60.0);
}

class MissingWriter : public ConversionFixture {
  protected:
    ~MissingWriter() override {
        for (GstPluginFeature* feature : hidden_) {
            gst_registry_add_feature(gst_registry_get(), feature);
        }
    }

    // Hides an installed element from this test program, until the test ends.
    void hide(const char* factory) {
        GstRegistry* registry = gst_registry_get();
        if (GstPluginFeature* feature = gst_registry_lookup_feature(registry, factory)) {
            gst_registry_remove_feature(registry, feature);
            hidden_.push_back(feature);
        }
    }

  private:
    std::vector<GstPluginFeature*> hidden_;
};

TEST_F(MissingWriter, MatroskaSendsTheUserToThePluginAndWritesNothing) {
    openSource(clips::halfSecond());
    useCompressor(CompressorKind::Video, "avenc_mpeg4");
    project.endTime = 4'000'000;
    settings.outputFormat = OutputSettings::kMkv;
    settings.outputName = outputPath("out.mkv");
    hide("matroskamux");
    EXPECT_EQ(convert(), Outcome::None);
    EXPECT_EQ(dialogs.texts(), QStringList{"Please install MKV codec)"});
    EXPECT_EQ(dialogs.webPages.size(), 1);
    EXPECT_FALSE(job.isConverting());
    EXPECT_FALSE(QFile::exists(settings.outputName));
    EXPECT_TRUE(statusLines.isEmpty());
}

TEST_F(MissingWriter, AsfSendsTheUserToASearchForTheMultiplexer) {
    openSource(clips::halfSecond());
    useCompressor(CompressorKind::Video, "avenc_wmv2");
    project.endTime = 4'000'000;
    settings.outputFormat = OutputSettings::kAsf;
    settings.outputName = outputPath("out.asf");
    hide("asfmux");
    EXPECT_EQ(convert(), Outcome::None);
    EXPECT_EQ(dialogs.texts(), QStringList{"Please install ASF Multipexer)"});
    ASSERT_EQ(dialogs.webPages.size(), 1);
    EXPECT_TRUE(dialogs.webPages[0].toString().contains("q=ASF+Multiplexer"));
}

}  // namespace

namespace {

// Formats 4 and 5 play the conversion instead of writing it; with compressors bound, what they
// made is decoded again. The sinks here take raw pictures and sound only.
TEST_F(ConversionFixture, PreviewsPlayWhatTheCompressorsMade) {
    openSource(clips::halfSecond());
    project.endTime = 4'000'000;  // the clip is shorter than a second
    useCompressor(CompressorKind::Video, "avenc_mpeg4");
    useCompressor(CompressorKind::Audio, "lamemp3enc");
    job.setPreviewSinks("fakevideosink", "fakeaudiosink");
    int propertyDialogs = 0;
    job.setFilterPropertyDialog([&](GstPipeline* graph) {
        ++propertyDialogs;
        GObjectPtr<GstElement> compressor(gst_bin_get_by_name(GST_BIN(graph), "VideoCompressor"));
        EXPECT_TRUE(compressor) << "the dialog sees the graph it changes";
    });
    for (int32_t format : {OutputSettings::kPreviewWithProperties, OutputSettings::kPreview}) {
        settings.outputFormat = format;
        settings.outputName = outputPath("never written");
        EXPECT_EQ(convert(), Outcome::Completed) << dialogs.texts().join('|').toStdString();
        EXPECT_TRUE(dialogs.messages.isEmpty());
        EXPECT_FALSE(QFile::exists(settings.outputName));
    }
    EXPECT_EQ(propertyDialogs, 1);
}

}  // namespace

namespace {

// Open Video's single source goes around the editing services; a timeline of several items still
// goes through them, trimmed and timed alike.
TEST_F(ConversionFixture, TimelinesOfSeveralItemsConvertThroughTheEditingServices) {
    openSource(clips::tenPointNineSeconds());
    project.videos.push_back(project.videos.front());
    project.startTime = 10'000'000;
    project.endTime = 30'000'000;
    useCompressor(CompressorKind::Video, "avenc_mpeg4");
    ASSERT_EQ(convert(), Outcome::Completed) << dialogs.texts().join('|').toStdString();
    const ProbedFile written = probeFile(settings.outputName);
    ASSERT_TRUE(written.stream("video"));
    EXPECT_NEAR(double(written.stream("video")->frames), 50.0, 1.0);
    EXPECT_NEAR(written.duration, 2.0, 0.05);
}

}  // namespace
