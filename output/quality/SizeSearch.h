#pragma once

#include <cstdint>

#include "output/quality/SizeTarget.h"

// The search for the video bitrate that fills a size, file by file: each written file's size
// tells the next pass's bitrate, until one is within the size and close enough to it.
// - An encoder that aims at a bitrate is corrected once, when its file came out over.
// - An encoder aiming by quantizer (the libav ones) steps a whole quantizer at least, coarser
//   while over the size and finer while well below it, never back to one that came out over;
//   once the quantizers over and below the size are near, or the steps run out, it blends those
//   between through its rate control. Its last file is never over while a coarser quantizer is
//   left.
// Pure arithmetic, so it is tested with files of made-up sizes.
class SizeSearch {
  public:
    SizeSearch() = default;
    SizeSearch(const SizeBudget& budget, const SizePlan& plan, bool byQuantizer)
        : budget_(budget),
          plan_(plan),
          videoBitrate_(plan.videoBitrate),
          byQuantizer_(byQuantizer) {}

    const SizeBudget& budget() const { return budget_; }
    const SizePlan& plan() const { return plan_; }
    // The bitrate of the next file (bits per second; for a blend, in the libav wrapper's units).
    int64_t videoBitrate() const { return videoBitrate_; }
    // While blending, the two whole quantizers the rate control is held to; 0 otherwise.
    int blendFinest() const { return blend_ == Blend::Blending ? finestOver_ : 0; }
    int blendCoarsest() const { return blend_ == Blend::Blending ? finestUnder_ : 0; }
    // The pictures' pixels a second the size is planned for.
    double pixelsPerSecond() const {
        return double(budget_.width) * budget_.height * budget_.frameRate;
    }

    bool isOverSize(int64_t writtenBytes) const { return writtenBytes > budget_.targetBytes; }
    // After a file of `writtenBytes`: true when another is to be written (at videoBitrate()),
    // false when this one is the file.
    bool next(int64_t writtenBytes);

  private:
    bool nextByQuantizer(int64_t writtenBytes);
    bool nextByBlend(int64_t writtenBytes);
    bool nextAt(int64_t videoBitrate);

    SizeBudget budget_;
    SizePlan plan_;
    int64_t videoBitrate_ = 0;
    bool byQuantizer_ = false;
    int corrections_ = 0;
    // The finest quantizer whose file was over the size, and the finest whose file stayed well
    // below it (0: none yet): the size lies between the two.
    int finestOver_ = 0;
    int finestUnder_ = 0;
    int lastQuantizer_ = 0;  // and the size of its file
    int64_t lastBytes_ = 0;
    // Blending the two: the rate control's bitrates known to come out over the size and well
    // below it (0: none yet), with their files' sizes.
    enum class Blend { NotYet, Blending, Done } blend_ = Blend::NotYet;
    int blendPasses_ = 0;
    int64_t blendOver_ = 0;
    int64_t blendOverBytes_ = 0;
    int64_t blendUnder_ = 0;
    int64_t blendUnderBytes_ = 0;
    int64_t largestUnder_ = 0;  // the blend whose file came closest below the size
    int64_t largestUnderBytes_ = 0;
};
