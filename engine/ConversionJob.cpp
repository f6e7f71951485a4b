#include "engine/ConversionJob.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

#include "base/UserDialogs.h"
#include "engine/ClosedFileMending.h"
#include "engine/ConversionGraph.h"
#include "engine/ConversionRules.h"
#include "engine/CopyRules.h"
#include "engine/TimelineBuilder.h"
#include "language/Language.h"
#include "language/TextIds.h"
#include "media/MediaFile.h"
#include "media/RenderEngine.h"
#include "media/Timeline.h"
#include "output/compressors/CompressorFit.h"
#include "output/compressors/CurrentCompressors.h"
#include "output/formats/OutputFormats.h"
#include "output/quality/SizeTarget.h"
#include "output/settings/OutputRules.h"
#include "output/settings/OutputSettings.h"
#include "project/Clock.h"
#include "project/ConversionProject.h"

namespace {

constexpr int kTimerPeriodMs = 1000;
// Going away in the middle of a conversion cannot wait for signals: the writer gets this long.
constexpr int kLastFinishTimeoutMs = 60000;

const char* const kCodecPage = "https://packages.debian.org/bookworm/gstreamer1.0-libav";

bool sameFile(const QString& first, const QString& second) {
    const QString a = QFileInfo(first).canonicalFilePath();
    return !a.isEmpty() && a == QFileInfo(second).canonicalFilePath();
}

}  // namespace

ConversionJob::ConversionJob(const ConversionProject& project, const OutputSettings& settings,
                             UserDialogs& dialogs, const CLanguage& language, QObject* parent)
    : QObject(parent),
      chosenProject_(project),
      chosenSettings_(settings),
      dialogs_(dialogs),
      language_(language) {
    timer_.setInterval(kTimerPeriodMs);
    connect(&timer_, &QTimer::timeout, this, &ConversionJob::onConversionTimer);
}

ConversionJob::~ConversionJob() {
    // Going away in the middle of a conversion ends it as Stop would, without telling anyone.
    if (graph_) {
        const bool finished = graph_->finishAndWait(kLastFinishTimeoutMs);
        const QString failure = graph_->errorText();
        graph_->stop();
        graph_.reset();
        QString ignored;
        settleOutputFile(finished && failure.isEmpty() ? Outcome::Stopped : Outcome::Failed,
                         failure, &ignored);
    }
}

QString ConversionJob::text(int id) const {
    return language_.GetMessageText(id);
}

bool ConversionJob::isFinishing() const {
    return graph_ && graph_->isFinishing();
}

QString ConversionJob::elapsedText(int seconds) {
    return QString::asprintf("Please wait... Used Time: %02d:%02d:%02d", seconds / 3600,
                             (seconds % 3600) / 60, seconds % 60);
}

int64_t ConversionJob::writtenTime() const {
    return graph_ ? graph_->writtenTime() : 0;
}

int64_t ConversionJob::spanTime() const {
    return project_.endTime - project_.startTime;
}

bool ConversionJob::checkProject() {
    if (project_.videoCount() == 0) {
        dialogs_.inform(QStringLiteral("Please open a video file first!"));
        return false;
    }
    if (project_.videoCount() > kMaxVideoItems) {
        dialogs_.inform(
            QStringLiteral("Photos are too many! Please delete some photos in the photo list."));
        return false;
    }
    if (project_.audioCount() > kMaxAudioItems) {
        dialogs_.inform(QStringLiteral(
            "Music files are too many! Please delete some music files in the music list."));
        return false;
    }
    return true;
}

bool ConversionJob::confirmReplacingOutput() {
    const QString& output = settings_.outputName;
    // Replacing would delete the very file being converted.
    QStringList sources;
    for (const VideoItem& item : project_.videos) {
        sources.append(item.path);
    }
    for (const AudioItem& item : project_.audios) {
        sources.append(item.path);
    }
    for (const QString& source : sources) {
        if (sameFile(output, source)) {
            dialogs_.showMessage({.text = text(text_id::kOutputIsSource).arg(output),
                                  .caption = text(text_id::kWarning),
                                  .icon = MessageIcon::Warning});
            return false;
        }
    }
    if (!QFileInfo::exists(output)) {
        return true;
    }
    // The file that is there gives way only to a conversion that ends with a file: what is
    // written goes next to it until then (see OutputFile).
    const MessageAnswer answer =
        dialogs_.showMessage({.text = output + ' ' + text(text_id::kFileExists),
                              .caption = text(text_id::kWarning),
                              .buttons = MessageButtons::YesNo,
                              .icon = MessageIcon::Warning});
    return answer == MessageAnswer::Yes;
}

