#pragma once

#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>
#include <optional>

#include "engine/ConversionPasses.h"
#include "engine/LosslessCut.h"
#include "engine/OutputFile.h"
#include "engine/OutputGraph.h"
#include "output/settings/OutputSettings.h"
#include "project/ConversionProject.h"

class CLanguage;
class WritingGraph;
class Timeline;
class UserDialogs;

// What the Convert button does: checks the project and the output settings, asks what needs
// asking, builds the timeline and the writing pipeline, counts the elapsed seconds while it runs
// and ends it on completion, on Stop or on a failure. It owns no widgets: the window shows what
// the signals say.
//
// Stop never throws away what was written: it stops reading at once and then finishes the file
// for as long as the encoders need to drain, while the event loop goes on; only a writer that
// fails or makes no progress at all for kStallSeconds ends the job as Failed, and even then a
// readable part of the file is kept under the output's name.
class ConversionJob : public QObject {
    Q_OBJECT
  public:
    // Cancelled: stopped before anything was written (in the first of two passes).
    enum class Outcome { None, Completed, Stopped, EndedEarly, Failed, Cancelled };

    // A finishing writer that gives out nothing for this long is given up.
    static constexpr int kStallSeconds = 30;

    // Convert takes a copy of `project` and `settings` as they are then; the job never writes
    // to them.
    ConversionJob(const ConversionProject& project, const OutputSettings& settings,
                  UserDialogs& dialogs, const CLanguage& language, QObject* parent = nullptr);
    ~ConversionJob() override;

    // Shown before a preview with properties (output format 4) runs.
    void setFilterPropertyDialog(FilterPropertyDialog dialog) {
        renderOptions_.propertyDialog = std::move(dialog);
    }
    // What the previews (formats 4 and 5) play into; the default output unless set.
    void setPreviewSinks(QByteArray video, QByteArray audio) {
        renderOptions_.previewVideoSink = std::move(video);
        renderOptions_.previewAudioSink = std::move(audio);
    }

    // The Convert button: starts a conversion, or stops the running one.
    void startConversion();
    // Stop: begins finishing the file and returns at once; finished() follows once it is done.
    void finishConversion();

    // True from the start of a conversion until its file is finished (also while finishing).
    bool isConverting() const { return graph_ != nullptr; }
    // True between Stop and the end of the file.
    bool isFinishing() const;
    int elapsedSeconds() const { return elapsedSeconds_; }
    // How much of the span has been written, in 100-ns units; 0 when idle.
    int64_t writtenTime() const;
    // The length of the span being converted, in 100-ns units.
    int64_t spanTime() const;
    // Progress over all passes: what is done of passes × span, in 100-ns units.
    int64_t progressTime() const;
    int64_t progressSpan() const;
    // "pass 1 of 2" while a conversion takes more than one pass; empty otherwise.
    QString passText() const;
    Outcome lastOutcome() const { return lastOutcome_; }
    // How much of the span the last conversion wrote, in 100-ns units.
    int64_t convertedSpan() const { return convertedSpan_; }

    // "Please wait... Used Time: hh:mm:ss" for a number of seconds.
    static QString elapsedText(int seconds);

  Q_SIGNALS:
    // Converting or idle; the window enables or disables Open Video, Options, Start Time and End
    // Time, and captions the Convert button.
    void convertingChanged(bool converting, const QString& convertCaption);
    // Stop was taken: the file is being finished; the Convert button has nothing more to do.
    void finishingStarted();
    void statusLineChanged(const QString& text);
    // A conversion of several passes began one (the text is passText()).
    void passStarted(const QString& text);
    void finished(ConversionJob::Outcome outcome);
    // The frame-rate question was answered: the rate this conversion writes, which the window
    // keeps for the next ones.
    void frameRateAnswered(double rate);

  private:
    bool checkProject();
    bool confirmReplacingOutput();
    bool checkFrameRate();
    bool checkFrameRateRange();
    bool confirmUncompressedVideo();
    // A copied cut's refusal, told before anything is asked or written; true when it may go on.
    bool checkCopy();
    void onConversionTimer();
    void onGraphCompleted();
    void onGraphFailed(const QString& text);
    // Stops the pipeline, settles the file and tells everyone.
    void endConversion(Outcome outcome, const QString& failure = {});
    // Puts the written file in place or removes it, by the outcome; may turn the outcome into
    // Failed. `message` receives what the user must be told (empty: nothing).
    Outcome settleOutputFile(Outcome outcome, const QString& failure, QString* message);
    bool writerMadeProgress();
    // The passes of a size target, or the one pass of a quality level; false when refused.
    bool planPasses();
    bool startPass();
    // After a pass: starts the next one and gives true, or settles the conversion when that was
    // the last pass of a size target and gives true; false when the caller ends it.
    bool nextPass();
    void closeGraph();
    // Mends what the writer leaves to mend in a closed file.
    void fixWrittenFile();
    QString finishingText() const;
    QString resultLine(const QString& firstWord) const;
    QString text(int id) const;

    const ConversionProject& chosenProject_;
    const OutputSettings& chosenSettings_;
    ConversionProject project_;  // this conversion's own, from Convert on
    OutputSettings settings_;
    UserDialogs& dialogs_;
    const CLanguage& language_;
    RenderOptions renderOptions_;

    QTimer timer_;
    int elapsedSeconds_ = 0;
    std::shared_ptr<Timeline> timeline_;
    std::unique_ptr<WritingGraph> graph_;
    std::optional<OutputFile> outputFile_;
    std::optional<ConversionPasses> passes_;
    std::optional<LosslessCutJob> copy_;          // a copied cut instead of an encoded conversion
    std::unique_ptr<QTemporaryDir> statsFolder_;  // the notes of a first pass
    Outcome lastOutcome_ = Outcome::None;
    int64_t convertedSpan_ = 0;
    // Progress of a finishing writer: what it had given out, and for how many seconds since.
    int64_t lastWrittenBytes_ = 0;
    int64_t lastWrittenTime_ = 0;
    int stalledSeconds_ = 0;
};
