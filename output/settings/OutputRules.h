#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "base/PathLimits.h"
#include "output/settings/OutputSettings.h"

// The rules of the output options: the preset lists and what OK makes of the controls' contents.
// Pure functions, so the dialog stays a thin layer of widgets over them.

constexpr double kDefaultFrameRate = 23.976;
constexpr double kMinimumFrameRate = 0.001;
// Beyond this no encoder or writer here works, and a profile's whole-number rate would overflow.
constexpr double kMaximumFrameRate = 1000.0;
constexpr int32_t kMaxOutputNameLength = kLongestPath;  // characters
constexpr int32_t kMinFrameDimension = 16;

// Frame-rate list positions: 0 is the source's rate, 1 to 5 the presets, 6 a typed rate.
constexpr int32_t kFrameRateOriginalPosition = 0;
constexpr int32_t kFrameRateCustomPosition = 6;
constexpr std::array<double, 5> kPresetFrameRates = {23.976, 24.0, 25.0, 29.97, 30.0};
// The rate of list positions 1 to 5; nullopt for the others.
std::optional<double> presetFrameRate(int32_t position);

// Resolution list positions: 0 is the source's size, 1 to 7 the presets, 8 a typed size.
struct FrameSize {
    int32_t width;
    int32_t height;
};
constexpr int32_t kResolutionOriginalPosition = 0;
constexpr int32_t kResolutionCustomPosition = 8;
constexpr std::array<FrameSize, 7> kPresetFrameSizes = {
    {{640, 480}, {720, 576}, {720, 480}, {480, 576}, {480, 480}, {352, 288}, {352, 240}}};
// The list position that shows the record's output size when the dialog opens.
int32_t resolutionListPosition(const OutputSettings& settings);

// WMV audio bitrates in bits per second, by list position ("64", "128", "192", "320" Kbps).
constexpr std::array<int32_t, 4> kAudioBitrates = {64000, 128000, 192000, 320000};
// -1 when the bitrate is none of the list's.
int32_t audioBitrateListPosition(int32_t bitrate);

// The WMV video bitrate is shown and typed in Kbps of 1024 bits per second.
int32_t videoBitrateToKbps(int32_t bitsPerSecond);
int32_t videoBitrateFromKbps(int64_t kbps);

// A number typed in a box, read the way the C library's atof and atoi read it: leading blanks,
// an optional sign, as many digits as follow (and for decimals a "." and an exponent); anything
// after is ignored and text that is no number reads as 0. The decimal separator is always ".",
// whatever the locale. Decimals that are not finite read as 0; integers saturate at the 32-bit
// limits.
double parseDecimalText(const QString& text);
int32_t parseIntegerText(const QString& text);

// A picture dimension made even (toward zero) and at least 16.
int32_t evenFrameDimension(int32_t value);

// What the controls of the output options hold when OK is pressed. A list position of -1 means
// the list has no selection.
struct OutputDialogInput {
    int32_t format = -1;  // the chosen format's stored value; -1 when the list has no selection
    QString outputName;
    QString widthText;
    QString heightText;
    int32_t frameRatePosition = -1;
    QString frameRateText;
    int32_t resizeModePosition = -1;
    int32_t videoCompressorPosition = -1;  // 0 "Full frames (uncompressed)", p catalogue p - 1
    int32_t audioCompressorPosition = -1;  // 0 "Uncompressed Audio", p catalogue p - 1
    QString videoBitrateText;              // Kbps
    int32_t audioBitratePosition = -1;
};

enum class OutputOkProblem {
    None,
    FrameRateTooSmall,  // the dialog shows kFrameRateTooSmallText and stays open
    FrameRateTooLarge,  // the dialog shows its own text (above kMaximumFrameRate) and stays open
    NameTooLong,        // the dialog shows kOutputNameTooLongText and stays open
};

extern const char* const kFrameRateTooSmallText;
extern const char* const kOutputNameTooLongText;

// What OK keeps and stores. A list without a selection keeps the value the dialog opened with.
struct OutputOkDecision {
    OutputSettings settings;
    QString storedFrameRateText;  // the "OutputFrameRate" value
    // The "CompressorNumber" to store: -1 no compression, k catalogue entry k (bound on commit);
    // nullopt when the list had no selection, and nothing is stored or bound.
    std::optional<int32_t> videoCompressorNumber;
    std::optional<int32_t> audioCompressorNumber;
};

struct OutputOkResult {
    OutputOkProblem problem = OutputOkProblem::None;
    OutputOkDecision decision;  // valid when problem is None
};

// Applies the controls to the dialog's copy of the record. Nothing is stored here; a problem
// means nothing may be stored (see commitOutputOk in OutputSettingsStore.h).
OutputOkResult decideOutputOk(const OutputSettings& dialogCopy, const OutputDialogInput& input);
