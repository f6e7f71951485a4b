#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "output/quality/EncoderQuality.h"
#include "output/quality/SizeTarget.h"

struct OutputSettings;

// The passes of one conversion. A quality level needs one. A size target ("fit in N MB") gets
// its video bitrate from the span, the sound and the container's overhead; where the encoder has
// two passes the first only studies the picture and writes nothing, the second writes the file;
// a file that comes out over the size is written once more at a corrected bitrate.
class ConversionPasses {
  public:
    // One pass at the settings' quality level.
    explicit ConversionPasses(const OutputSettings& settings);

    // The passes that make `settings` fit their size target over a span of `seconds`; nullopt,
    // with the user's reason, when the size cannot be reached or the compressors cannot aim at
    // one. `smallestBytes` gets the least size that would do (0 when no size would).
    struct Refusal {
        enum class Kind { TooSmall, CannotAim } kind;
        int64_t smallestBytes = 0;
        QString compressor;  // the compressor that cannot aim at a size
    };
    static ConversionPasses forSize(const OutputSettings& settings, double seconds, bool hasSound,
                                    std::optional<Refusal>* refusal);

    bool aimsAtSize() const { return budget_.targetBytes > 0; }
    int current() const { return current_; }  // from 1
    int count() const { return count_; }
    // Whether the current pass writes the file (the first of two only studies the picture).
    bool writesFile() const { return !twoPasses_ || current_ > 1; }

    EncoderGoal videoGoal() const;
    EncoderGoal soundGoal() const;
    void setStatsFile(const QString& path) { statsFile_ = path; }

    // The next pass, when there is one: after the first of two passes; after a writing pass whose
    // file of `writtenBytes` is over the size (once for a bitrate encoder). An encoder aiming by
    // quantizer steps a whole quantizer at least, coarser while over the size and finer while well
    // below it, never back to one that came out over; once the quantizers over and below the
    // size are near, or the steps run out, it blends those between through its rate control. Its
    // last file is never over while a coarser quantizer is left. False when it is done.
    bool advance(int64_t writtenBytes);
    // Whether a written file of that size is over the target.
    bool isOverSize(int64_t writtenBytes) const {
        return aimsAtSize() && writtenBytes > budget_.targetBytes;
    }
    int64_t targetBytes() const { return budget_.targetBytes; }

  private:
    ConversionPasses() = default;
    bool advanceByQuantizer(int64_t writtenBytes);
    bool advanceByBlend(int64_t writtenBytes);
    bool nextPassAt(int64_t videoBitrate);
    double budgetPixelsPerSecond() const;  // of the picture the size is planned for

    QualityLevel level_ = kDefaultQualityLevel;
    int64_t averageBitrate_ = 0;
    double pixelsPerSecond_ = 0;
    int channels_ = 2;
    SizeBudget budget_;
    SizePlan plan_;
    int64_t videoBitrate_ = 0;
    bool twoPasses_ = false;
    bool byQuantizer_ = false;
    int corrections_ = 0;
    // For an encoder aiming by quantizer: the finest quantizer whose file was over the size, and
    // the finest whose file stayed well below it (0: none yet): the size lies between the two.
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
    int current_ = 1;
    int count_ = 1;
    QString statsFile_;
};
