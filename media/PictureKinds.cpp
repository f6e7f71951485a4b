#include "media/PictureKinds.h"

// The parsers are stable in use since 1.x; their headers still ask for this.
#define GST_USE_UNSTABLE_API
#include <gst/codecparsers/gsth264parser.h>
#include <gst/codecparsers/gsth265parser.h>

struct PictureKindReader::Parsers {
    GstH264NalParser* h264 = gst_h264_nal_parser_new();
    GstH265Parser* h265 = gst_h265_parser_new();
    ~Parsers() {
        gst_h264_nal_parser_free(h264);
        gst_h265_parser_free(h265);
    }
};

PictureKindReader::PictureKindReader(PictureCodec codec)
    : codec_(codec), parsers_(std::make_unique<Parsers>()) {}

PictureKindReader::~PictureKindReader() = default;

PictureKind PictureKindReader::read(GstBuffer* picture) {
    if (codec_ == PictureCodec::Other) {
        return {.randomAccess = !GST_BUFFER_FLAG_IS_SET(picture, GST_BUFFER_FLAG_DELTA_UNIT),
                .skippable = false,
                .leadsOnItsOwn = false};
    }
    GstMapInfo map;
    if (!gst_buffer_map(picture, &map, GST_MAP_READ)) {
        return {};
    }
    const PictureKind kind =
        codec_ == PictureCodec::H264 ? readH264(map.data, map.size) : readH265(map.data, map.size);
    gst_buffer_unmap(picture, &map);
    return kind;
}

PictureKind PictureKindReader::readH264(const guint8* data, gsize size) {
    // Only an IDR picture starts a copied group. An I picture that is its own recovery point
    // (an open group) would follow the encoded head with picture numbers and orders carried over
    // from it, and decoders then drop the pictures after the seam: such groups are encoded.
    GstH264NalUnit unit;
    guint offset = 0;
    while (offset < size) {
        const GstH264ParserResult found =
            gst_h264_parser_identify_nalu(parsers_->h264, data, offset, size, &unit);
        if (found != GST_H264_PARSER_OK && found != GST_H264_PARSER_NO_NAL_END) {
            break;
        }
        if (unit.type == GST_H264_NAL_SLICE_IDR) {
            return {.randomAccess = true, .skippable = false, .leadsOnItsOwn = false};
        }
        offset = unit.offset + unit.size;
    }
    return {};
}

PictureKind PictureKindReader::readH265(const guint8* data, gsize size) {
    PictureKind kind;
    GstH265NalUnit unit;
    guint offset = 0;
    while (offset < size) {
        const GstH265ParserResult found =
            gst_h265_parser_identify_nalu(parsers_->h265, data, offset, size, &unit);
        if (found != GST_H265_PARSER_OK && found != GST_H265_PARSER_NO_NAL_END) {
            break;
        }
        if (unit.type <= GST_H265_NAL_SLICE_CRA_NUT) {
            kind.randomAccess = unit.type >= GST_H265_NAL_SLICE_BLA_W_LP;
            kind.skippable =
                unit.type == GST_H265_NAL_SLICE_RASL_N || unit.type == GST_H265_NAL_SLICE_RASL_R;
            kind.leadsOnItsOwn =
                unit.type == GST_H265_NAL_SLICE_RADL_N || unit.type == GST_H265_NAL_SLICE_RADL_R;
            break;  // every slice of a picture is of one type
        }
        offset = unit.offset + unit.size;
    }
    return kind;
}
