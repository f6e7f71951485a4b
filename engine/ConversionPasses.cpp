#include "engine/ConversionPasses.h"

#include "output/compressors/CompressorCatalogue.h"
#include "output/compressors/CurrentCompressors.h"
#include "output/formats/OutputFormats.h"
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
    : level_(qualityLevelOf(settings.qualityLevel)) {}

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
    SizeBudget& budget = passes.budget_;
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
    passes.plan_ = planForSize(budget);
    if (!passes.plan_.reachable) {
        *refusal = Refusal{Refusal::Kind::TooSmall, passes.plan_.smallestSensibleBytes, {}};
        return passes;
    }
    passes.videoBitrate_ = passes.plan_.videoBitrate;
    passes.twoPasses_ = hasTwoPasses(video.factoryName);
    passes.byQuantizer_ = aimsByQuantizer(video.factoryName);
    passes.count_ = passes.twoPasses_ ? 2 : 1;
    return passes;
}

EncoderGoal ConversionPasses::videoGoal() const {
    EncoderGoal goal;
    goal.level = level_;
    goal.channels = channels_;
    if (aimsAtSize()) {
        goal.bitrate = videoBitrate_;
        goal.pixelsPerSecond = double(budget_.width) * budget_.height * budget_.frameRate;
        goal.pass = twoPasses_ ? std::min(current_, 2) : 0;
        goal.statsFile = statsFile_;
    }
    return goal;
}

EncoderGoal ConversionPasses::soundGoal() const {
    EncoderGoal goal;
    goal.level = level_;
    goal.channels = channels_;
    if (aimsAtSize()) {
        goal.bitrate = plan_.soundBitrate;
    }
    return goal;
}

bool ConversionPasses::advance(int64_t writtenBytes) {
    if (!writesFile()) {
        ++current_;
        return true;
    }
    // What a quantizer gives is known only once written; a bitrate encoder misses it by little,
    // and writing less than asked is all a plain picture can do.
    constexpr double kLeastShare = 0.95;
    const bool under = byQuantizer_ && double(writtenBytes) < kLeastShare * budget_.targetBytes;
    if (!aimsAtSize() || corrections_ >= (byQuantizer_ ? 2 : 1) ||
        !(isOverSize(writtenBytes) || under)) {
        return false;
    }
    ++corrections_;
    videoBitrate_ = correctedVideoBitrate(budget_, plan_, videoBitrate_, writtenBytes);
    ++current_;
    ++count_;
    return true;
}
