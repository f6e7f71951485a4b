#pragma once

#include <gst/gst.h>

#include <QByteArray>

// The parameter sets of an H.264 or H.265 stream as its caps carry them (avcC, hvcC), each with
// a 4-byte length before it, as avc3 and hev1 packets hold NAL units; empty for other caps.
QByteArray parameterSetsOf(const GstCaps* caps);

// Whether an avc3 or hev1 packet (4-byte lengths) carries a sequence parameter set.
bool carriesSequenceParameters(GstBuffer* packet, bool hevc);

// The packet with `sets` before its NAL units (a new buffer, its times and flags kept).
GstBuffer* withParameterSets(GstBuffer* packet, const QByteArray& sets);