bool ConversionJob::checkFrameRate() {
    if (copy_ || !frameRateIsQuestionable(settings_)) {
        return true;
    }
    const MessageAnswer answer = dialogs_.showMessage(
        {.text = QString::asprintf("The output frame rate is %f.The value may not be proper.\n"
                                   "Click Yes to set the output frame rate 23.976. Click No to "
                                   "keep it.",
                                   settings_.sourceFrameRate),
         .caption = QStringLiteral("Warning"),
         .buttons = MessageButtons::YesNo,
         .icon = MessageIcon::Warning});
    settings_ = withFrameRateAnswer(settings_, answer == MessageAnswer::Yes);
    Q_EMIT frameRateAnswered(settings_.frameRate);
    return true;
}

bool ConversionJob::checkFrameRateRange() {
    // A rate no writer can take (or no number at all) would only fail deep in the pipeline.
    if (frameRateIsWritable(settings_)) {
        return true;
    }
    dialogs_.showMessage(
        {.text = text(text_id::kFrameRateTooLarge).arg(QString::number(kMaximumFrameRate)),
         .caption = text(text_id::kWarning),
         .icon = MessageIcon::Warning});
    return false;
}

bool ConversionJob::checkCopy() {
    copy_.reset();
    if (!settings_.copyVideo) {
        return true;
    }
    CopyDecision decision = decideLosslessCut(project_, settings_, language_);
    if (!decision.job) {
        dialogs_.showMessage({.text = decision.refusal,
                              .caption = text(text_id::kWarning),
                              .icon = MessageIcon::Warning});
        return false;
    }
    copy_ = std::move(decision.job);
    settings_.outputWidth = settings_.sourceWidth;
    settings_.outputHeight = settings_.sourceHeight;
    return true;
}

bool ConversionJob::confirmUncompressedVideo() {
    if (copy_ || usesWindowsMediaProfile(settings_.outputFormat)) {
        return true;
    }
    if (!compressorInUse(settings_, CompressorKind::Video).compressed) {
        const MessageAnswer answer = dialogs_.showMessage(
            {.text = QStringLiteral("You do not select a video compressor in Options dialog. The "
                                    "output file will be very big.\n"
                                    "Strongly recommend you to install DivX codec, then select "
                                    "DivX as video compressor.\n"
                                    "If there is no DivX codec on your system, please download it "
                                    "at %1\n"
                                    "Do you want to continue?")
                         .arg(QString::fromLatin1(kCodecPage)),
             .caption = QStringLiteral("Warning"),
             .buttons = MessageButtons::YesNo,
             .icon = MessageIcon::Warning});
        if (answer != MessageAnswer::Yes) {
            return false;
        }
    }
    return true;
}

void ConversionJob::startConversion() {
    if (graph_) {
        finishConversion();  // the button reads Stop
        return;
    }
    // The conversion works on its own copies: what it adjusts stays its own, and what the user
    // changes meanwhile does not reach it.
    project_ = chosenProject_;
    settings_ = chosenSettings_;
    if (!checkProject()) {
        return;
    }
    if (!checkCopy()) {
        return;
    }
    // A writer that cannot take a compressor's output is refused before anything is asked or
    // written.
    if (const QString mismatch = compressorMismatch(settings_, language_); !mismatch.isEmpty()) {
        dialogs_.showMessage(
            {.text = mismatch, .caption = text(text_id::kWarning), .icon = MessageIcon::Warning});
        return;
    }
    if (!confirmReplacingOutput() || !checkFrameRate() || !checkFrameRateRange() ||
        !confirmUncompressedVideo()) {
        return;
    }
    // A source's own odd size (a GIF, a cropped clip) is made even for the compressors.
    settings_ = withEvenFrame(settings_);
    createTimeline(project_, settings_, dialogs_, &timeline_);
    if (spanTime() <= 0) {
        // An empty timeline would never end: there is nothing to write.
        dialogs_.showMessage(
            {.text = text(text_id::kNothingToConvert)
                         .arg(formatClock(project_.endTime), formatClock(project_.startTime)),
             .caption = text(text_id::kWarning),
             .icon = MessageIcon::Warning});
        timeline_.reset();
        return;
    }
    if (!planPasses()) {
        timeline_.reset();
        return;
    }
    outputFile_.emplace(settings_.outputName);
    renderOptions_.writePath = outputFile_->writingPath();
    renderOptions_.scratchPath = outputFile_->scratchPath();
    if (!startPass()) {
        outputFile_->discard();
        outputFile_.reset();
        timeline_.reset();
        return;
    }
    elapsedSeconds_ = 0;
    lastOutcome_ = Outcome::None;
    timer_.start();
    Q_EMIT convertingChanged(true, language_.GetDialogText(text_id::kStopCaption));
}

