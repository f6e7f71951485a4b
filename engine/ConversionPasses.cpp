#include "engine/ConversionPasses.h"

#include <algorithm>

#include "output/compressors/CompressorCatalogue.h"
#include "output/compressors/CurrentCompressors.h"
#include "output/formats/OutputFormats.h"
#include "output/quality/EncoderQuality.h"
#include "output/settings/OutputSettings.h"

namespace {

// A sound whose compressor cannot aim at a bitrate is counted at the size of plain 16-bit sound:
// more than a lossless one takes.
constexpr int64_t kPlainSoundBitrate = 44100 * 16 * 2;
QString compressorName(CompressorKind kind, const CompressorInUse& used) {
    if (!used.compressed) {
        return noCompressionName(kind);
    }
    const std::optional<CompressorEntry> entry = compressorEntryOf(kind, used.factoryName);
    return entry ? entry->name : used.factoryName;
}

}  // namespace

ConversionPasses::ConversionPasses(const OutputSettings& settings)
    : level_(qualityLevelOf(settings.qualityLevel)),
      averageBitrate_(settings.averageVideoBitrate),
      pixelsPerSecond_(double(settings.outputWidth) * settings.outputHeight *
                       (settings.frameRate > 0 ? settings.frameRate : 25)) {}

ConversionPasses ConversionPasses::forSize(const OutputSettings& settings, double seconds,
                                           bool hasSound, std::optional<Refusal>* refusal) {
    ConversionPasses passes(settings);
    refusal->reset();
    const CompressorInUse video = compressorInUse(settings, CompressorKind::Video);
    if (!video.compressed || !takesBitrate(video.factoryName)) {
        *refusal =
            Refusal{Refusal::Kind::CannotAim, 0, compressorName(CompressorKind::Video, video)};
        return passes;
    }
    SizeBudget budget;
    budget.targetBytes = settings.targetSizeBytes;
    budget.seconds = seconds;
    budget.frameRate = settings.frameRate > 0 ? settings.frameRate : 25;
    budget.width = settings.outputWidth;
    budget.height = settings.outputHeight;
    const OutputFormat* format = outputFormat(settings.outputFormat);
    budget.packetOverhead = format ? format->packetOverhead : 16;
    budget.leastBitsPerPixel = leastBitsPerPixel(video.factoryName);
    if (hasSound) {
        const CompressorInUse sound = compressorInUse(settings, CompressorKind::Audio);
        const int64_t preferred =
            sound.compressed ? soundBitrate(sound.factoryName, kDefaultQualityLevel, 2) : 0;
        budget.soundBitrate = preferred > 0 ? preferred : kPlainSoundBitrate;
        budget.smallestSoundBitrate =
            preferred > 0 ? soundBitrate(sound.factoryName, QualityLevel::Smallest, 2)
                          : kPlainSoundBitrate;
    }
    const SizePlan plan = planForSize(budget);
    if (!plan.reachable) {
        *refusal = Refusal{Refusal::Kind::TooSmall, plan.smallestSensibleBytes, {}};
        return passes;
    }
    passes.search_ = SizeSearch(budget, plan, aimsByQuantizer(video.factoryName));
    passes.twoPasses_ = hasTwoPasses(video.factoryName);
    passes.count_ = passes.twoPasses_ ? 2 : 1;
    return passes;
}

EncoderGoal ConversionPasses::videoGoal() const {
    EncoderGoal goal;
    goal.level = level_;
    goal.channels = channels_;
    if (aimsAtSize()) {
        goal.bitrate = search_.videoBitrate();
        goal.pixelsPerSecond = search_.pixelsPerSecond();
        goal.pass = twoPasses_ ? std::min(current_, 2) : 0;
        goal.statsFile = statsFile_;
        goal.blendFinest = search_.blendFinest();
        goal.blendCoarsest = search_.blendCoarsest();
    } else if (averageBitrate_ > 0) {
        goal.bitrate = averageBitrate_;
        goal.pixelsPerSecond = pixelsPerSecond_;
    }
    return goal;
}

EncoderGoal ConversionPasses::soundGoal() const {
    EncoderGoal goal;
    goal.level = level_;
    goal.channels = channels_;
    if (aimsAtSize()) {
        goal.bitrate = search_.plan().soundBitrate;
    }
    return goal;
}

bool ConversionPasses::advance(int64_t writtenBytes) {
    if (!writesFile()) {
        ++current_;
        return true;
    }
    if (!aimsAtSize()) {
        return false;
    }
    if (!search_.next(writtenBytes)) {
        return false;
    }
    ++current_;
    ++count_;
    return true;
}
