#pragma once

#include <gst/gst.h>

#include <QByteArray>
#include <optional>

// What an MPEG-4 Part 2 packet holds, read from its start codes: the headers before its
// pictures and the coding types of its video object planes (VOPs).
struct Mpeg4Packet {
    bool carriesConfig = false;  // a video object layer header: the stream's setup
    bool intra = false;          // its first VOP is an I-VOP: decoding can start here
    // A B-VOP: it refers to a picture shown after it. An AVI file packs it with the picture
    // before it (the packed bitstream), and its times tell nothing of its order.
    bool bidirectional = false;
};

Mpeg4Packet readMpeg4Packet(const guint8* data, gsize size);
Mpeg4Packet readMpeg4Packet(GstBuffer* packet);

// The stream's setup: the headers before the first group or VOP, when they hold a video object
// layer; empty when they do not.
QByteArray mpeg4ConfigIn(GstBuffer* packet);
// The same, as the caps carry it.
QByteArray mpeg4ConfigOf(const GstCaps* caps);

// The low_delay flag of the stream's video object layer: whether it holds no B-VOPs, so that a
// decoder shows each picture as it comes. Empty when the layer leaves it unsaid.
std::optional<bool> mpeg4LowDelay(const QByteArray& config);

// The packet with the low_delay flag of each video object layer it carries set to `lowDelay` (a
// new reference; the same buffer when there is nothing to change); null when a layer leaves the
// flag unsaid, so that it cannot be set in place.
GstBuffer* withMpeg4LowDelay(GstBuffer* packet, bool lowDelay);
