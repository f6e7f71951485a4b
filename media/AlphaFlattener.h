#pragma once

#include <gst/video/video.h>

// An element of ours, "quenzelalphaflattener": shows transparent pictures (A420 from VP8 and VP9
// with alpha, AYUV) on black, in the same layout without alpha. Other formats with alpha (RGB
// from PNG or QuickTime animation) are converted to AYUV before it. No writer keeps transparency,
// and a converter alone would drop the alpha and show whatever colour lies under the transparent
// parts. The blending is GStreamer's own (gst_video_blend); this element only gives it a black
// picture to draw on.
inline constexpr const char* kAlphaFlattenerFactory = "quenzelalphaflattener";

// Registers the element with GStreamer, once per process; true when it is available.
bool registerAlphaFlattener();
