#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "engine/ConversionPasses.h"
#include "output/quality/EncoderQuality.h"

#include "tests/common/FileProbe.h"
#include "tests/common/TestMedia.h"
#include "tests/engine/ConversionFixture.h"

namespace {

using Outcome = ConversionJob::Outcome;

class SizeTarget : public ConversionFixture {
  protected:
    void SetUp() override {
        // Detailed pictures, so that the encoder has a use for every bit it is given.
        openSource(sharedRecording());
        settings.outputFormat = OutputSettings::kMp4;
        useCompressor(CompressorKind::Video, "x264enc");
        useCompressor(CompressorKind::Audio, "avenc_aac");
        settings.outputName = outputPath("fits.mp4");
        settings.outputWidth = 320;
        settings.outputHeight = 240;
        settings.frameRate = 30;
    }

    static QString sharedRecording() {
        static const QString path = makeRecordedClip(testMediaFolder(), "twelve.mp4", 12, 12);
        return path;
    }
};

TEST_F(SizeTarget, TwoPassesFillTheSizeWithoutGoingOver) {
    settings.targetSizeBytes = 600'000;
    QStringList passTexts;
    QObject::connect(&job, &ConversionJob::statusLineChanged,
                     [&] { passTexts.append(job.passText()); });
    ASSERT_EQ(convert(120000), Outcome::Completed) << dialogs.texts().join('|').toStdString();
    const qint64 size = QFileInfo(settings.outputName).size();
    EXPECT_LE(size, 600'000);
    // The AAC encoder spends less than its bitrate on the recording's pure tone.
    EXPECT_GE(size, 500'000);
    EXPECT_TRUE(passTexts.contains("pass 2 of 2")) << passTexts.join('|').toStdString();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.texts().join('|').toStdString();
    const ProbedFile written = probeFile(settings.outputName);
    ASSERT_TRUE(written.stream("video"));
    EXPECT_EQ(written.stream("video")->frames, 360);
    EXPECT_EQ(QDir(outputFolder.path()).entryList(QDir::Files), QStringList{"fits.mp4"});
}

TEST_F(SizeTarget, StopInTheFirstPassWritesNothingAndSaysSo) {
    settings.targetSizeBytes = 600'000;
    QEventLoop loop;
    QObject::connect(&job, &ConversionJob::finished, &loop, &QEventLoop::quit);
    job.startConversion();
    ASSERT_TRUE(job.isConverting()) << dialogs.texts().join('|').toStdString();
    job.finishConversion();
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    if (job.isConverting()) {
        loop.exec();
    }
    EXPECT_EQ(job.lastOutcome(), Outcome::Cancelled);
    EXPECT_EQ(statusLines.last(),
              "Stopped in pass 1 of 2, before the file is written: nothing was written.");
    EXPECT_TRUE(QDir(outputFolder.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(SizeTarget, ASizeNoPictureFitsIsRefusedUpFront) {
    settings.targetSizeBytes = 50'000;  // 0.05 MB for 12 s
    EXPECT_EQ(convert(), Outcome::None);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith("0.05 MB is too small for 00:00:12 of video"))
        << dialogs.messages[0].text.toStdString();
    EXPECT_TRUE(dialogs.messages[0].text.contains("need at least 0.")) << "names the least size";
    EXPECT_TRUE(QDir(outputFolder.path()).entryList(QDir::Files).isEmpty());

    // WMV's size follows its profile's bitrates: a target is refused, not ignored.
    dialogs.messages.clear();
    settings.outputFormat = OutputSettings::kWmv;
    settings.targetSizeBytes = 600'000;
    EXPECT_EQ(convert(), Outcome::None);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith("WMV files are written at the Windows Media"))
        << dialogs.messages[0].text.toStdString();
    EXPECT_TRUE(QDir(outputFolder.path()).entryList(QDir::Files).isEmpty());
}

}  // namespace

// MPEG-4 Part 2 aims by whole quantizers, whose sizes are known only once written: the passes step
// coarser while over the size and finer while well below it, then blend the two neighbours, and
// never end over the size while a coarser quantizer is left. The encoder here is steeper than the
// model the first guess uses; the largest size is more than quantizer 2 writes.
TEST_F(ConversionFixture, QuantizerStepsEndWithinTheSize) {
    settings.outputFormat = OutputSettings::kAvi;
    useCompressor(CompressorKind::Video, "avenc_mpeg4");
    useCompressor(CompressorKind::Audio, "lamemp3enc");
    settings.outputWidth = 854;
    settings.outputHeight = 480;
    settings.frameRate = 30;
    const double pixelsPerSecond = 854.0 * 480 * 30;
    const std::pair<double, double> jobs[] = {{8, 30}, {25, 120}, {100, 300}, {180, 300}, {18, 30}};
    for (const auto& [targetMegabytes, seconds] : jobs) {
        settings.targetSizeBytes = int64_t(targetMegabytes * 1e6);
        std::optional<ConversionPasses::Refusal> refusal;
        ConversionPasses passes = ConversionPasses::forSize(settings, seconds, true, &refusal);
        ASSERT_FALSE(refusal) << targetMegabytes;
        auto bytesAt = [&](int quantizer) {
            return int64_t(0.5e6 * seconds * std::pow(2.0 / quantizer, 1.3));
        };
        // A blend's bitrate moves the size smoothly between its two quantizers' files, about a
        // decade around a point the passes do not know.
        const double blendMiddle = 30 * double(settings.targetSizeBytes) * 8 / seconds;
        auto bytesFor = [&](const EncoderGoal& goal) {
            if (goal.blendFinest == 0) {
                return bytesAt(libavQuantizerStep(double(goal.bitrate), pixelsPerSecond));
            }
            const double place =
                std::clamp(std::log10(double(goal.bitrate) / blendMiddle) + 0.5, 0.0, 1.0);
            const int64_t coarser = bytesAt(goal.blendCoarsest);
            return coarser + int64_t(place * double(bytesAt(goal.blendFinest) - coarser));
        };
        int64_t written = 0;
        do {
            written = bytesFor(passes.videoGoal());
        } while (passes.advance(written) && passes.count() < 12);
        EXPECT_LE(written, settings.targetSizeBytes) << targetMegabytes << " MB";
        // Quantizer 1, finer than the usual floor, fills what 2 leaves below the size.
        if (bytesAt(1) > settings.targetSizeBytes) {
            EXPECT_GE(double(written), 0.95 * double(settings.targetSizeBytes))
                << targetMegabytes << " MB";
        }
        EXPECT_LE(passes.count(), 9) << targetMegabytes << " MB";
    }
}
