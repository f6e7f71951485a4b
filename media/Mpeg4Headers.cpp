#include "media/Mpeg4Headers.h"

#include <vector>

#include "media/RbspBits.h"

namespace {

constexpr guint8 kGroupOfVops = 0xb3;
constexpr guint8 kVideoObjectPlane = 0xb6;
constexpr guint8 kFirstVideoObjectLayer = 0x20;
constexpr guint8 kLastVideoObjectLayer = 0x2f;
constexpr uint32_t kExtendedPixelAspect = 15;
enum VopCodingType : guint8 { kIntra = 0, kPredicted = 1, kBidirectional = 2 };

// Where the next start code (00 00 01 and its value) stands at or after `from`, with room for a
// byte after it; `size` when none does.
gsize nextStartCode(const guint8* data, gsize size, gsize from) {
    for (gsize at = from; at + 4 < size; ++at) {
        if (data[at] == 0 && data[at + 1] == 0 && data[at + 2] == 1) {
            return at;
        }
    }
    return size;
}

// The bit positions (from the start of `bytes`) of the low_delay flags of the video object
// layers in `bytes`, -1 for a layer without control parameters.
std::vector<int> lowDelayBits(const QByteArray& bytes) {
    std::vector<int> found;
    const auto* data = reinterpret_cast<const guint8*>(bytes.constData());
    const auto size = gsize(bytes.size());
    for (gsize at = nextStartCode(data, size, 0); at < size;
         at = nextStartCode(data, size, at + 4)) {
        if (data[at + 3] < kFirstVideoObjectLayer || data[at + 3] > kLastVideoObjectLayer) {
            continue;
        }
        const QByteArray header = bytes.mid(qsizetype(at) + 4, 16);
        RbspReader reader(header);
        reader.skip(1 + 8);  // random_accessible_vol, video_object_type_indication
        if (reader.bits(1) != 0) {
            reader.skip(4 + 3);  // video_object_layer_verid, _priority
        }
        if (reader.bits(4) == kExtendedPixelAspect) {
            reader.skip(8 + 8);
        }
        const bool controlled = reader.bits(1) != 0;  // vol_control_parameters
        reader.skip(2);                               // chroma_format
        found.push_back(controlled && !reader.overrun() ? int(at + 4) * 8 + reader.position() : -1);
    }
    return found;
}

}  // namespace

Mpeg4Packet readMpeg4Packet(const guint8* data, gsize size) {
    Mpeg4Packet packet;
    bool sawPicture = false;
    for (gsize at = nextStartCode(data, size, 0); at < size;
         at = nextStartCode(data, size, at + 4)) {
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
    gsize end = nextStartCode(map.data, map.size, 0);
    while (end < map.size && map.data[end + 3] != kGroupOfVops &&
           map.data[end + 3] != kVideoObjectPlane) {
        end = nextStartCode(map.data, map.size, end + 4);
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

std::optional<bool> mpeg4LowDelay(const QByteArray& config) {
    const std::vector<int> bits = lowDelayBits(config);
    if (bits.empty() || bits.front() < 0) {
        return std::nullopt;
    }
    return (guint8(config[bits.front() / 8]) >> (7 - bits.front() % 8) & 1) != 0;
}

GstBuffer* withMpeg4LowDelay(GstBuffer* packet, bool lowDelay) {
    GstMapInfo map;
    if (!gst_buffer_map(packet, &map, GST_MAP_READ)) {
        return nullptr;
    }
    QByteArray bytes(reinterpret_cast<const char*>(map.data), qsizetype(map.size));
    gst_buffer_unmap(packet, &map);
    const std::vector<int> bits = lowDelayBits(bytes);
    if (bits.empty()) {
        return gst_buffer_ref(packet);
    }
    for (const int bit : bits) {
        if (bit < 0) {
            return nullptr;
        }
        const char mask = char(1 << (7 - bit % 8));
        bytes[bit / 8] = char(lowDelay ? bytes[bit / 8] | mask : bytes[bit / 8] & ~mask);
    }
    GstBuffer* changed = gst_buffer_new_memdup(bytes.constData(), gsize(bytes.size()));
    gst_buffer_copy_into(changed, packet, GstBufferCopyFlags(GST_BUFFER_COPY_METADATA), 0, -1);
    return changed;
}
