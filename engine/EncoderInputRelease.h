#pragma once

#include <gst/gst.h>

// Gives back to the system the memory of pictures a video encoder's library has already copied.
// GStreamer 1.22's x264 and x265 elements keep every picture they were given mapped until its
// coded frame comes out, and the encoder base class keeps it too: with look-ahead, B-frames and
// frame threads that is 40 to 50 full pictures held for nothing (the libraries copy each picture
// while they take it). The encoder is given a copy of each picture in memory of our own; once it
// takes the next picture, the pages of that copy are handed back to the system (the buffer stays
// valid, its contents are gone). Memory that came from elsewhere is never touched. Only encoders
// known to copy their input are given this.
void releaseEncodedInput(GstElement* encoder);
