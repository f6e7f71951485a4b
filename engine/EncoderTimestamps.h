#pragma once

#include <gst/gst.h>

// What becomes of decoding times before the first picture (encoders that reorder frames have
// them): kept, in a segment that starts late enough to hold them, for writers that store them
// (MP4); or dropped, for writers that write every time as it comes and need times from 0 (ASF).
enum class DecodingTimes { Kept, Dropped };

// Makes an encoder's output start at time 0 and carry sound timestamps, for the writers and
// parsers after it. GStreamer 1.22's video encoders start their output 1000 hours
// late (room for negative decoding times), and its MPEG-4 Part 2 encoder stamps every frame with
// the same invalid time. The output segment becomes a plain one from 0; each buffer gets its
// running time, and a video frame whose time is broken takes the running time of the frame that
// went in (the encoders that break their times emit frames in the order they receive them).
void rebaseEncoderOutput(GstElement* encoder, bool video, DecodingTimes decodingTimes);
