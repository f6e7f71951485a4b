#pragma once

#include <gst/gst.h>

// A raw H.264 stream put into MP4 or Matroska without its presentation times (ffmpeg's
// "-c copy" from a raw stream does it) carries its decoding times as both: the pictures a decoder
// gives out in the order they show then arrive with the times of the order they were decoded in,
// and GStreamer's decoder base class loses and repeats pictures at the start of the stream.
// While every packet of a stream has its presentation time equal to its decoding time, this
// takes the presentation time off all but the key frames, so that the decoder times its
// pictures from the decoding times in the order it shows them, as it does for AVI files (which
// carry no presentation times). The edit list such an MP4 file gets, made to skip the first
// pictures' reordering delay, would then cut the first pictures: a segment that starts no more
// than that delay after the first packet is moved back to it. A stream whose times differ
// anywhere is left as it is from there on; one without reordered pictures comes out with its
// own times either way.
void ignoreCopiedPresentationTimes(GstElement* videoDecoder);
