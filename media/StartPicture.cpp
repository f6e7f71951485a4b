#include "media/StartPicture.h"

#include <memory>

#include "media/PacketReader.h"

#define GST_USE_UNSTABLE_API
#include <gst/codecparsers/gsth264parser.h>

bool startsOffIdrPicture(const QString& path, int64_t from) {
    std::unique_ptr<PacketReader> reader;
    const PacketRequest request{.streamId = {},
                                .kind = "video/",
                                .chain = {},
                                .from = from,
                                .decoded = false,
                                .to = -1,
                                .makeChain = {}};
    QString error;
    if (failed(PacketReader::open(path, request, &reader, &error))) {
        return false;
    }
    GstBufferPtr first = reader->next();
    const GstStructure* caps =
        first && reader->caps() ? gst_caps_get_structure(reader->caps(), 0) : nullptr;
    if (!caps || !gst_structure_has_name(caps, "video/x-h264")) {
        return false;
    }
    // The length size of avc packets stands in their header (avcC); byte-stream has start codes.
    guint lengthSize = 0;
    if (const GValue* header = gst_structure_get_value(caps, "codec_data")) {
        GstBuffer* data = gst_value_get_buffer(header);
        guint8 fifth = 0;
        if (data && gst_buffer_extract(data, 4, &fifth, 1) == 1) {
            lengthSize = (fifth & 3u) + 1;
        }
    }
    GstMapInfo map;
    if (!gst_buffer_map(first.get(), &map, GST_MAP_READ)) {
        return false;
    }
    GstH264NalParser* parser = gst_h264_nal_parser_new();
    bool offIdr = false;
    GstH264NalUnit unit;
    guint offset = 0;
    while (offset < map.size) {
        const GstH264ParserResult found =
            lengthSize ? gst_h264_parser_identify_nalu_avc(parser, map.data, offset, map.size,
                                                           lengthSize, &unit)
                       : gst_h264_parser_identify_nalu(parser, map.data, offset, map.size, &unit);
        if (found != GST_H264_PARSER_OK && found != GST_H264_PARSER_NO_NAL_END) {
            break;
        }
        if (unit.type == GST_H264_NAL_SLICE || unit.type == GST_H264_NAL_SLICE_IDR) {
            offIdr = unit.type == GST_H264_NAL_SLICE;
            break;
        }
        offset = unit.offset + unit.size;
    }
    gst_h264_nal_parser_free(parser);
    gst_buffer_unmap(first.get(), &map);
    return offIdr;
}
