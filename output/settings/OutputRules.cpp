#include "output/settings/OutputRules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

const char* const kFrameRateTooSmallText = "The frame rate is too small!";
const char* const kOutputNameTooLongText =
    "The output file name is too long: it may have at most 259 characters.";

namespace {

// The text without surrounding blanks and without a leading "+", which std::from_chars does not
// take (a "-" it does), as plain ASCII.
std::string numberText(const QString& text) {
    const QByteArray bytes = text.trimmed().toLatin1();
    std::string result(bytes.constData(), size_t(bytes.size()));
    if (result.size() > 1 && result[0] == '+' && result[1] != '-') {
        result.erase(0, 1);
    }
    return result;
}

int32_t saturate(int64_t value) {
    return int32_t(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

}  // namespace

std::optional<double> presetFrameRate(int32_t position) {
    if (position < 1 || position > int32_t(kPresetFrameRates.size())) {
        return std::nullopt;
    }
    return kPresetFrameRates[size_t(position - 1)];
}

int32_t resolutionListPosition(const OutputSettings& settings) {
    if (settings.outputWidth == settings.sourceWidth &&
        settings.outputHeight == settings.sourceHeight) {
        return kResolutionOriginalPosition;
    }
    for (size_t i = 0; i < kPresetFrameSizes.size(); ++i) {
        if (kPresetFrameSizes[i].width == settings.outputWidth &&
            kPresetFrameSizes[i].height == settings.outputHeight) {
            return int32_t(i) + 1;
        }
    }
    return kResolutionCustomPosition;
}

int32_t audioBitrateListPosition(int32_t bitrate) {
    const auto found = std::find(kAudioBitrates.begin(), kAudioBitrates.end(), bitrate);
    return found == kAudioBitrates.end() ? -1 : int32_t(found - kAudioBitrates.begin());
}

int32_t videoBitrateToKbps(int32_t bitsPerSecond) {
    return bitsPerSecond / 1024;
}

int32_t videoBitrateFromKbps(int64_t kbps) {
    // A negative or overflowing product is no bitrate an encoder can take.
    return int32_t(std::clamp<int64_t>(kbps * 1024, 0, std::numeric_limits<int32_t>::max()));
}

double parseDecimalText(const QString& text) {
    const std::string digits = numberText(text);
    double value = 0;
    const char* first = digits.data();
    const auto [end, error] = std::from_chars(first, first + digits.size(), value);
    if (error != std::errc() || end == first || !std::isfinite(value)) {
        return 0;
    }
    return value;
}

int32_t parseIntegerText(const QString& text) {
    const std::string digits = numberText(text);
    int64_t value = 0;
    const char* first = digits.data();
    const char* last = first + digits.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (error == std::errc::result_out_of_range) {
        return first < last && *first == '-' ? std::numeric_limits<int32_t>::min()
                                             : std::numeric_limits<int32_t>::max();
    }
    if (error != std::errc() || end == first) {
        return 0;
    }
    return saturate(value);
}

int32_t evenFrameDimension(int32_t value) {
    return std::max(value / 2 * 2, kMinFrameDimension);
}

OutputOkResult decideOutputOk(const OutputSettings& dialogCopy, const OutputDialogInput& input) {
    OutputOkResult result;
    OutputSettings& settings = result.decision.settings;
    settings = dialogCopy;

    const double typedRate = parseDecimalText(input.frameRateText);
    if (typedRate < kMinimumFrameRate) {
        result.problem = OutputOkProblem::FrameRateTooSmall;
        return result;
    }
    if (typedRate > kMaximumFrameRate) {
        result.problem = OutputOkProblem::FrameRateTooLarge;
        return result;
    }
    if (input.outputName.size() > kMaxOutputNameLength) {
        result.problem = OutputOkProblem::NameTooLong;
        return result;
    }

    const int32_t ratePosition =
        input.frameRatePosition < 0 ? dialogCopy.frameRateIndex : input.frameRatePosition;
    settings.frameRateIndex = ratePosition;
    result.decision.storedFrameRateText =
        ratePosition != kFrameRateOriginalPosition ? input.frameRateText : QStringLiteral("23.976");
    if (ratePosition == kFrameRateOriginalPosition) {
        settings.frameRate = dialogCopy.sourceFrameRate;
    } else if (ratePosition == kFrameRateCustomPosition) {
        settings.frameRate = typedRate;
    } else if (std::optional<double> preset = presetFrameRate(ratePosition)) {
        settings.frameRate = *preset;
    } else {
        settings.frameRateIndex = 1;
        settings.frameRate = kDefaultFrameRate;
    }

    settings.outputName = input.outputName;
    settings.outputWidth = evenFrameDimension(parseIntegerText(input.widthText));
    settings.outputHeight = evenFrameDimension(parseIntegerText(input.heightText));

    if (input.videoCompressorPosition >= 0) {
        result.decision.videoCompressorNumber = input.videoCompressorPosition - 1;
        settings.useVideoCompressor = input.videoCompressorPosition > 0 ? 1 : 0;
    }
    if (input.audioCompressorPosition >= 0) {
        result.decision.audioCompressorNumber = input.audioCompressorPosition - 1;
        settings.useAudioCompressor = input.audioCompressorPosition > 0 ? 1 : 0;
    }

    if (input.resizeModePosition >= 0) {
        settings.resizeMode = input.resizeModePosition == 0 ? OutputSettings::kPreserveAspectRatio
                                                            : OutputSettings::kStretch;
    }
    settings.videoBitrate = videoBitrateFromKbps(parseIntegerText(input.videoBitrateText));
    if (input.audioBitratePosition >= 0 &&
        input.audioBitratePosition < int32_t(kAudioBitrates.size())) {
        settings.audioBitrate = kAudioBitrates[size_t(input.audioBitratePosition)];
    }
    if (input.format >= 0) {
        settings.outputFormat = input.format;
    }
    return result;
}
