#include "output/quality/SizeSearch.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// A file of at least this share of the size is close enough.
constexpr double kLeastShare = 0.95;
// Where a blend's bitrate starts, in the libav wrapper's units, against the size's video bitrate:
// about 25 times it over 900 pictures, less the more pictures its rate control has to settle
// (measured on 30 s to 5 min of detailed pictures at 854x480).
double blendFirstScale(double pictures) {
    return 25 * std::sqrt(900 / std::max(pictures, 1.0));
}

}  // namespace

bool SizeSearch::next(int64_t writtenBytes) {
    if (byQuantizer_) {
        return blend_ == Blend::Blending ? nextByBlend(writtenBytes)
                                         : nextByQuantizer(writtenBytes);
    }
    if (corrections_ >= 1 || !isOverSize(writtenBytes)) {
        return false;
    }
    ++corrections_;
    videoBitrate_ = correctedVideoBitrate(budget_, plan_, videoBitrate_, writtenBytes);
    return true;
}

bool SizeSearch::nextByQuantizer(int64_t writtenBytes) {
    // What a quantizer gives is known only once written, in steps of a whole quantizer: the
    // steps narrow the span between the finest quantizer known over the size and the finest
    // known well below it, guessing from the last two files how the size falls with it.
    constexpr int kMostCorrections = 3;
    constexpr int kWidestBlend = 2;
    constexpr int kFinest = kFinestLibavQuantizer;
    constexpr int kCoarsest = 31;
    const double pictureRate = pixelsPerSecond();
    const int used = libavQuantizerStep(double(videoBitrate_), pictureRate);
    const bool over = isOverSize(writtenBytes);
    const bool under = double(writtenBytes) < kLeastShare * double(budget_.targetBytes);
    if (over) {
        finestOver_ = finestOver_ == 0 ? used : std::min(finestOver_, used);
    } else if (under) {
        finestUnder_ = finestUnder_ == 0 ? used : std::min(finestUnder_, used);
    }
    const int lastQuantizer = std::exchange(lastQuantizer_, used);
    const int64_t lastBytes = std::exchange(lastBytes_, writtenBytes);
    if (!(over || under)) {
        return false;
    }
    // The usual finest quantizer stays well below the size: the size lies between it and the
    // finest of all, whose files are more than twice as large, and a blend of the two reaches it.
    if (under && used == kFinest + 1 && finestOver_ == 0 && blend_ == Blend::NotYet) {
        finestOver_ = kFinest;
        blend_ = Blend::Blending;
        return nextAt(int64_t(double(plan_.videoBitrate) *
                              blendFirstScale(budget_.seconds * budget_.frameRate)));
    }
    // The size lies between the files of the two: once they are near, or the steps have run
    // their course, a blend of the quantizers between them reaches it.
    if (finestOver_ != 0 && finestUnder_ != 0 && blend_ == Blend::NotYet &&
        (finestUnder_ - finestOver_ <= kWidestBlend || corrections_ >= kMostCorrections)) {
        blend_ = Blend::Blending;
        return nextAt(int64_t(double(plan_.videoBitrate) *
                              blendFirstScale(budget_.seconds * budget_.frameRate)));
    }
    const int lowest = std::max(kFinest, finestOver_ + 1);
    const int highest = std::min(kCoarsest, finestUnder_ == 0 ? kCoarsest : finestUnder_);
    int next = 0;
    if (lowest >= highest) {
        // Next to each other: the coarser one is the file, written once more unless it is this one.
        if (!over || lowest > kCoarsest) {
            return false;
        }
        next = lowest;
    } else {
        if (corrections_ >= kMostCorrections && !over) {
            return false;
        }
        // Size falls with the quantizer to a power: the model's first, then the files' own.
        double exponent = 1 / 0.85;
        if (lastQuantizer != 0 && lastQuantizer != used && lastBytes > 0) {
            const double measured = std::log(double(lastBytes) / double(writtenBytes)) /
                                    std::log(double(used) / double(lastQuantizer));
            if (measured > 0.3 && measured < 4) {
                exponent = measured;
            }
        }
        const double wanted = double(budget_.targetBytes) * kAimedShare;
        const double guess = used * std::pow(double(writtenBytes) / wanted, 1 / exponent);
        next = std::clamp(int(std::ceil(guess - 0.05)), lowest, highest - (over ? 0 : 1));
        if (next == used) {
            next = over ? used + 1 : used - 1;
        }
        next = std::clamp(next, lowest, highest);
    }
    if (next == used) {
        return false;
    }
    ++corrections_;
    return nextAt(libavBitrateForStep(next, pictureRate));
}

bool SizeSearch::nextByBlend(int64_t writtenBytes) {
    // The wrapper's bitrate moves the size between the two quantizers' files, by a factor that
    // depends on the picture and the rate and not always in step: it is found by stepping until
    // both sides are known, then by the two files around the size, in the logarithms of both.
    constexpr int kMostBlendPasses = 6;
    constexpr double kStep = 1.6;
    const bool over = isOverSize(writtenBytes);
    const bool under = double(writtenBytes) < kLeastShare * double(budget_.targetBytes);
    if (!over && !under) {
        return false;
    }
    // The bitrates around the size are the lowest known over and the highest known under; the
    // largest file within the size is kept in mind apart.
    if (over && (blendOver_ == 0 || videoBitrate_ < blendOver_)) {
        blendOver_ = videoBitrate_;
        blendOverBytes_ = writtenBytes;
    } else if (!over && videoBitrate_ > blendUnder_) {
        blendUnder_ = videoBitrate_;
        blendUnderBytes_ = writtenBytes;
    }
    if (!over && writtenBytes > largestUnderBytes_) {
        largestUnder_ = videoBitrate_;
        largestUnderBytes_ = writtenBytes;
    }
    if (++blendPasses_ >= kMostBlendPasses) {
        blend_ = Blend::Done;
        if (!over) {
            return false;  // within the size, if a little below it
        }
        // The largest file found within the size is written again; without one, the coarser
        // quantizer alone is known to stay within it.
        return nextAt(largestUnder_ > 0 && largestUnderBytes_ > lastBytes_
                          ? largestUnder_
                          : libavBitrateForStep(finestUnder_, pixelsPerSecond()));
    }
    if (blendOver_ == 0 || blendUnder_ == 0) {
        return nextAt(
            int64_t(over ? double(videoBitrate_) / kStep : double(videoBitrate_) * kStep));
    }
    const double low = std::log(double(blendUnder_));
    const double high = std::log(double(blendOver_));
    const double wanted = std::log(double(budget_.targetBytes) * kAimedShare);
    double share =
        (wanted - std::log(double(blendUnderBytes_))) /
        std::max(1e-6, std::log(double(blendOverBytes_)) - std::log(double(blendUnderBytes_)));
    share = std::clamp(share, 0.2, 0.8);
    return nextAt(int64_t(std::exp(low + share * (high - low))));
}

bool SizeSearch::nextAt(int64_t videoBitrate) {
    videoBitrate_ = std::max<int64_t>(videoBitrate, 1);
    return true;
}
