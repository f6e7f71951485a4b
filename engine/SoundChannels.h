#pragma once

#include <gst/gst.h>

#include "output/quality/EncoderQuality.h"

// The most channels a sound encoder takes, from what its input accepts (8 when it has no bound);
// without an encoder (plain sound), 8.
int mostChannelsOf(GstElement* encoder);

// Keeps the source's channels in the written sound wherever the encoder takes them (5.1 into
// Vorbis, Opus, AC-3, AAC, FLAC and plain sound) and folds the rest down with the usual
// coefficients where it does not: centre and surrounds at -3 dB, the LFE left out, each output
// normalized so that nothing clips. Decided when the sound's format arrives at `converter` (an
// audioconvert), whose output `channelFilter` (a capsfilter behind it) is set to the channels;
// the encoder's bitrate then follows them (see fitSoundBitrateToChannels).
void fitSoundChannels(GstElement* converter, GstElement* channelFilter, GstElement* encoder,
                      int mostChannels, const EncoderGoal& goal);
