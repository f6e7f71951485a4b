#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// "Fit in N MB": the arithmetic that turns a file size into a video bitrate, corrects it once
// a written file has been measured, and the curve by which the libav encoders aim (the search
// from file to file is SizeSearch). Pure functions, so they are tested without encoding.

// A size as people write it: "25MB", "8 MiB", "700M", "1.5GB", "250k", "4000000B"; a number
// alone is megabytes. 1 MB is 1,000,000 bytes, 1 MiB 1,048,576 (k, M, G without "i" are decimal).
// nullopt when the text is no size or not above 0.
std::optional<int64_t> parseSize(const QString& text);
// "25 MB", "1.5 MB": a size in megabytes for messages, rounded up to what would fit.
QString megabytesText(int64_t bytes);

struct SizeBudget {
    int64_t targetBytes = 0;
    double seconds = 0;  // the span
    double frameRate = 25;
    int width = 0;
    int height = 0;
    // The sound's bitrate, preferred and the least it may take when the room is tight (bits per
    // second); 0 without sound.
    int64_t soundBitrate = 0;
    int64_t smallestSoundBitrate = 0;
    double soundPacketsPerSecond = 50;
    // What the container adds to every packet of picture or sound, in bytes.
    int packetOverhead = 16;
    // Picture bits per pixel and frame below which the encoder shows nothing worth seeing (or
    // cannot go).
    double leastBitsPerPixel = 0.01;
};

struct SizePlan {
    bool reachable = false;
    int64_t videoBitrate = 0;  // bits per second
    int64_t soundBitrate = 0;
    // The smallest target that still shows a picture (reachable or not).
    int64_t smallestSensibleBytes = 0;
};

// The share of the target aimed at: encoders miss their average by a percent or two.
inline constexpr double kAimedShare = 0.975;

SizePlan planForSize(const SizeBudget& budget);

// After a file of `writtenBytes` came out at `videoBitrate`: the video bitrate that makes the next
// file fill the aimed share of the target, a little lower than the plain ratio says when it was
// over.
int64_t correctedVideoBitrate(const SizeBudget& budget, const SizePlan& plan, int64_t videoBitrate,
                              int64_t writtenBytes);

// The quantizer at which GStreamer 1.22's libav video encoders write about `bitrate` bits per
// second of detailed pictures (2 finest, 31 coarsest). Their own rate control does not work: the
// wrapper hands them a time base of a nanosecond and no frame rate, so they budget every picture
// for a tiny fraction of a second and sit at the coarsest quantizer they may use, whatever the
// bitrate. The curve is fitted to detailed pictures: about 0.5 bits per pixel at quantizer 2,
// and a bit rate falling with the quantizer to the power 0.85.
double libavQuantizerFor(double bitrate, double pixelsPerSecond);
// The finest quantizer the libav encoders are given: 1, below their usual floor of 2, only
// where a size asks for more than 2 gives.
inline constexpr int kFinestLibavQuantizer = 1;
// The whole quantizer the encoder is given for a bitrate (the coarser of the two around it, so
// that the file stays within the size), and a bitrate that gives a whole quantizer.
int libavQuantizerStep(double bitrate, double pixelsPerSecond);
int64_t libavBitrateForStep(int quantizer, double pixelsPerSecond);
