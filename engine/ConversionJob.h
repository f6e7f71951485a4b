#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>

#include "engine/OutputFile.h"
#include "engine/OutputGraph.h"

class CLanguage;
class ConversionGraph;
class Timeline;
class UserDialogs;
struct ConversionProject;
struct OutputSettings;

// What the Convert button does: checks the project and the output settings, asks what needs
// asking, builds the timeline and the writing pipeline, counts the elapsed seconds while it runs
// and ends it on completion, on Stop or on a failure. It owns no widgets: the window shows what
// the signals say.
class ConversionJob : public QObject {
    Q_OBJECT
  public:
    enum class Outcome { None, Completed, Stopped, EndedEarly, Failed };

    ConversionJob(ConversionProject& project, OutputSettings& settings, UserDialogs& dialogs,
                  const CLanguage& language, QObject* parent = nullptr);
    ~ConversionJob() override;

    // Shown before a preview with properties (output format 4) runs.
    void setFilterPropertyDialog(FilterPropertyDialog dialog) {
        propertyDialog_ = std::move(dialog);
    }

    // The Convert button: starts a conversion, or stops the running one.
    void startConversion();
    // Ends the running conversion, finishing the file so that what was written plays.
    void finishConversion();

    bool isConverting() const { return graph_ != nullptr; }
    int elapsedSeconds() const { return elapsedSeconds_; }
    // How much of the span has been written, in 100-ns units; 0 when idle.
    int64_t writtenTime() const;
    // The length of the span being converted, in 100-ns units.
    int64_t spanTime() const;
    Outcome lastOutcome() const { return lastOutcome_; }

    // "Please wait... Used Time: hh:mm:ss" for a number of seconds.
    static QString elapsedText(int seconds);

  Q_SIGNALS:
    // Converting or idle; the window enables or disables Open Video, Options, Start Time and End
    // Time, and captions the Convert button.
    void convertingChanged(bool converting, const QString& convertCaption);
    void statusLineChanged(const QString& text);
    void finished(ConversionJob::Outcome outcome);

  private:
    bool checkProject();
    bool confirmReplacingOutput();
    bool checkFrameRate();
    bool confirmUncompressedVideo();
    void onConversionTimer();
    void onGraphCompleted();
    void onGraphFailed(const QString& text);
    void endConversion(Outcome outcome);
    // Ends the file; the reason when it could not be finished, else empty.
    QString finishGraph();
    void showFailure(const QString& text);
    QString resultLine(const QString& firstWord) const;

    ConversionProject& project_;
    OutputSettings& settings_;
    UserDialogs& dialogs_;
    const CLanguage& language_;
    FilterPropertyDialog propertyDialog_;

    QTimer timer_;
    int elapsedSeconds_ = 0;
    std::shared_ptr<Timeline> timeline_;
    std::unique_ptr<ConversionGraph> graph_;
    std::optional<OutputFile> outputFile_;
    Outcome lastOutcome_ = Outcome::None;
    int64_t convertedSpan_ = 0;  // of a conversion that ended early
};