bool ConversionJob::planPasses() {
    passes_.emplace(settings_);
    statsFolder_.reset();
    const OutputFormat* format = outputFormat(settings_.outputFormat);
    if (settings_.targetSizeBytes <= 0 || !format || !format->writer) {
        return true;  // the previews write nothing
    }
    if (usesWindowsMediaProfile(format->value)) {
        // Its profile's bitrates decide its size; a target would be ignored without a word.
        dialogs_.showMessage(
            {.text = text(text_id::kSizeNotForProfile).arg(formatName(format->value)),
             .caption = text(text_id::kWarning),
             .icon = MessageIcon::Warning});
        return false;
    }
    const bool hasSound = project_.audioCount() > 0 && project_.audios.front().duration != 0;
    std::optional<ConversionPasses::Refusal> refusal;
    ConversionPasses sized = ConversionPasses::forSize(
        settings_, double(spanTime()) / kUnitsPerSecond, hasSound, &refusal);
    if (refusal) {
        const QString reason =
            refusal->kind == ConversionPasses::Refusal::Kind::TooSmall
                ? text(text_id::kSizeTooSmall)
                      .arg(megabytesText(settings_.targetSizeBytes), formatClock(spanTime()),
                           megabytesText(refusal->smallestBytes))
                : text(text_id::kSizeCannotAim).arg(refusal->compressor);
        dialogs_.showMessage(
            {.text = reason, .caption = text(text_id::kWarning), .icon = MessageIcon::Warning});
        return false;
    }
    passes_ = sized;
    statsFolder_ = std::make_unique<QTemporaryDir>();
    passes_->setStatsFile(statsFolder_->filePath(QStringLiteral("passes.log")));
    return true;
}

bool ConversionJob::startPass() {
    renderOptions_.videoGoal = passes_->videoGoal();
    renderOptions_.soundGoal = passes_->soundGoal();
    renderOptions_.passWithoutFile = !passes_->writesFile();
    if (copy_) {
        LosslessCutJob job = *copy_;
        job.writePath = outputFile_->writingPath();
        job.scratchPath = outputFile_->scratchPath();
        auto cut = std::make_unique<LosslessCut>(std::move(job));
        cut->start();
        graph_ = std::move(cut);
    } else {
        graph_ = renderTimeline(timeline_, settings_, dialogs_, language_, renderOptions_);
    }
    if (!graph_) {
        return false;
    }
    connect(graph_.get(), &WritingGraph::completed, this, &ConversionJob::onGraphCompleted);
    connect(graph_.get(), &WritingGraph::failed, this, &ConversionJob::onGraphFailed);
    if (const QString pass = passText(); !pass.isEmpty()) {
        Q_EMIT passStarted(pass);
    }
    return true;
}

void ConversionJob::closeGraph() {
    if (graph_) {
        graph_->stop();  // closes the file, finished or not
        graph_.reset();
    }
}

int64_t ConversionJob::progressTime() const {
    if (!passes_ || !graph_) {
        return 0;
    }
    return int64_t(passes_->current() - 1) * spanTime() + std::min(writtenTime(), spanTime());
}

int64_t ConversionJob::progressSpan() const {
    return (passes_ ? passes_->count() : 1) * spanTime();
}

QString ConversionJob::passText() const {
    if (!passes_ || passes_->count() < 2) {
        return {};
    }
    return text(text_id::kPassOf)
        .arg(QString::number(passes_->current()), QString::number(passes_->count()));
}

