#include "app/ConverterSession.h"

#include "app/MainWindowTexts.h"

ConverterSession::ConverterSession(ConversionProject& project, OutputSettings& settings,
                                   UserDialogs& dialogs, const CLanguage& language, QObject* parent)
    : QObject(parent), language_(language), job_(project, settings, dialogs, language) {
    // The one answer of a conversion that the window keeps for the next ones.
    connect(&job_, &ConversionJob::frameRateAnswered, this,
            [&settings](double rate) { settings.frameRate = rate; });
    connect(&job_, &ConversionJob::convertingChanged, this,
            [this](bool converting, const QString& caption) {
                Q_EMIT convertingChanged(converting, caption);
                Q_EMIT percentChanged(converting ? 0 : -1);
            });
    connect(&job_, &ConversionJob::finishingStarted, this, &ConverterSession::finishingStarted);
    connect(&job_, &ConversionJob::statusLineChanged, this, &ConverterSession::onStatusLine);
    connect(&job_, &ConversionJob::finished, this, &ConverterSession::finished);
}

void ConverterSession::press() {
    if (job_.isConverting()) {
        job_.finishConversion();
    } else {
        job_.startConversion();
    }
}

void ConverterSession::onStatusLine(const QString& text) {
    // Only the running conversion's line gets its progress; the finishing and result lines
    // stay as the job words them.
    if (!job_.isConverting() || job_.isFinishing()) {
        Q_EMIT statusLineChanged(text);
        return;
    }
    const auto progress =
        conversionProgress(job_.progressTime(), job_.progressSpan(), job_.elapsedSeconds());
    if (!progress) {
        Q_EMIT statusLineChanged(text);
        return;
    }
    Q_EMIT statusLineChanged(text + QStringLiteral("     ") + progressText(language_, *progress));
    Q_EMIT percentChanged(progress->percent);
}
