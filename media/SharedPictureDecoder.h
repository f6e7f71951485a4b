#pragma once

#include <gst/gst.h>

// An H.264 and H.265 decoder on libavcodec whose pictures go downstream as libav decoded them,
// without a copy. GStreamer's libav decoder copies every picture into a buffer of its own and
// keeps that copy for as long as libav keeps the picture as a reference, so a 1080p conversion
// holds some five pictures more than the decoding needs. It registers with the lowest rank that
// automatic plugging still considers, so it is only chosen where libav's decoder is passed over.
inline constexpr const char* kSharedPictureDecoderFactory = "quenzelsharedpicturedec";

// Registers the decoder with the framework once; false when that failed.
bool registerSharedPictureDecoder();

// Whether the decoder takes streams of these caps.
bool sharedPictureDecoderTakes(const GstCaps* caps);