void ConversionJob::onConversionTimer() {
    ++elapsedSeconds_;
    if (!isFinishing()) {
        const QString pass = passText();
        Q_EMIT statusLineChanged(elapsedText(elapsedSeconds_) +
                                 (pass.isEmpty() ? QString() : QStringLiteral("  ") + pass));
        return;
    }
    stalledSeconds_ = writerMadeProgress() ? 0 : stalledSeconds_ + 1;
    if (stalledSeconds_ >= kStallSeconds) {
        endConversion(Outcome::Failed,
                      text(text_id::kWriterStalled).arg(QString::number(kStallSeconds)));
        return;
    }
    Q_EMIT statusLineChanged(finishingText());
}

bool ConversionJob::writerMadeProgress() {
    const int64_t bytes = graph_->writtenBytes();
    const int64_t time = graph_->writtenTime();
    const bool progressed = bytes != lastWrittenBytes_ || time != lastWrittenTime_;
    lastWrittenBytes_ = bytes;
    lastWrittenTime_ = time;
    return progressed;
}

QString ConversionJob::finishingText() const {
    return text(text_id::kFinishingFile)
        .arg(formatClock(int64_t(elapsedSeconds_) * kUnitsPerSecond));
}

void ConversionJob::onGraphCompleted() {
    if (!graph_) {
        return;
    }
    if (graph_->isFinishing()) {
        endConversion(Outcome::Stopped);
        return;
    }
    // A source cut off in the middle ends early without an error (the editing services fill the
    // rest with black and silence): both the furthest written stream and the source's furthest
    // stream must reach the end, give or take a frame. A stream merely shorter than the other in
    // the source, such as a picture that ends before its sound, is no sign of damage.
    const double frameRate = settings_.frameRate > 0 ? settings_.frameRate : kFallbackFrameRate;
    const auto oneFrame = static_cast<int64_t>(std::ceil(kUnitsPerSecond / frameRate));
    // Each stream's reach is on its own clock; the project counts from the clip's first picture.
    const StreamsReached streams = graph_->sourceReach();
    int64_t reached = -1;
    if (streams.video >= 0) {
        reached = std::max<int64_t>(streams.video - project_.videos.front().origin, 0);
    }
    if (streams.audio >= 0 && !project_.audios.empty()) {
        reached = std::max<int64_t>(
            {reached, streams.audio - project_.audios.front().origin, int64_t(0)});
    }
    const int64_t written = graph_->furthestWrittenTime();
    convertedSpan_ = written;
    if (reached >= 0) {
        convertedSpan_ = std::min(convertedSpan_, reached - project_.startTime);
    }
    const bool complete = written + oneFrame >= spanTime() &&
                          (reached < 0 || reached + 2 * oneFrame >= project_.endTime);
    if (complete || !passes_->writesFile()) {
        if (nextPass()) {
            return;
        }
    }
    endConversion(complete ? Outcome::Completed : Outcome::EndedEarly);
}

bool ConversionJob::nextPass() {
    const bool wroteFile = passes_->writesFile();
    if (wroteFile && !passes_->aimsAtSize()) {
        return false;
    }
    const int64_t graphTime = graph_->writtenTime();
    closeGraph();
    fixWrittenFile();
    const int64_t bytes = wroteFile ? QFileInfo(outputFile_->writingPath()).size() : 0;
    if (!passes_->advance(bytes)) {
        // The last pass is done: its file is settled as any other.
        convertedSpan_ = std::min(graphTime, spanTime());
        endConversion(Outcome::Completed);
        return true;
    }
    if (!startPass()) {
        endConversion(Outcome::Failed, graph_ ? graph_->errorText() : QString());
        return true;
    }
    return true;
}

void ConversionJob::onGraphFailed(const QString& failure) {
    if (graph_) {
        endConversion(Outcome::Failed, failure);
    }
}

void ConversionJob::finishConversion() {
    if (!graph_ || graph_->isFinishing()) {
        return;
    }
    if (!passes_->writesFile()) {
        // Nothing has been written yet, and a first pass alone makes no file.
        endConversion(Outcome::Cancelled);
        return;
    }
    graph_->beginFinish();
    lastWrittenBytes_ = graph_->writtenBytes();
    lastWrittenTime_ = graph_->writtenTime();
    stalledSeconds_ = 0;
    Q_EMIT finishingStarted();
    Q_EMIT statusLineChanged(finishingText());
}

