#include "engine/ConversionRules.h"

#include "output/compressors/CurrentCompressors.h"
#include "output/formats/OutputFormats.h"

bool frameRateIsQuestionable(const OutputSettings& settings) {
    const double rate = settings.frameRate;
    return settings.frameRateIndex == kFrameRateOriginalPosition &&
           (rate > kHighestLikelyFrameRate || rate < 0);
}

OutputSettings withFrameRateAnswer(OutputSettings settings, bool useFallback) {
    settings.frameRate = useFallback ? kFallbackFrameRate : settings.sourceFrameRate;
    return settings;
}

bool frameRateIsWritable(const OutputSettings& settings) {
    return settings.frameRate >= kMinimumFrameRate && settings.frameRate <= kMaximumFrameRate;
}

OutputSettings withEvenFrame(OutputSettings settings) {
    if (usesWindowsMediaProfile(settings.outputFormat) ||
        compressorInUse(settings, CompressorKind::Video).compressed) {
        settings.outputWidth = evenFrameDimension(settings.outputWidth);
        settings.outputHeight = evenFrameDimension(settings.outputHeight);
    }
    return settings;
}
