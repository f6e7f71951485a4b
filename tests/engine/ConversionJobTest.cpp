#include <unistd.h>

#include <cmath>

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include "tests/common/FileProbe.h"
#include "tests/common/TestMedia.h"
#include "tests/engine/ConversionFixture.h"

namespace {

using Outcome = ConversionJob::Outcome;

class ConversionJobChecks : public ConversionFixture {};

TEST_F(ConversionJobChecks, NothingOpenedNothingConverted) {
    job.startConversion();
    EXPECT_EQ(dialogs.texts(), QStringList{"Please open a video file first!"});
    EXPECT_FALSE(job.isConverting());
}

TEST_F(ConversionJobChecks, TooManyItemsAreRefused) {
    openSource(clips::halfSecond());
    project.audios.resize(101, project.audios[0]);
    job.startConversion();
    EXPECT_EQ(dialogs.texts(), QStringList{"Music files are too many! Please delete some music "
                                           "files in the music list."});
    project.videos.resize(1001, project.videos[0]);
    job.startConversion();
    EXPECT_EQ(dialogs.texts().last(),
              "Photos are too many! Please delete some photos in the photo list.");
    EXPECT_FALSE(job.isConverting());
}

TEST_F(ConversionJobChecks, ExistingOutputAnsweredNoIsLeftAlone) {
    openSource(clips::tenPointNineSeconds());
    QFile existing(settings.outputName);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("precious");
    existing.close();
    dialogs.answers = {MessageAnswer::No};
    job.startConversion();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text,
              settings.outputName + " exists. Do you want to replace it?");
    EXPECT_EQ(dialogs.messages[0].caption, "Warning");
    EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_FALSE(job.isConverting());
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), "precious");
}

TEST_F(ConversionJobChecks, OutputNamingTheSourceIsRefusedBeforeAnythingIsDeleted) {
    const QString source = outputPath("source.avi");
    ASSERT_TRUE(QFile::copy(clips::halfSecond(), source));
    openSource(source);
    settings.outputName = outputFolder.path() + "/./source.avi";
    dialogs.answers = {MessageAnswer::Yes};
    job.startConversion();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(
        dialogs.messages[0].text.startsWith("The output file is the video being converted"));
    EXPECT_FALSE(job.isConverting());
    EXPECT_EQ(QFile(source).size(), QFile(clips::halfSecond()).size());
}

TEST_F(ConversionJobChecks, UnlikelyOriginalFrameRateIsQuestioned) {
    openSource(clips::halfSecond());
    settings.useVideoCompressor = 1;  // no compressor question in the way
    settings.frameRateIndex = 0;
    settings.sourceFrameRate = 1000;
    settings.frameRate = 1000;
    settings.outputName = outputFolder.path() + "/no-such-folder/out.avi";
    dialogs.answers = {MessageAnswer::Yes};
    double answered = 0;
    QObject::connect(&job, &ConversionJob::frameRateAnswered,
                     [&](double rate) { answered = rate; });
    job.startConversion();
    ASSERT_FALSE(dialogs.messages.isEmpty());
    EXPECT_EQ(dialogs.messages[0].text,
              "The output frame rate is 1000.000000.The value may not be proper.\nClick Yes to "
              "set the output frame rate 23.976. Click No to keep it.");
    EXPECT_DOUBLE_EQ(answered, 23.976);  // for the window to keep
}

// What a conversion adjusts (the questioned rate, an odd size made even, the compressors a
// Windows Media profile replaces) is its own: the settings it was given stay as they were.
TEST_F(ConversionJobChecks, AConversionLeavesTheSettingsItWasGivenAsTheyWere) {
    openSource(clips::halfSecond());
    settings.outputFormat = OutputSettings::kWmv;
    settings.outputName = outputPath("out.wmv");
    settings.useVideoCompressor = 1;
    settings.useAudioCompressor = 1;
    settings.outputWidth = 161;
    settings.outputHeight = 121;
    settings.frameRateIndex = 0;
    settings.sourceFrameRate = 1000;
    settings.frameRate = 1000;
    dialogs.answers = {MessageAnswer::Yes};
    const OutputSettings given = settings;
    EXPECT_EQ(convert(), Outcome::Completed) << dialogs.texts().join('|').toStdString();
    EXPECT_TRUE(settings == given);
    EXPECT_TRUE(statusLines.last().contains("160*120")) << statusLines.last().toStdString();
}