void ConversionJob::fixWrittenFile() {
    if (const OutputFormat* format = outputFormat(settings_.outputFormat)) {
        mendClosedFile(outputFile_->writingPath(), *format,
                       project_.videoCount() == 1 ? project_.videos[0].path : QString());
    }
}

ConversionJob::Outcome ConversionJob::settleOutputFile(Outcome outcome, const QString& failure,
                                                       QString* message) {
    const QString& written = outputFile_->writingPath();
    if (outcome == Outcome::Cancelled) {
        outputFile_->discard();
        return outcome;
    }
    if (outcome == Outcome::Failed) {
        // What was written stays when it can still be played.
        std::unique_ptr<MediaFile> readable;
        const bool keep = QFileInfo(written).size() > 0 &&
                          succeeded(MediaFile::open(written, &readable)) &&
                          outputFile_->commit(nullptr);
        if (!keep) {
            outputFile_->discard();
        }
        *message = keep ? text(text_id::kNotFinishedKept).arg(failure, settings_.outputName)
                        : text(text_id::kConversionFailed).arg(failure);
        return outcome;
    }
    QString reason;
    if (!outputFile_->commit(&reason)) {
        *message = text(text_id::kNotPutInPlace)
                       .arg(settings_.outputName, reason, outputFile_->writingPath());
        return Outcome::Failed;
    }
    return outcome;
}

void ConversionJob::endConversion(Outcome outcome, const QString& failure) {
    timer_.stop();
    if (graph_ && outcome != Outcome::EndedEarly) {
        convertedSpan_ = std::min(graph_->writtenTime(), spanTime());
    }
    const int passesRun = passes_ ? passes_->current() : 1;
    const int passCount = passes_ ? passes_->count() : 1;
    closeGraph();
    fixWrittenFile();
    QString message;
    outcome = settleOutputFile(outcome, failure, &message);
    if (outcome == Outcome::Completed && passes_ &&
        passes_->isOverSize(QFileInfo(settings_.outputName).size())) {
        // The encoder missed the size even at the corrected bitrate: the file stays, and the user
        // knows.
        message = text(text_id::kSizeMissed)
                      .arg(megabytesText(QFileInfo(settings_.outputName).size()),
                           megabytesText(passes_->targetBytes()), settings_.outputName);
    }
    statsFolder_.reset();
    outputFile_.reset();
    timeline_.reset();
    elapsedSeconds_ = 0;
    lastOutcome_ = outcome;
    Q_EMIT convertingChanged(false, language_.GetDialogText(text_id::kConvertCaption));
    switch (outcome) {
        case Outcome::Failed:
            Q_EMIT statusLineChanged(resultLine(text(text_id::kResultFailed)));
            break;
        case Outcome::Cancelled:
            Q_EMIT statusLineChanged(
                text(text_id::kStoppedBeforeWriting)
                    .arg(QString::number(passesRun), QString::number(passCount)));
            break;
        case Outcome::EndedEarly:
            Q_EMIT statusLineChanged(resultLine(text(text_id::kResultEndedEarly)));
            message = text(text_id::kEndedEarly)
                          .arg(formatClock(std::max<int64_t>(convertedSpan_, 0)),
                               formatClock(spanTime()));
            break;
        default:
            Q_EMIT statusLineChanged(resultLine(text(text_id::kDone)));
            break;
    }
    if (!message.isEmpty()) {
        const bool failedOutright = outcome == Outcome::Failed;
        dialogs_.showMessage({.text = message,
                              .caption = text(failedOutright ? text_id::kError : text_id::kWarning),
                              .icon = failedOutright ? MessageIcon::Error : MessageIcon::Warning});
    }
    Q_EMIT finished(outcome);
}

QString ConversionJob::resultLine(const QString& firstWord) const {
    // One call places every value, so that a file name holding "%1" stays as it is.
    return QStringLiteral("%1. %2 %3     %4 %5*%6")
        .arg(firstWord, text(text_id::kOutputFile), settings_.outputName,
             text(text_id::kResolution), QString::number(settings_.outputWidth),
             QString::number(settings_.outputHeight));
}
