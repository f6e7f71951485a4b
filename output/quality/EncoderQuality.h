#pragma once

#include <gst/gst.h>

#include <QString>
#include <cstdint>

#include "output/quality/QualityLevel.h"

// How each encoder is set for a quality level or a bitrate. No encoder's defaults are anybody's
// choice (x264 writes 2048 kbit/s whatever the picture, VP9 takes minutes a second, the sound
// encoders have bitrates of their own), so every known encoder is set explicitly:
// - for a level, its constant-quality mode, its speed and threads, and the level's value of its
//   own control (x264 and x265 CRF, VP8/VP9/AV1 constant quality, the libav encoders' quantizer,
//   Vorbis quality, the sound encoders' bitrates, which grow with the number of channels);
// - for a size target, its average-bitrate mode at the bitrate worked out for the size, in the
//   first or second of two passes where it has them.

struct EncoderGoal {
    QualityLevel level = kDefaultQualityLevel;
    int channels = 2;            // of the sound
    double pixelsPerSecond = 0;  // of the picture
    // A size target's bitrate in bits per second; 0: the level decides.
    int64_t bitrate = 0;
    // 0 one pass; 1 or 2 the passes of two, which leave and read their notes in `statsFile`.
    int pass = 0;
    QString statsFile;
    // A libav encoder between two whole quantizers: its rate control, held to them, mixes the
    // quantizers picture by picture, and `bitrate` is in the wrapper's skewed units (see
    // libavQuantizerFor), which move the file's size between the two quantizers' files.
    int blendFinest = 0;
    int blendCoarsest = 0;
};

// Sets the encoder for the goal; an encoder without a known control is left as it is.
void applyEncoderGoal(GstElement* encoder, const EncoderGoal& goal);
// Once the sound's channels are known: a sound encoder's bitrate follows them, where it is still
// the one the goal set for `goal.channels` (a bitrate the user set stays).
void fitSoundBitrateToChannels(GstElement* encoder, const EncoderGoal& goal, int channels);

// The bits per pixel and picture below which the encoder cannot go, or shows nothing worth
// seeing.
double leastBitsPerPixel(const QString& factoryName);
// Whether the encoder aims at a bitrate through a quantizer: its size answers every correction.
bool aimsByQuantizer(const QString& factoryName);

// Whether the levels mean something for the encoder of this factory.
bool hasQualityLevels(const QString& factoryName);
// Whether the encoder can aim at a bitrate, and whether it does so in two passes.
bool takesBitrate(const QString& factoryName);
bool hasTwoPasses(const QString& factoryName);
// The sound bitrate an encoder writes at a level, in bits per second, for aiming at a size;
// 0 when unknown.
int64_t soundBitrate(const QString& factoryName, QualityLevel level, int channels);