TEST_F(ConversionJobChecks, AFrameRateNoWriterTakesIsRefusedBeforeAnythingIsWritten) {
    openSource(clips::halfSecond());
    settings.useVideoCompressor = 1;
    settings.outputFormat = OutputSettings::kWmv;
    settings.frameRateIndex = 6;
    for (double rate : {1e12, std::nan("")}) {
        settings.frameRate = rate;
        dialogs.messages.clear();
        job.startConversion();
        EXPECT_FALSE(job.isConverting());
        ASSERT_EQ(dialogs.messages.size(), 1);
        EXPECT_EQ(dialogs.messages[0].text,
                  "The frame rate is too large! At most 1000 frames per second can be written.");
        EXPECT_TRUE(QDir(outputFolder.path()).isEmpty());
    }
}

TEST_F(ConversionJobChecks, UncompressedVideoIsQuestionedExceptForWmv) {
    openSource(clips::halfSecond());
    dialogs.answers = {MessageAnswer::No};
    job.startConversion();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(
        "You do not select a video compressor in Options dialog. The output file will be very "
        "big.\nStrongly recommend you to install DivX codec, then select DivX as video "
        "compressor.\nIf there is no DivX codec on your system, please download it at "));
    EXPECT_TRUE(dialogs.messages[0].text.endsWith("\nDo you want to continue?"));
    EXPECT_FALSE(job.isConverting());

    settings.outputFormat = OutputSettings::kWmv;
    settings.outputName = outputPath("out.wmv");
    project.endTime = 4'000'000;  // the clip is shorter than a second
    dialogs.messages.clear();
    EXPECT_EQ(convert(), Outcome::Completed) << dialogs.texts().join('|').toStdString();
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(ConversionJobChecks, EmptyOrBackwardSpanIsRefusedInsteadOfRunningForever) {
    openSource(clips::tenPointNineSeconds());
    useCompressor(CompressorKind::Video, "avenc_mpeg4");
    project.startTime = project.endTime = 30'000'000;
    job.startConversion();
    EXPECT_FALSE(job.isConverting());
    ASSERT_FALSE(dialogs.messages.isEmpty());
    EXPECT_TRUE(dialogs.messages.last().text.startsWith("There is nothing to convert"));
    project.endTime = 10'000'000;
    dialogs.messages.clear();
    job.startConversion();
    EXPECT_FALSE(job.isConverting());
    EXPECT_TRUE(dialogs.sawText("Could not configure media source"));
}

TEST(ConversionJobTexts, ElapsedTimeCountsHoursPastTwoDigits) {
    EXPECT_EQ(ConversionJob::elapsedText(3725), "Please wait... Used Time: 01:02:05");
    EXPECT_EQ(ConversionJob::elapsedText(0), "Please wait... Used Time: 00:00:00");
    EXPECT_EQ(ConversionJob::elapsedText(360000), "Please wait... Used Time: 100:00:00");
}

class ConversionJobRuns : public ConversionFixture {};

TEST_F(ConversionJobRuns, CompletionShowsTheResultLineAndReplacesAnExistingFile) {
    openSource(clips::tenPointNineSeconds());
    settings.useVideoCompressor = 1;
    useCompressor(CompressorKind::Video, "avenc_mpeg4");
    QFile existing(settings.outputName);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("old");
    existing.close();
    dialogs.answers = {MessageAnswer::Yes};
    bool sawConverting = false;
    QString captionWhileConverting;
    QObject::connect(&job, &ConversionJob::convertingChanged,
                     [&](bool converting, const QString& caption) {
                         if (converting) {
                             sawConverting = true;
                             captionWhileConverting = caption;
                         }
                     });
    EXPECT_EQ(convert(), Outcome::Completed);
    EXPECT_TRUE(sawConverting);
    EXPECT_EQ(captionWhileConverting, "Stop");
    ASSERT_FALSE(statusLines.isEmpty());
    EXPECT_EQ(statusLines.last(),
              "Done. Output file: " + settings.outputName + "     Resolution: 320*240");
    EXPECT_TRUE(probeFile(settings.outputName).readable);
    EXPECT_FALSE(job.isConverting());
    EXPECT_EQ(QDir(outputFolder.path()).entryList(QDir::Files), QStringList{"out.avi"});
}

TEST_F(ConversionJobRuns, AFailedConversionLeavesTheFileItWasToReplace) {
    openSource(clips::tenPointNineSeconds());
    useCompressor(CompressorKind::Video, "avenc_h263");  // H.263 takes five picture sizes only
    settings.outputName = outputPath("keep.avi");
    QFile existing(settings.outputName);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("precious");
    existing.close();
    dialogs.answers = {MessageAnswer::Yes};
    EXPECT_NE(convert(), Outcome::Completed);
    EXPECT_TRUE(dialogs.sawText("failed pBuilder->RenderStream( NULL, NULL, pPin, NULL, pMux )"));
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), "precious");
    EXPECT_EQ(QDir(outputFolder.path()).entryList(QDir::Files), QStringList{"keep.avi"});
}

