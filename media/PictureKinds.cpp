#include "media/PictureKinds.h"

// The parsers are stable in use since 1.x; their headers still ask for this.
#define GST_USE_UNSTABLE_API
#include <gst/codecparsers/gsth264parser.h>
#include <gst/codecparsers/gsth265parser.h>

#include <QByteArray>
#include <algorithm>

#include "media/Mpeg4Headers.h"
#include "media/RbspBits.h"

namespace {
constexpr int kSliceTypeBytes = 16;  // enough for first_mb_in_slice and slice_type
}  // namespace

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
                .leadsOnItsOwn = false,
                .recoveryPoint = false,
                .bidirectional = false};
    }
    if (codec_ == PictureCodec::Mpeg4) {
        const Mpeg4Packet packet = readMpeg4Packet(picture);
        const bool leading = packet.bidirectional && !packet.intra && lastAnchorIntra_;
        if (!packet.bidirectional || packet.intra) {
            lastAnchorIntra_ = packet.intra;
        }
        return {.randomAccess = packet.intra,
                .skippable = leading,
                .leadsOnItsOwn = false,
                .recoveryPoint = false,
                .bidirectional = packet.bidirectional};
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

namespace {

constexpr guint8 kSeiRecoveryPoint = 6;

// Whether an SEI unit's payload holds a recovery point at the picture itself.
bool recoversAtOnce(const QByteArray& payload) {
    int at = 0;
    while (at + 1 < payload.size()) {
        int type = 0;
        while (at < payload.size() && uchar(payload[at]) == 0xff) {
            type += 255;
            ++at;
        }
        type += at < payload.size() ? uchar(payload[at++]) : 0;
        int size = 0;
        while (at < payload.size() && uchar(payload[at]) == 0xff) {
            size += 255;
            ++at;
        }
        size += at < payload.size() ? uchar(payload[at++]) : 0;
        if (type == kSeiRecoveryPoint) {
            const QByteArray message = payload.mid(at, size);
            RbspReader reader(message);
            return reader.unsignedGolomb() == 0 && !reader.overrun();
        }
        at += size;
    }
    return false;
}

bool isIntraSlice(const QByteArray& payload) {
    RbspReader reader(payload);
    reader.unsignedGolomb();  // first_mb_in_slice
    return reader.unsignedGolomb() % 5 == 2 && !reader.overrun();
}

}  // namespace

PictureKind PictureKindReader::readH264(const guint8* data, gsize size) {
    // An IDR picture starts a copied group, and so does an I picture that is its own recovery
    // point: the copy turns that one into an IDR picture (OpenGroupStart). An I picture alone
    // is none: the pictures after it may still refer to ones before it.
    GstH264NalUnit unit;
    guint offset = 0;
    bool recovers = false;
    bool intra = true;
    bool slices = false;
    while (offset < size) {
        const GstH264ParserResult found =
            gst_h264_parser_identify_nalu(parsers_->h264, data, offset, size, &unit);
        if (found != GST_H264_PARSER_OK && found != GST_H264_PARSER_NO_NAL_END) {
            break;
        }
        const auto* payload = reinterpret_cast<const char*>(unit.data + unit.offset + 1);
        if (unit.type == GST_H264_NAL_SLICE_IDR) {
            return {.randomAccess = true,
                    .skippable = false,
                    .leadsOnItsOwn = false,
                    .recoveryPoint = false,
                    .bidirectional = false};
        } else if (unit.type == GST_H264_NAL_SEI) {
            recovers =
                recovers || recoversAtOnce(withoutEmulationPrevention(payload, int(unit.size) - 1));
        } else if (unit.type == GST_H264_NAL_SLICE) {
            slices = true;
            intra = intra && isIntraSlice(withoutEmulationPrevention(
                                 payload, std::min(int(unit.size) - 1, kSliceTypeBytes)));
        }
        offset = unit.offset + unit.size;
    }
    const bool key = recovers && intra && slices;
    return {.randomAccess = key,
            .skippable = false,
            .leadsOnItsOwn = false,
            .recoveryPoint = key,
            .bidirectional = false};
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
