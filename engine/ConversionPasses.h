#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "output/quality/EncoderQuality.h"
#include "output/quality/SizeSearch.h"
#include "output/quality/SizeTarget.h"

struct OutputSettings;

// The passes of one conversion, counted and in sequence. A quality level needs one. A size
// target ("fit in N MB") gets its video bitrate from the span, the sound and the container's
// overhead; where the encoder has two passes the first only studies the picture and writes
// nothing, the second writes the file; the files after it are the size search's (SizeSearch).
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

    bool aimsAtSize() const { return search_.budget().targetBytes > 0; }
    int current() const { return current_; }  // from 1
    int count() const { return count_; }
    // Whether the current pass writes the file (the first of two only studies the picture).
    bool writesFile() const { return !twoPasses_ || current_ > 1; }

    EncoderGoal videoGoal() const;
    EncoderGoal soundGoal() const;
    void setStatsFile(const QString& path) { statsFile_ = path; }

    // The next pass, when there is one: after the first of two passes; after a writing pass,
    // when the size search asks for another file. False when it is done.
    bool advance(int64_t writtenBytes);
    // Whether a written file of that size is over the target.
    bool isOverSize(int64_t writtenBytes) const {
        return aimsAtSize() && search_.isOverSize(writtenBytes);
    }
    int64_t targetBytes() const { return search_.budget().targetBytes; }

  private:
    ConversionPasses() = default;
    QualityLevel level_ = kDefaultQualityLevel;
    int64_t averageBitrate_ = 0;
    double pixelsPerSecond_ = 0;
    int channels_ = 2;
    SizeSearch search_;
    bool twoPasses_ = false;
    int current_ = 1;
    int count_ = 1;
    QString statsFile_;
};
