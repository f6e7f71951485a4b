#pragma once

#include <gst/gst.h>

// GStreamer 1.22's libav GIF reader stamps every picture of an animation with the time 0 (their
// durations are right). Downstream each picture then stood for one output frame, and an
// animation played at the output's rate instead of its own: a 10 fps GIF converted at 25 fps ran
// 2.5 times too fast. The decoder's pictures are stamped again from their durations, counted from
// the start of each segment; pictures that already carry later times keep them.
void restampGifPictures(GstElement* gifDecoder);
