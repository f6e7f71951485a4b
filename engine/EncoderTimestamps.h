#pragma once

#include <gst/gst.h>

// Makes an encoder's output start at time 0 and carry sound timestamps, for the writers and
// parsers after it. GStreamer 1.22's video encoders start their output 1000 hours
// late (room for negative decoding times), and its MPEG-4 Part 2 encoder stamps every frame with
// the same invalid time. The output segment becomes a plain one from 0; each buffer gets its
// running time, and a video frame whose time is broken takes the running time of the frame that
// went in (the encoders that break their times emit frames in the order they receive them).
void rebaseEncoderOutput(GstElement* encoder, bool video);
