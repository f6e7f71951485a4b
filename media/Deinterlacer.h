#pragma once

#include <gst/gst.h>

// Whether decoded pictures of these caps are interlaced (every picture, or some of them): their
// fields were taken apart in time, and moving edges show teeth unless the fields are joined.
bool isInterlaced(const GstCaps* caps);

// Puts a motion-adaptive deinterlacer (yadif) in front of `next` when the pictures of `decoded`
// are interlaced, and gives it, playing along with the bin; nullptr when the pictures are
// progressive (they get none, so they pay nothing) or the deinterlacer is not installed. One
// picture comes out per field when the output rate holds them (50 fps from 25i), else one per
// picture.
GstElement* addDeinterlacerIfInterlaced(GstBin* bin, GstElement* next, GstPad* decoded,
                                        double outputFps);