struct StopCase {
    int32_t format;
    const char* name;
    const char* videoFactory;
    const char* audioFactory;
};

class StoppedFiles : public ConversionFixture, public ::testing::WithParamInterface<StopCase> {};

// x264 and VP9 at this size take seconds to drain their look-ahead after the end of the stream;
// an MP4 is unreadable without the index written at its end.
TEST_P(StoppedFiles, StopFinishesTheFileHoweverLongTheEncoderNeeds) {
    const StopCase& format = GetParam();
    ClipSpec longClip;
    longClip.frames = 1500;  // a minute at 25 fps
    longClip.width = 640;
    longClip.height = 480;
    openSource(sharedClip("one-minute.avi", longClip));
    settings.outputFormat = format.format;
    useCompressor(CompressorKind::Video, format.videoFactory);
    useCompressor(CompressorKind::Audio, format.audioFactory);
    settings.outputName = outputPath(QString("stopped 100%.") + format.name);
    settings.outputWidth = 1280;
    settings.outputHeight = 960;
    QEventLoop loop;
    QObject::connect(&job, &ConversionJob::finished, &loop, &QEventLoop::quit);
    job.startConversion();
    ASSERT_TRUE(job.isConverting()) << dialogs.texts().join('|').toStdString();
    QElapsedTimer running;
    running.start();
    while (job.writtenTime() < 15'000'000 && running.elapsed() < 60000) {
        QTimer::singleShot(100, &loop, &QEventLoop::quit);
        loop.exec();
    }
    ASSERT_TRUE(job.isConverting());

    QElapsedTimer stopping;
    stopping.start();
    job.startConversion();  // the button is captioned Stop now
    EXPECT_LT(stopping.elapsed(), 500) << "Stop must answer at once";
    EXPECT_TRUE(job.isFinishing());
    EXPECT_TRUE(statusLines.last().startsWith("Finishing the file, please wait..."));
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_FALSE(job.isConverting());
    EXPECT_EQ(job.lastOutcome(), Outcome::Stopped) << dialogs.texts().join('|').toStdString();
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(statusLines.last(),
              "Done. Output file: " + settings.outputName + "     Resolution: 1280*960");
    const ProbedFile written = probeFile(settings.outputName);
    ASSERT_TRUE(written.readable);
    ASSERT_TRUE(written.stream("video"));
    const double converted = job.convertedSpan() / 1e7;
    EXPECT_GT(converted, 1.4);
    EXPECT_NEAR(double(written.stream("video")->frames), converted * 25, 2.0);
    // Sound, cheap to encode, may have got up to its queue's second further than the picture.
    EXPECT_GE(written.duration, converted - 0.1);
    EXPECT_LE(written.duration, converted + 1.1);
    EXPECT_EQ(QDir(outputFolder.path()).entryList(QDir::Files),
              QStringList{QFileInfo(settings.outputName).fileName()})
        << "nothing of the writer's is left beside the file";
}

