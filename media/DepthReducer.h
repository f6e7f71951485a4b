#pragma once

#include <gst/video/video.h>

// An element of ours, "quenzeldepthreducer": turns 10- and 12-bit 4:2:0 pictures (I420_10LE,
// I420_12LE, as H.264 and HEVC decoders give them) into 8-bit I420, rounding each sample. The
// general video converter takes this step, and the scaling after it, at several times the cost
// of decoding; as a plain shift of every sample it costs little, and the scaler then works on
// 8-bit pictures, for which it has fast paths.
inline constexpr const char* kDepthReducerFactory = "quenzeldepthreducer";

// Registers the element with GStreamer, once per process; true when it is available.
bool registerDepthReducer();

// Whether the reducer takes pictures of this format.
bool depthReducerTakes(GstVideoFormat format);
