#include "media/ParameterSets.h"

namespace {

constexpr int kAvcFirstSet = 5;  // version, profile, compatibility, level, length size
constexpr int kHevcArrays = 22;  // the fixed part of hvcC before its array count
constexpr int kH264Sps = 7;
constexpr int kH265Sps = 33;

int readShort(const QByteArray& data, int at) {
    return (uchar(data[at]) << 8) | uchar(data[at + 1]);
}

void appendUnit(QByteArray* sets, const QByteArray& data, int at, int length) {
    const char size[4] = {char(length >> 24), char(length >> 16), char(length >> 8), char(length)};
    sets->append(size, 4);
    sets->append(data.constData() + at, length);
}

// `count` units, each with its 16-bit length first, from `at`; the offset after them, or -1 when
// the header ends inside one.
int appendUnits(QByteArray* sets, const QByteArray& data, int at, int count) {
    for (int i = 0; i < count && at + 2 <= data.size(); ++i) {
        const int length = readShort(data, at);
        if (at + 2 + length > data.size()) {
            return -1;
        }
        appendUnit(sets, data, at + 2, length);
        at += 2 + length;
    }
    return at;
}

// avcC: the sequence sets (count in the low 5 bits), then the picture sets, each 16-bit length
// first.
QByteArray avcSets(const QByteArray& data) {
    QByteArray sets;
    int at = kAvcFirstSet;
    for (int list = 0; list < 2 && at < data.size(); ++list) {
        const int count = list == 0 ? uchar(data[at]) & 0x1f : uchar(data[at]);
        at = appendUnits(&sets, data, at + 1, count);
        if (at < 0) {
            return {};
        }
    }
    return sets;
}

// hvcC: arrays of one NAL unit type each (type byte, 16-bit count, units with 16-bit lengths).
QByteArray hevcSets(const QByteArray& data) {
    QByteArray sets;
    if (data.size() <= kHevcArrays) {
        return sets;
    }
    const int arrays = uchar(data[kHevcArrays]);
    int at = kHevcArrays + 1;
    for (int array = 0; array < arrays && at + 3 <= data.size(); ++array) {
        at = appendUnits(&sets, data, at + 3, readShort(data, at + 1));
        if (at < 0) {
            return {};
        }
    }
    return sets;
}

}  // namespace

QByteArray parameterSetsOf(const GstCaps* caps) {
    if (!caps || gst_caps_is_empty(caps)) {
        return {};
    }
    const GstStructure* structure = gst_caps_get_structure(caps, 0);
    const GValue* value = gst_structure_get_value(structure, "codec_data");
    if (!value || !GST_VALUE_HOLDS_BUFFER(value)) {
        return {};
    }
    GstBuffer* buffer = gst_value_get_buffer(value);
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        return {};
    }
    const QByteArray data(reinterpret_cast<const char*>(map.data), int(map.size));
    gst_buffer_unmap(buffer, &map);
    if (gst_structure_has_name(structure, "video/x-h264")) {
        return avcSets(data);
    }
    if (gst_structure_has_name(structure, "video/x-h265")) {
        return hevcSets(data);
    }
    return {};
}

bool carriesSequenceParameters(GstBuffer* packet, bool hevc) {
    GstMapInfo map;
    if (!gst_buffer_map(packet, &map, GST_MAP_READ)) {
        return false;
    }
    bool found = false;
    for (gsize at = 0; at + 5 <= map.size && !found;) {
        const gsize length = gsize(map.data[at]) << 24 | gsize(map.data[at + 1]) << 16 |
                             gsize(map.data[at + 2]) << 8 | map.data[at + 3];
        const guint8 header = map.data[at + 4];
        found = hevc ? ((header >> 1) & 0x3f) == kH265Sps : (header & 0x1f) == kH264Sps;
        at += 4 + length;
    }
    gst_buffer_unmap(packet, &map);
    return found;
}

GstBuffer* withParameterSets(GstBuffer* packet, const QByteArray& sets) {
    GstBuffer* joined = gst_buffer_new_memdup(sets.constData(), gsize(sets.size()));
    gst_buffer_copy_into(joined, packet, GstBufferCopyFlags(GST_BUFFER_COPY_METADATA), 0, -1);
    return gst_buffer_append(joined, gst_buffer_ref(packet));
}
