#pragma once

#include <gst/gst.h>

#include <QString>

#include "output/quality/QualityLevel.h"

// How each encoder is set for a quality level. No encoder's defaults are anybody's choice (x264
// writes 2048 kbit/s whatever the picture, VP9 takes minutes a second, the sound encoders have
// bitrates of their own), so every encoder whose constant-quality mode is known is set from the
// level: its mode, its speed and threads, and the level's value of its own control (x264 and
// x265 CRF, VP8/VP9/AV1 constant quality, the libav encoders' quantizer, Vorbis quality, the
// sound encoders' bitrates, which grow with the number of channels).

struct EncoderGoal {
    QualityLevel level = kDefaultQualityLevel;
    int channels = 2;  // of the sound
};

// Sets the encoder for the goal; an encoder without a known quality control is left as it is.
void applyEncoderGoal(GstElement* encoder, const EncoderGoal& goal);

// Whether the levels mean something for the encoder of this factory.
bool hasQualityLevels(const QString& factoryName);
