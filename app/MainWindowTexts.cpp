#include "app/MainWindowTexts.h"

#include <algorithm>

#include "language/Language.h"
#include "language/TextIds.h"
#include "output/settings/OutputSettings.h"
#include "project/Clock.h"
#include "project/ConversionProject.h"

namespace {

// The output name is placed in the same arg() call as the other values, so that a name holding
// "%1" stays literal.
QString statusLine(const CLanguage& language, const OutputSettings& settings,
                   const QString& resolution) {
    return QStringLiteral("%1 %2     %3 %4")
        .arg(language.GetMessageText(text_id::kOutputFile), settings.outputName,
             language.GetMessageText(text_id::kResolution), resolution);
}

}  // namespace

QString statusLineOriginalSize(const CLanguage& language, const OutputSettings& settings) {
    return statusLine(language, settings, language.GetMessageText(text_id::kOriginalSize));
}

QString statusLineWithSize(const CLanguage& language, const OutputSettings& settings) {
    return statusLine(language, settings,
                      QStringLiteral("%1*%2").arg(settings.outputWidth).arg(settings.outputHeight));
}

QString statusLineAfterOptions(const CLanguage& language, const OutputSettings& settings) {
    return settings.sourceWidth != 0 || settings.sourceHeight != 0
               ? statusLineWithSize(language, settings)
               : statusLineOriginalSize(language, settings);
}

QString positionText(int64_t position, int64_t length) {
    return formatClock(position) + QStringLiteral(" / ") + formatClock(length);
}

int sliderPositionFor(int64_t position, int64_t length) {
    if (length == 0) {
        return 0;
    }
    const double place = double(position) / double(length) * kSliderRange;
    return std::clamp(static_cast<int>(place), 0, kSliderRange);
}

int64_t seekPositionFor(int sliderPosition, int64_t length) {
    return static_cast<int64_t>(double(sliderPosition) / kSliderRange * double(length));
}

std::optional<ConversionProgress> conversionProgress(int64_t written, int64_t span,
                                                     int elapsedSeconds) {
    if (written <= 0 || span <= 0) {
        return std::nullopt;
    }
    written = std::min(written, span);
    ConversionProgress progress;
    progress.percent = static_cast<int>(written * 100 / span);
    const double elapsed = double(elapsedSeconds) * kUnitsPerSecond;
    progress.timeLeft = static_cast<int64_t>(elapsed * double(span - written) / double(written));
    return progress;
}

QString progressText(const CLanguage& language, const ConversionProgress& progress) {
    return language.GetMessageText(text_id::kProgress)
        .arg(QString::number(progress.percent), formatClock(progress.timeLeft));
}

QString titleWithPercent(const QString& caption, int percent) {
    return QStringLiteral("%1% - %2").arg(QString::number(percent), caption);
}
