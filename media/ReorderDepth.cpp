#include "media/ReorderDepth.h"

// The parsers are stable in use since 1.x; their headers still ask for this.
#define GST_USE_UNSTABLE_API
#include <gst/codecparsers/gsth264parser.h>
#include <gst/codecparsers/gsth265parser.h>

#include <memory>

namespace {

// Inside the avcC and hvcC headers every parameter set is preceded by its 16-bit length.
constexpr guint kHeaderLengthBytes = 2;
constexpr guint kAvcFirstSet = 6;  // version, profile, compatibility, level, sizes, count
constexpr guint kHevcArrays = 22;  // the fixed part of the header, then the array count
constexpr guint8 kBaselineProfile = 66;

int h264Depth(const guint8* data, gsize size) {
    if (size <= kAvcFirstSet || (data[5] & 0x1f) == 0) {
        return -1;
    }
    std::unique_ptr<GstH264NalParser, decltype(&gst_h264_nal_parser_free)> parser(
        gst_h264_nal_parser_new(), &gst_h264_nal_parser_free);
    GstH264NalUnit unit;
    GstH264SPS sps;
    if (gst_h264_parser_identify_nalu_avc(parser.get(), data, kAvcFirstSet, size,
                                          kHeaderLengthBytes, &unit) != GST_H264_PARSER_OK ||
        gst_h264_parser_parse_sps(parser.get(), &unit, &sps) != GST_H264_PARSER_OK) {
        return -1;
    }
    int depth = -1;
    if (sps.vui_parameters_present_flag && sps.vui_parameters.bitstream_restriction_flag) {
        depth = sps.vui_parameters.num_reorder_frames;
    } else if (sps.profile_idc == kBaselineProfile) {
        depth = 0;
    }
    gst_h264_sps_clear(&sps);
    return depth;
}

int h265Depth(const guint8* data, gsize size) {
    if (size <= kHevcArrays) {
        return -1;
    }
    std::unique_ptr<GstH265Parser, decltype(&gst_h265_parser_free)> parser(gst_h265_parser_new(),
                                                                           &gst_h265_parser_free);
    const guint arrays = data[kHevcArrays];
    gsize offset = kHevcArrays + 1;
    for (guint array = 0; array < arrays && offset + 3 <= size; ++array) {
        const guint count = guint(data[offset + 1]) << 8 | data[offset + 2];
        offset += 3;
        for (guint index = 0; index < count && offset + kHeaderLengthBytes <= size; ++index) {
            GstH265NalUnit unit;
            if (gst_h265_parser_identify_nalu_hevc(parser.get(), data, offset, size,
                                                   kHeaderLengthBytes,
                                                   &unit) != GST_H265_PARSER_OK) {
                return -1;
            }
            offset = unit.offset + unit.size;
            if (unit.type == GST_H265_NAL_VPS) {
                GstH265VPS vps;
                gst_h265_parser_parse_vps(parser.get(), &unit, &vps);
            } else if (unit.type == GST_H265_NAL_SPS) {
                GstH265SPS sps;
                if (gst_h265_parser_parse_sps(parser.get(), &unit, &sps, FALSE) !=
                    GST_H265_PARSER_OK) {
                    return -1;
                }
                return sps.max_num_reorder_pics[sps.max_sub_layers_minus1];
            }
        }
    }
    return -1;
}

}  // namespace

int reorderDepthOf(const GstCaps* caps) {
    if (!caps || gst_caps_get_size(caps) == 0) {
        return -1;
    }
    const GstStructure* structure = gst_caps_get_structure(caps, 0);
    const GValue* header = gst_structure_get_value(structure, "codec_data");
    if (!header || !GST_VALUE_HOLDS_BUFFER(header)) {
        return -1;
    }
    GstBuffer* buffer = gst_value_get_buffer(header);
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        return -1;
    }
    int depth = -1;
    if (gst_structure_has_name(structure, "video/x-h264")) {
        depth = h264Depth(map.data, map.size);
    } else if (gst_structure_has_name(structure, "video/x-h265")) {
        depth = h265Depth(map.data, map.size);
    }
    gst_buffer_unmap(buffer, &map);
    return depth;
}
