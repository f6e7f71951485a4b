#pragma once

#include <gst/gst.h>

// GStreamer 1.22's libav GIF decoder stamps every picture of an animation with the time 0.
// Downstream each picture then stood for one output frame, and an animation played at the
// output's rate instead of its own: a 10 fps GIF converted at 25 fps ran 2.5 times too fast.
// Each picture takes the time of the packet it was decoded from, which the reader stamps right.
// Seeks into the animation, which the reader gets wrong, start it from its first picture.
void restampGifPictures(GstElement* gifDecoder);
