#include <QDir>

#include "output/compressors/CompressorFit.h"
#include "output/compressors/CurrentCompressors.h"
#include "output/formats/OutputFormats.h"
#include "output/settings/OutputSettingsStore.h"
#include "tests/common/FileProbe.h"
#include "tests/common/TestMedia.h"
#include "tests/engine/ConversionFixture.h"

namespace {

using Outcome = ConversionJob::Outcome;

constexpr int32_t kWriters[] = {OutputSettings::kAvi, OutputSettings::kMkv, OutputSettings::kAsf,
                                OutputSettings::kMp4, OutputSettings::kWebm};

QString extensionOf(int32_t format) {
    return formatName(format).toLower();
}

class CompressorWalk : public ConversionFixture {
  protected:
    void SetUp() override {
        ClipSpec clip;
        clip.frames = 20;  // 2 s at 10 fps
        clip.fpsNumerator = 10;
        clip.width = 160;
        clip.height = 120;
        openSource(sharedClip(QStringLiteral("two-seconds.avi"), clip));
        // A size and rate that the picky encoders take too (H.263 and MPEG-2 ones).
        settings.outputWidth = 352;
        settings.outputHeight = 288;
        settings.frameRate = 25.0;
    }

    // The other kind is written uncompressed where the format takes that, else compressed with
    // a fast encoder the format takes.
    void useCounterpart(CompressorKind kind, int32_t format) {
        const bool video = kind == CompressorKind::Audio;
        const CompressorKind other = video ? CompressorKind::Video : CompressorKind::Audio;
        settings.outputFormat = format;
        settings.ownCompressors[format] = {};
        (video ? settings.useVideoCompressor : settings.useAudioCompressor) = 0;
        switch (format) {
            case OutputSettings::kAsf:
                useCompressor(other, video ? "avenc_wmv2" : "lamemp3enc");
                break;
            case OutputSettings::kMp4:
                useCompressor(other, video ? "x264enc" : "avenc_aac");
                break;
            case OutputSettings::kWebm:
                useCompressor(other, video ? "vp8enc" : "vorbisenc");
                break;
            default:
                break;
        }
    }

    void useEntry(CompressorKind kind, int32_t position) {
        const QString factory = compressorCatalogue(kind)[position].factoryName;
        if (outputFormat(settings.outputFormat)->compressors == CompressorSource::OwnChoice) {
            OwnCompressors& own = settings.ownCompressors[settings.outputFormat];
            (kind == CompressorKind::Video ? own.video : own.audio) = factory;
            return;
        }
        ASSERT_TRUE(bindCompressor(kind, position, dialogs));
        (kind == CompressorKind::Video ? settings.useVideoCompressor
                                       : settings.useAudioCompressor) = 1;
    }
};

// Every entry converts into every format the catalogue says it works with, and is refused up
// front, leaving no file, for every other.
TEST_F(CompressorWalk, EveryEntryConvertsWhereMarkedAndIsRefusedElsewhere) {
    for (CompressorKind kind : {CompressorKind::Video, CompressorKind::Audio}) {
        const QList<CompressorEntry> catalogue = compressorCatalogue(kind);
        for (int32_t position = 0; position < catalogue.size(); ++position) {
            const CompressorEntry& entry = catalogue[position];
            for (int32_t format : kWriters) {
                SCOPED_TRACE(
                    QStringLiteral("%1 into %2").arg(entry.name, formatName(format)).toStdString());
                useCounterpart(kind, format);
                useEntry(kind, position);
                settings.outputName = outputPath(QStringLiteral("walk-%1-%2.%3")
                                                     .arg(entry.factoryName)
                                                     .arg(format)
                                                     .arg(extensionOf(format)));
                dialogs.messages.clear();
                const Outcome outcome = convert();
                if (entry.worksWith(format)) {
                    EXPECT_EQ(outcome, Outcome::Completed)
                        << dialogs.texts().join('|').toStdString();
                    const ProbedFile written = probeFile(settings.outputName);
                    EXPECT_TRUE(written.readable);
                    EXPECT_NEAR(written.duration, 2.0, 0.15);
                    QFile::remove(settings.outputName);
                } else {
                    EXPECT_FALSE(job.isConverting());
                    ASSERT_EQ(dialogs.messages.size(), 1);
                    EXPECT_TRUE(dialogs.messages[0].text.startsWith(
                        entry.name + (kind == CompressorKind::Video ? " video" : " sound") +
                        " cannot be written into " + formatName(format) + ": choose another"))
                        << dialogs.messages[0].text.toStdString();
                    EXPECT_FALSE(QFile::exists(settings.outputName));
                }
            }
        }
    }
    EXPECT_EQ(QDir(outputFolder.path()).entryList(QDir::Files), QStringList{});
}

TEST_F(CompressorWalk, TheStoredDefaultsWriteMp3SoundInAvi) {
    OutputSettings loaded;
    loadOutputSettings(store, loaded, dialogs);
    ASSERT_EQ(loaded.useAudioCompressor, 1);
    ASSERT_TRUE(currentAudioCompressor());
    EXPECT_STREQ(GST_OBJECT_NAME(gst_element_get_factory(currentAudioCompressor())), "lamemp3enc");
    settings.useAudioCompressor = loaded.useAudioCompressor;
    settings.outputName = outputPath("default.avi");
    ASSERT_EQ(convert(), Outcome::Completed) << dialogs.texts().join('|').toStdString();
    const ProbedFile written = probeFile(settings.outputName);
    ASSERT_TRUE(written.stream("audio"));
    EXPECT_EQ(written.stream("audio")->codec, "mp3");
}

}  // namespace
