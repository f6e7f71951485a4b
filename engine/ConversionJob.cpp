#include "engine/ConversionJob.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

#include "base/UserDialogs.h"
#include "engine/ConversionGraph.h"
#include "engine/TimelineBuilder.h"
#include "language/Language.h"
#include "media/RenderEngine.h"
#include "media/Timeline.h"
#include "output/CompressorFit.h"
#include "output/CurrentCompressors.h"
#include "output/OutputSettings.h"
#include "project/Clock.h"
#include "project/ConversionProject.h"

namespace {

constexpr int kTimerPeriodMs = 1000;
// Stop must not keep the user waiting: the writer gets this long to close the file.
constexpr int kFinishTimeoutMs = 900;
constexpr double kFallbackFrameRate = 23.976;
constexpr double kHighestFrameRate = 100.0;

constexpr int kTextWarning = 108;
constexpr int kTextOutputFile = 115;
constexpr int kTextResolution = 116;
constexpr int kTextFileExists = 127;
constexpr int kTextDone = 163;
constexpr int kTextStop = 124;
constexpr int kTextConvert = 125;

const char* const kCodecPage = "https://packages.debian.org/bookworm/gstreamer1.0-libav";

bool sameFile(const QString& first, const QString& second) {
    const QString a = QFileInfo(first).canonicalFilePath();
    return !a.isEmpty() && a == QFileInfo(second).canonicalFilePath();
}

}  // namespace

ConversionJob::ConversionJob(ConversionProject& project, OutputSettings& settings,
                             UserDialogs& dialogs, const CLanguage& language, QObject* parent)
    : QObject(parent),
      project_(project),
      settings_(settings),
      dialogs_(dialogs),
      language_(language) {
    timer_.setInterval(kTimerPeriodMs);
    connect(&timer_, &QTimer::timeout, this, &ConversionJob::onConversionTimer);
}

