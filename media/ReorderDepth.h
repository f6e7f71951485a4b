#pragma once

#include <gst/gst.h>

// How many pictures an H.264 or H.265 stream may show later than it decodes them, as its
// sequence header states it (from the avcC or hvcC header in the caps); -1 when the caps hold
// none or the header does not say. A baseline H.264 stream never reorders.
int reorderDepthOf(const GstCaps* caps);
