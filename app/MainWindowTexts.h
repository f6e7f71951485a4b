#pragma once

#include <QString>
#include <cstdint>
#include <optional>

class CLanguage;
struct OutputSettings;

// What the main window's texts say, without the window: the status line, the position text and
// the slider's place, and the progress shown while a file is converted. Times are 100-ns units.

inline constexpr int kSliderRange = 600;

// "Output file: NAME     Resolution: Original size" (initialisation).
QString statusLineOriginalSize(const CLanguage& language, const OutputSettings& settings);
// "Output file: NAME     Resolution: W*H" (after Open Video).
QString statusLineWithSize(const CLanguage& language, const OutputSettings& settings);
// After Options: the size once a source told one, else "Original size".
QString statusLineAfterOptions(const CLanguage& language, const OutputSettings& settings);

// "hh:mm:ss / hh:mm:ss" of a position and a length.
QString positionText(int64_t position, int64_t length);
// The slider's place (0 to 600) for a position in a clip of that length; 0 for no length.
int sliderPositionFor(int64_t position, int64_t length);
// The position a slider place (0 to 600) stands for in a clip of that length.
int64_t seekPositionFor(int sliderPosition, int64_t length);

struct ConversionProgress {
    int percent = 0;       // 0 to 100
    int64_t timeLeft = 0;  // estimated, 100-ns units
};

// How far a conversion is after `elapsedSeconds`, from the written part of the span; empty
// until something was written, since no estimate can be made before.
std::optional<ConversionProgress> conversionProgress(int64_t written, int64_t span,
                                                     int elapsedSeconds);
// "42% done, 00:01:10 left" in the current language.
QString progressText(const CLanguage& language, const ConversionProgress& progress);
// The window title while converting: "42% - Quenzel".
QString titleWithPercent(const QString& caption, int percent);