ConversionJob::~ConversionJob() {
    // Going away in the middle of a conversion ends it as Stop would, without telling anyone.
    if (graph_) {
        const bool finished = finishGraph().isEmpty();
        graph_.reset();
        if (!finished || !outputFile_->commit(nullptr)) {
            outputFile_->discard();
        }
    }
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
            dialogs_.showMessage(
                {.text = QStringLiteral("The output file is the video being converted:\n%1\n"
                                        "Choose another output file in Options.")
                             .arg(output),
                 .caption = language_.GetMessageText(kTextWarning),
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
        dialogs_.showMessage({.text = output + ' ' + language_.GetMessageText(kTextFileExists),
                              .caption = language_.GetMessageText(kTextWarning),
                              .buttons = MessageButtons::YesNo,
                              .icon = MessageIcon::Warning});
    return answer == MessageAnswer::Yes;
}

bool ConversionJob::checkFrameRate() {
    const double rate = settings_.frameRate;
    if (settings_.frameRateIndex != 0 || !(rate > kHighestFrameRate || rate < 0)) {
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
    settings_.frameRate =
        answer == MessageAnswer::Yes ? kFallbackFrameRate : settings_.sourceFrameRate;
    return true;
}

bool ConversionJob::confirmUncompressedVideo() {
    if (settings_.outputFormat == OutputSettings::kWmv) {
        return true;
    }
    if (settings_.useVideoCompressor == 0) {
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
    disableDivxFeedback();
    return true;
}

void ConversionJob::startConversion() {
    if (!checkProject()) {
        return;
    }
    if (graph_) {
        finishConversion();
        return;
    }
    // A writer that cannot take a compressor's output is refused before anything is asked or
    // written.
    if (const QString mismatch = compressorMismatch(settings_, language_); !mismatch.isEmpty()) {
        dialogs_.showMessage({.text = mismatch,
                              .caption = language_.GetMessageText(kTextWarning),
                              .icon = MessageIcon::Warning});
        return;
    }
    if (!confirmReplacingOutput() || !checkFrameRate() || !confirmUncompressedVideo()) {
        return;
    }
    createTimeline(project_, settings_, dialogs_, &timeline_);
    if (spanTime() <= 0) {
        // An empty timeline would never end: there is nothing to write.
        dialogs_.showMessage(
            {.text = QStringLiteral("There is nothing to convert: the end time (%1) must lie "
                                    "after the start time (%2).")
                         .arg(formatClock(project_.endTime), formatClock(project_.startTime)),
             .caption = language_.GetMessageText(kTextWarning),
             .icon = MessageIcon::Warning});
        timeline_.reset();
        return;
    }
    outputFile_.emplace(settings_.outputName);
    graph_ =
        renderTimeline(timeline_, settings_, dialogs_, propertyDialog_, outputFile_->writingPath());
    if (!graph_) {
        outputFile_->discard();
        outputFile_.reset();
        timeline_.reset();
        return;
    }
    connect(graph_.get(), &ConversionGraph::completed, this, &ConversionJob::onGraphCompleted);
    connect(graph_.get(), &ConversionGraph::failed, this, &ConversionJob::onGraphFailed);
    elapsedSeconds_ = 0;
    lastOutcome_ = Outcome::None;
    timer_.start();
    Q_EMIT convertingChanged(true, language_.GetDialogText(kTextStop));
}

void ConversionJob::onConversionTimer() {
    ++elapsedSeconds_;
    Q_EMIT statusLineChanged(elapsedText(elapsedSeconds_));
}

void ConversionJob::onGraphCompleted() {
    if (!graph_) {
        return;
    }
    // A source cut off in the middle ends early without an error, and the timeline fills the
    // rest with black and silence: both the written span and the source's decoding must reach
    // the end, give or take a frame.
    const double frameRate = settings_.frameRate > 0 ? settings_.frameRate : kFallbackFrameRate;
    const auto oneFrame = static_cast<int64_t>(std::ceil(kUnitsPerSecond / frameRate));
    const int64_t reached = graph_->engine().sourceReach();
    convertedSpan_ = graph_->writtenTime();
    if (reached >= 0) {
        convertedSpan_ = std::min(convertedSpan_, reached - project_.startTime);
    }
    const bool complete = graph_->writtenTime() + oneFrame >= spanTime() &&
                          (reached < 0 || reached + 2 * oneFrame >= project_.endTime);
    endConversion(complete ? Outcome::Completed : Outcome::EndedEarly);
}

void ConversionJob::onGraphFailed(const QString& text) {
    if (!graph_) {
        return;
    }
    endConversion(Outcome::Failed);
    showFailure(text);
}

void ConversionJob::finishConversion() {
    if (graph_) {
        endConversion(Outcome::Stopped);
    }
}

QString ConversionJob::finishGraph() {
    const bool finished = graph_->finish(kFinishTimeoutMs);
    QString failure = graph_->errorText();
    if (failure.isEmpty() && !finished) {
        failure = QStringLiteral("The writer did not finish the file in time.");
    }
    return failure;
}

void ConversionJob::endConversion(Outcome outcome) {
    timer_.stop();
    // After a pipeline error there is nothing worth finishing.
    QString failure = outcome == Outcome::Failed ? QString() : finishGraph();
    graph_.reset();
    if (outcome != Outcome::Failed && failure.isEmpty()) {
        if (!outputFile_->commit(&failure)) {
            outcome = Outcome::Failed;
        }
    } else {
        outcome = Outcome::Failed;
        outputFile_->discard();
    }
    outputFile_.reset();
    timeline_.reset();
    elapsedSeconds_ = 0;
    lastOutcome_ = outcome;
    Q_EMIT convertingChanged(false, language_.GetDialogText(kTextConvert));
    switch (outcome) {
        case Outcome::Failed:
            Q_EMIT statusLineChanged(resultLine(QStringLiteral("Failed")));
            if (!failure.isEmpty()) {
                showFailure(failure);
            }
            break;
        case Outcome::EndedEarly:
            Q_EMIT statusLineChanged(resultLine(QStringLiteral("Ended early")));
            dialogs_.showMessage(
                {.text = QStringLiteral("The conversion ended early: only %1 of %2 could be read "
                                        "from the source. The source file may be damaged or cut "
                                        "off.")
                             .arg(formatClock(std::max<int64_t>(convertedSpan_, 0)),
                                  formatClock(spanTime())),
                 .caption = QStringLiteral("Warning"),
                 .icon = MessageIcon::Warning});
            break;
        default:
            Q_EMIT statusLineChanged(resultLine(language_.GetMessageText(kTextDone)));
            break;
    }
    Q_EMIT finished(outcome);
}

void ConversionJob::showFailure(const QString& text) {
    dialogs_.showMessage({.text = QStringLiteral("The conversion failed:\n%1").arg(text),
                          .caption = QStringLiteral("Error"),
                          .icon = MessageIcon::Error});
}

QString ConversionJob::resultLine(const QString& firstWord) const {
    return QStringLiteral("%1. %2 %3     %4 %5*%6")
        .arg(firstWord, language_.GetMessageText(kTextOutputFile), settings_.outputName,
             language_.GetMessageText(kTextResolution))
        .arg(settings_.outputWidth)
        .arg(settings_.outputHeight);
}
