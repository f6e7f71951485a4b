#include "media/Mpeg4Headers.h"

namespace {

constexpr guint8 kGroupOfVops = 0xb3;
constexpr guint8 kVideoObjectPlane = 0xb6;
constexpr guint8 kFirstVideoObjectLayer = 0x20;
constexpr guint8 kLastVideoObjectLayer = 0x2f;
enum VopCodingType : guint8 { kIntra = 0, kPredicted = 1, kBidirectional = 2 };

}  // namespace

Mpeg4Packet readMpeg4Packet(const guint8* data, gsize size) {
    Mpeg4Packet packet;
    bool sawPicture = false;
    for (gsize at = 0; at + 4 < size; ++at) {
        if (data[at] != 0 || data[at + 1] != 0 || data[at + 2] != 1) {
            continue;
        }
        const guint8 code = data[at + 3];
        if (code >= kFirstVideoObjectLayer && code <= kLastVideoObjectLayer && !sawPicture) {
            packet.carriesConfig = true;
        } else if (code == kVideoObjectPlane) {
            const guint8 type = data[at + 4] >> 6;
            if (!sawPicture) {
                packet.intra = type == kIntra;
            }
            packet.bidirectional = packet.bidirectional || type == kBidirectional;
            sawPicture = true;
        }
        at += 3;
    }
    return packet;
}

Mpeg4Packet readMpeg4Packet(GstBuffer* packet) {
    GstMapInfo map;
    if (!gst_buffer_map(packet, &map, GST_MAP_READ)) {
        return {};
    }
    const Mpeg4Packet read = readMpeg4Packet(map.data, map.size);
    gst_buffer_unmap(packet, &map);
    return read;
}

QByteArray mpeg4ConfigIn(GstBuffer* packet) {
    GstMapInfo map;
    if (!packet || !gst_buffer_map(packet, &map, GST_MAP_READ)) {
        return {};
    }
    gsize end = map.size;
    for (gsize at = 0; at + 3 < map.size; ++at) {
        if (map.data[at] == 0 && map.data[at + 1] == 0 && map.data[at + 2] == 1 &&
            (map.data[at + 3] == kGroupOfVops || map.data[at + 3] == kVideoObjectPlane)) {
            end = at;
            break;
        }
    }
    QByteArray config;
    if (readMpeg4Packet(map.data, end).carriesConfig) {
        config = QByteArray(reinterpret_cast<const char*>(map.data), qsizetype(end));
    }
    gst_buffer_unmap(packet, &map);
    return config;
}

QByteArray mpeg4ConfigOf(const GstCaps* caps) {
    const GstStructure* structure =
        caps && !gst_caps_is_empty(caps) ? gst_caps_get_structure(caps, 0) : nullptr;
    const GValue* value = structure ? gst_structure_get_value(structure, "codec_data") : nullptr;
    return value && GST_VALUE_HOLDS_BUFFER(value) ? mpeg4ConfigIn(gst_value_get_buffer(value))
                                                  : QByteArray();
}
