#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "engine/ConversionJob.h"

class CLanguage;
class UserDialogs;
struct ConversionProject;
struct OutputSettings;

// The Convert button's work for the main window: starts the conversion job or stops it, and adds
// to the job's "Please wait... Used Time" line how much is done and how long the rest will take.
// Stop returns at once; the file is finished while the window goes on. The answer to the
// frame-rate question is kept in the window's settings; nothing else of a conversion is.
class ConverterSession : public QObject {
    Q_OBJECT
  public:
    ConverterSession(ConversionProject& project, OutputSettings& settings, UserDialogs& dialogs,
                     const CLanguage& language, QObject* parent = nullptr);

    // Convert, or Stop while a conversion runs.
    void press();
    bool isConverting() const { return job_.isConverting(); }
    bool isFinishing() const { return job_.isFinishing(); }
    ConversionJob& job() { return job_; }

  Q_SIGNALS:
    void convertingChanged(bool converting, const QString& convertCaption);
    // Stop was taken; the file is being finished.
    void finishingStarted();
    void statusLineChanged(const QString& text);
    // The percent done, while converting (for the window title); -1 once the conversion ended.
    void percentChanged(int percent);
    void finished(ConversionJob::Outcome outcome);

  private:
    void onStatusLine(const QString& text);

    const CLanguage& language_;
    ConversionJob job_;
};