INSTANTIATE_TEST_SUITE_P(
    LookAheadEncoders, StoppedFiles,
    ::testing::Values(StopCase{OutputSettings::kMkv, "mkv", "x264enc", "vorbisenc"},
                      StopCase{OutputSettings::kMp4, "mp4", "x264enc", "avenc_aac"},
                      StopCase{OutputSettings::kWebm, "webm", "vp9enc", "opusenc"}),
    [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

TEST_F(ConversionJobRuns, UnwritableOutputFailsClearlyAndNeverSaysDone) {
    openSource(clips::halfSecond());
    useCompressor(CompressorKind::Video, "avenc_mpeg4");
    project.endTime = 4'000'000;
    const QString locked = outputPath("locked");
    ASSERT_TRUE(QDir().mkdir(locked));
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
    // Root may write into a read-only folder; a folder that does not exist stops everyone.
    const bool permissionsBind = geteuid() != 0;
    for (const QString& output : {outputPath("missing/out.avi"), locked + "/out.avi"}) {
        if (output.startsWith(locked) && !permissionsBind) {
            continue;
        }
        settings.outputName = output;
        dialogs.messages.clear();
        statusLines.clear();
        EXPECT_NE(convert(), Outcome::Completed) << output.toStdString();
        EXPECT_TRUE(dialogs.sawText("can not pControl->Run()!!!"))
            << dialogs.texts().join('|').toStdString();
        ASSERT_GE(dialogs.messages.size(), 2);
        EXPECT_TRUE(dialogs.messages.last().text.contains(output.section('/', -2, -2)))
            << dialogs.messages.last().text.toStdString();
        for (const QString& line : statusLines) {
            EXPECT_FALSE(line.startsWith("Done"));
        }
    }
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(ConversionJobRuns, SourceThatVanishedFailsClearly) {
    const QString source = outputPath("gone.avi");
    ASSERT_TRUE(QFile::copy(clips::halfSecond(), source));
    openSource(source);
    useCompressor(CompressorKind::Video, "avenc_mpeg4");
    project.endTime = 4'000'000;
    QFile::resize(source, 100);
    const Outcome outcome = convert();
    EXPECT_NE(outcome, Outcome::Completed);
    EXPECT_FALSE(job.isConverting());
    EXPECT_FALSE(dialogs.messages.isEmpty());
    for (const QString& line : statusLines) {
        EXPECT_FALSE(line.startsWith("Done"));
    }
}

TEST_F(ConversionJobRuns, WmvFollowsTheVideoBitrateAndKeepsItsLastPictures) {
    openSource(clips::tenPointNineSeconds());
    settings.outputFormat = OutputSettings::kWmv;
    settings.outputWidth = 640;
    settings.outputHeight = 480;
    project.startTime = 20'000'000;
    project.endTime = 60'000'000;
    QList<qint64> sizes;
    for (int kbps : {100, 2000}) {
        settings.videoBitrate = kbps * 1024;
        settings.outputName = outputPath(QString("rate %1.wmv").arg(kbps));
        ASSERT_EQ(convert(), Outcome::Completed) << dialogs.texts().join('|').toStdString();
        const ProbedFile written = probeFile(settings.outputName);
        ASSERT_TRUE(written.stream("video"));
        EXPECT_EQ(written.stream("video")->frames, 100) << "4 s at 25 fps, the last ones too";
        sizes.append(QFileInfo(settings.outputName).size());
    }
    EXPECT_GT(sizes[1], 2 * sizes[0]);
}

TEST_F(ConversionJobRuns, FileNamesArePlacedLiterally) {
    openSource(clips::halfSecond());
    project.endTime = 4'000'000;
    useCompressor(CompressorKind::Video, "avenc_mpeg4");
    settings.outputName = outputPath("out %1 %2 100%.avi");
    ASSERT_EQ(convert(), Outcome::Completed) << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(statusLines.last(),
              "Done. Output file: " + settings.outputName + "     Resolution: 160*120");
    EXPECT_TRUE(QFileInfo::exists(settings.outputName));
}

TEST_F(ConversionJobRuns, AnimatedGifConvertsTheSpanAtTheRequestedRate) {
    openSource(makeGif(outputFolder.path(), "anim.gif", 47, 10));  // 4.7 s
    useCompressor(CompressorKind::Video, "avenc_mpeg4");
    settings.frameRateIndex = 0;
    settings.frameRate = settings.sourceFrameRate;
    ASSERT_EQ(convert(10000), Outcome::Completed) << dialogs.texts().join('|').toStdString();
    ProbedFile written = probeFile(settings.outputName);
    ASSERT_TRUE(written.stream("video"));
    EXPECT_EQ(written.stream("video")->frames, 47);
    EXPECT_NEAR(written.duration, 4.7, 0.05);

    settings.frameRate = 25.0;
    project.endTime = 20'000'000;
    settings.outputName = outputPath("anim25.avi");
    ASSERT_EQ(convert(10000), Outcome::Completed) << dialogs.texts().join('|').toStdString();
    written = probeFile(settings.outputName);
    ASSERT_TRUE(written.stream("video"));
    EXPECT_EQ(written.stream("video")->frames, 50);
    EXPECT_NEAR(written.duration, 2.0, 0.05);
}

// Each picture of an animation lasts its own time, whatever the output's rate, trimmed or not.
TEST_F(ConversionJobRuns, AnimatedGifKeepsItsOwnPace) {
    openSource(makeDarkThenLightGif(outputFolder.path(), "pace.gif", 10, 20, 10));  // 1 s + 2 s
    useCompressor(CompressorKind::Video, "avenc_mpeg4");
    settings.frameRateIndex = 0;
    settings.frameRate = 25.0;
    ASSERT_EQ(convert(10000), Outcome::Completed) << dialogs.texts().join('|').toStdString();
    EXPECT_LT(meanBrightness(settings.outputName, 0.7, 0, 119), 60);
    EXPECT_GT(meanBrightness(settings.outputName, 1.3, 0, 119), 190);

    project.startTime = 5'000'000;
    settings.outputName = outputPath("pace-trimmed.avi");
    ASSERT_EQ(convert(10000), Outcome::Completed) << dialogs.texts().join('|').toStdString();
    EXPECT_LT(meanBrightness(settings.outputName, 0.3, 0, 119), 60);
    EXPECT_GT(meanBrightness(settings.outputName, 0.8, 0, 119), 190);
}

TEST_F(ConversionJobRuns, SoundRunningPastThePictureIsNoSignOfDamage) {
    ClipSpec clip;
    clip.frames = 150;  // 5 s of picture at 30 fps
    clip.fpsNumerator = 30;
    clip.audioSeconds = 6.4;
    openSource(sharedClip("sound-longer.avi", clip));
    ASSERT_NEAR(project.endTime, 64'000'000, 200'000);
    useCompressor(CompressorKind::Video, "avenc_mpeg4");
    EXPECT_EQ(convert(), Outcome::Completed) << dialogs.texts().join('|').toStdString();
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(statusLines.last().startsWith("Done."));
}

// Recordings as ffmpeg writes them: the streams of its MKV files get different numbers of
// segments before the trim's seek, and MP4 ends the picture at its own length, before the sound.
TEST_F(ConversionJobRuns, RecordingsWhoseSoundOutlastsThePictureConvertWhole) {
    for (const char* name : {"recording.mkv", "recording.mp4"}) {
        openSource(makeRecordedClip(outputFolder.path(), name, 5.0, 6.4));
        ASSERT_NEAR(project.endTime, 64'000'000, 300'000) << name;
        project.startTime = 10'000'000;
        useCompressor(CompressorKind::Video, "avenc_mpeg4");
        useCompressor(CompressorKind::Audio, "lamemp3enc");  // its length shows in the file
        settings.outputName = outputPath(QString(name) + ".avi");
        EXPECT_EQ(convert(), Outcome::Completed) << name << dialogs.texts().join('|').toStdString();
        const ProbedFile written = probeFile(settings.outputName);
        ASSERT_TRUE(written.stream("audio")) << name;
        EXPECT_NEAR(written.stream("audio")->duration, 5.4, 0.1) << name << ": 1 s to 6.4 s";
    }
}

// Each track of an MP4 file has an edit list of its own: the picture's clock starts behind its
// B-frames, the sound's behind the encoder's priming. Read on one clock, the sound came 45 ms
// early and looked cut short.
TEST_F(ConversionJobRuns, AnMp4sSoundStaysWithItsPicturesToItsOwnEnd) {
    settings.frameRateIndex = 0;  // the source's: each white picture is one of 30 a second
    openSource(makeSyncMarkedRecording(outputFolder.path(), "marked.mp4", 6, 10));
    project.startTime = 5'000'000;
    useCompressor(CompressorKind::Video, "avenc_mpeg4");
    settings.useAudioCompressor = 0;  // the samples as decoded, without an encoder's delay
    settings.outputName = outputPath("marked.avi");
    EXPECT_EQ(convert(), Outcome::Completed) << dialogs.texts().join('|').toStdString();
    EXPECT_TRUE(statusLines.last().startsWith("Done."));
    const double flash = firstWhitePictureAt(settings.outputName);
    EXPECT_NEAR(flash, 0.5, 0.001) << "the source's picture at 1 s";
    EXPECT_NEAR(firstLoudSoundAt(settings.outputName), flash, 0.002);
}

TEST_F(ConversionJobRuns, SourceCutOffInTheMiddleIsNotReportedAsDone) {
    ClipSpec clip;
    clip.frames = 250;
    clip.container = "mkv";
    const QString whole = sharedClip("ten-seconds.mkv", clip);
    const QString cut =
        makeTruncatedCopy(whole, outputFolder.path(), "cut.mkv", QFileInfo(whole).size() * 6 / 10);
    openSource(cut);
    ASSERT_EQ(project.endTime, 100'000'000) << "the header still promises ten seconds";
    useCompressor(CompressorKind::Video, "avenc_mpeg4");
    EXPECT_EQ(convert(), Outcome::EndedEarly);
    ASSERT_FALSE(dialogs.messages.isEmpty());
    EXPECT_TRUE(dialogs.messages.last().text.startsWith("The conversion ended early"));
    EXPECT_TRUE(statusLines.last().startsWith("Ended early."));
}

}  // namespace
