#include "media/OpenGroupStart.h"

#include <QByteArray>
#include <vector>

#include "media/RbspBits.h"

// The parsers are stable in use since 1.x; their headers still ask for this.
#define GST_USE_UNSTABLE_API
#include <gst/codecparsers/gsth264parser.h>

namespace {

constexpr int kLengthSize = 4;  // avc3 as the copy's parser gives it
constexpr guint8 kSliceTypeI = 2;
constexpr guint8 kSliceTypeSp = 3;
constexpr guint8 kSliceTypeSi = 4;

void setBits(QByteArray* payload, int position, uint32_t value, int count) {
    for (int i = 0; i < count; ++i) {
        const int at = position + i;
        const char mask = char(0x80 >> (at % 8));
        const bool set = (value >> (count - 1 - i)) & 1;
        (*payload)[at / 8] = char(set ? ((*payload)[at / 8] | mask) : ((*payload)[at / 8] & ~mask));
    }
}

// Where gaps_in_frame_num_value_allowed_flag stands in a sequence set's payload (after its NAL
// header); -1 where the set holds what the rewrite does not take.
int gapsFlagPosition(const QByteArray& payload) {
    RbspReader reader(payload);
    const uint32_t profile = reader.bits(8);
    reader.bits(16);  // constraint flags, level
    reader.unsignedGolomb();
    switch (profile) {
        case 100:
        case 110:
        case 122:
        case 244:
        case 44:
        case 83:
        case 86:
        case 118:
        case 128:
        case 138:
        case 139:
        case 134:
        case 135:
            if (reader.unsignedGolomb() == 3) {
                reader.bits(1);
            }
            reader.unsignedGolomb();
            reader.unsignedGolomb();
            reader.bits(1);
            if (reader.bits(1)) {
                return -1;  // scaling lists
            }
            break;
        default:
            break;
    }
    reader.unsignedGolomb();
    if (reader.unsignedGolomb() != 0) {
        return -1;  // picture orders that are not counted in the slices
    }
    reader.unsignedGolomb();
    reader.unsignedGolomb();
    return reader.overrun() ? -1 : reader.position();
}

bool spsTaken(const GstH264SPS& sps, const QByteArray& payload) {
    return sps.frame_mbs_only_flag && sps.pic_order_cnt_type == 0 && gapsFlagPosition(payload) >= 0;
}

// The bits of a slice header after dec_ref_pic_marking(), from the parsed values.
int bitsAfterMarking(const GstH264SliceHdr& slice) {
    const GstH264PPS& pps = *slice.pps;
    const guint8 type = slice.type % 5;
    int count = 0;
    if (pps.entropy_coding_mode_flag && type != kSliceTypeI && type != kSliceTypeSi) {
        count += unsignedGolombLength(slice.cabac_init_idc);
    }
    count += signedGolombLength(slice.slice_qp_delta);
    if (type == kSliceTypeSp || type == kSliceTypeSi) {
        count += (type == kSliceTypeSp ? 1 : 0) + signedGolombLength(slice.slice_qs_delta);
    }
    if (pps.deblocking_filter_control_present_flag) {
        count += unsignedGolombLength(slice.disable_deblocking_filter_idc);
        if (slice.disable_deblocking_filter_idc != 1) {
            count += signedGolombLength(slice.slice_alpha_c0_offset_div2) +
                     signedGolombLength(slice.slice_beta_offset_div2);
        }
    }
    return count;
}

// The marking commands of a non-IDR slice read again at `from`; false unless they end at `to`.
bool markingEndsAt(const QByteArray& payload, int from, int to) {
    RbspReader reader(payload);
    reader.skip(from);
    if (reader.bits(1)) {
        for (uint32_t operation = reader.unsignedGolomb(); operation != 0 && !reader.overrun();
             operation = reader.unsignedGolomb()) {
            reader.unsignedGolomb();
            if (operation == 3) {
                reader.unsignedGolomb();
            }
        }
    }
    return !reader.overrun() && reader.position() == to;
}

}  // namespace

struct OpenGroupStart::State {
    GstH264NalParser* parser = gst_h264_nal_parser_new();
    bool started = false;
    bool onItsOwn = false;  // a later IDR picture starts afresh: nothing more to rewrite
    uint32_t baseFrameNum = 0;
    uint32_t basePictureOrder = 0;
    // Frame numbers since the key picture, counted on past their wrap.
    int64_t wraps = 0;
    uint32_t lastFrameNum = 0;
    ~State() { gst_h264_nal_parser_free(parser); }

    bool rewriteSequenceSet(GstH264NalUnit& unit, QByteArray* out, QString* error);
    bool rewriteSlice(GstH264NalUnit& unit, bool keyPicture, QByteArray* out, QString* error);
};

OpenGroupStart::OpenGroupStart() : state_(std::make_unique<State>()) {}

OpenGroupStart::~OpenGroupStart() = default;

bool OpenGroupStart::State::rewriteSequenceSet(GstH264NalUnit& unit, QByteArray* out,
                                               QString* error) {
    GstH264SPS sps;
    if (gst_h264_parser_parse_sps(parser, &unit, &sps) != GST_H264_PARSER_OK) {
        *error = QStringLiteral("a sequence parameter set of the source cannot be read");
        return false;
    }
    QByteArray payload = withoutEmulationPrevention(
        reinterpret_cast<const char*>(unit.data + unit.offset + 1), int(unit.size) - 1);
    const bool taken = spsTaken(sps, payload);
    gst_h264_sps_clear(&sps);
    if (!taken) {
        *error = QStringLiteral("the source's sequence parameters are not of a kind Quenzel joins");
        return false;
    }
    setBits(&payload, gapsFlagPosition(payload), 1, 1);
    out->append(char(unit.data[unit.offset]));
    out->append(withEmulationPrevention(payload));
    return true;
}

bool OpenGroupStart::State::rewriteSlice(GstH264NalUnit& unit, bool keyPicture, QByteArray* out,
                                         QString* error) {
    GstH264SliceHdr slice;
    if (gst_h264_parser_parse_slice_hdr(parser, &unit, &slice, TRUE, TRUE) != GST_H264_PARSER_OK) {
        *error = QStringLiteral("a slice of the source cannot be read");
        return false;
    }
    const GstH264SPS& sps = *slice.pps->sequence;
    if (unit.idr_pic_flag && started) {
        onItsOwn = true;
    }
    if (onItsOwn) {
        out->append(reinterpret_cast<const char*>(unit.data + unit.offset), int(unit.size));
        return true;
    }
    if (slice.field_pic_flag || slice.pps->num_slice_groups_minus1 > 0 ||
        !sps.frame_mbs_only_flag || sps.pic_order_cnt_type != 0 ||
        (keyPicture && (slice.type % 5 != kSliceTypeI || unit.ref_idc == 0))) {
        *error = QStringLiteral("the source's slices are not of a kind Quenzel joins");
        return false;
    }
    const int frameNumBits = sps.log2_max_frame_num_minus4 + 4;
    const int orderBits = sps.log2_max_pic_order_cnt_lsb_minus4 + 4;
    const uint32_t frameNums = 1u << frameNumBits;
    const uint32_t orders = 1u << orderBits;
    if (keyPicture && !started) {
        started = true;
        baseFrameNum = slice.frame_num;
        basePictureOrder = slice.pic_order_cnt_lsb;
    }
    const uint32_t frameNum = (slice.frame_num + frameNums - baseFrameNum) % frameNums;
    const uint32_t order = (slice.pic_order_cnt_lsb + orders - basePictureOrder) % orders;
    if (frameNum < lastFrameNum) {
        wraps += frameNums;
    }
    lastFrameNum = frameNum;

    const QByteArray payload = withoutEmulationPrevention(
        reinterpret_cast<const char*>(unit.data + unit.offset + 1), int(unit.size) - 1);
    RbspReader reader(payload);
    reader.unsignedGolomb();
    reader.unsignedGolomb();
    reader.unsignedGolomb();
    if (sps.separate_colour_plane_flag) {
        reader.bits(2);
    }
    const int frameNumAt = reader.position();
    reader.bits(frameNumBits);
    const int orderAt = reader.position();  // frames only, and no IDR picture here yet
    const int headerBits = int(slice.header_size) - 8 * int(slice.n_emulation_prevention_bytes);
    const int markingTo = headerBits - bitsAfterMarking(slice);
    const int markingFrom =
        markingTo - (unit.ref_idc != 0 ? int(slice.dec_ref_pic_marking.bit_size) : 0);
    if (reader.overrun() ||
        (unit.ref_idc != 0 && !markingEndsAt(payload, markingFrom, markingTo))) {
        *error = QStringLiteral("a slice header of the source is not where it was expected");
        return false;
    }

    // The marking commands that still name a picture of the joined stream.
    const GstH264DecRefPicMarking& marking = slice.dec_ref_pic_marking;
    std::vector<const GstH264RefPicMarking*> kept;
    bool markingChanges = keyPicture;
    if (unit.ref_idc != 0 && marking.adaptive_ref_pic_marking_mode_flag) {
        for (guint8 i = 0; i < marking.n_ref_pic_marking; ++i) {
            const GstH264RefPicMarking& command = marking.ref_pic_marking[i];
            const guint8 operation = command.memory_management_control_operation;
            if (operation != 1) {
                // Long-term pictures, or a reset of the numbering that the offsets would miss.
                *error = QStringLiteral(
                    "the source marks its reference pictures in a way "
                    "Quenzel does not rewrite");
                return false;
            }
            const int64_t named =
                wraps + frameNum - int64_t(command.difference_of_pic_nums_minus1) - 1;
            if (named < 0) {
                markingChanges = true;  // a picture before the key picture, not in this stream
            } else {
                kept.push_back(&command);
            }
        }
    }

    out->append(char(keyPicture ? (unit.data[unit.offset] & 0xe0) | GST_H264_NAL_SLICE_IDR
                                : unit.data[unit.offset]));
    if (!markingChanges) {
        QByteArray same = payload;
        setBits(&same, frameNumAt, frameNum, frameNumBits);
        setBits(&same, orderAt, order, orderBits);
        out->append(withEmulationPrevention(same));
        return true;
    }
    RbspWriter writer;
    writer.copy(payload, 0, frameNumAt);
    writer.bits(frameNum, frameNumBits);
    if (keyPicture) {
        writer.unsignedGolomb(0);  // idr_pic_id
    }
    writer.bits(order, orderBits);
    writer.copy(payload, orderAt + orderBits, markingFrom);
    if (keyPicture) {
        writer.bits(0, 2);  // no_output_of_prior_pics_flag, long_term_reference_flag
    } else {
        writer.bits(kept.empty() ? 0 : 1, 1);
        for (const GstH264RefPicMarking* command : kept) {
            writer.unsignedGolomb(command->memory_management_control_operation);
            if (command->memory_management_control_operation == 1) {
                writer.unsignedGolomb(command->difference_of_pic_nums_minus1);
            }
        }
        if (!kept.empty()) {
            writer.unsignedGolomb(0);
        }
    }
    writer.copy(payload, markingTo, headerBits);
    if (slice.pps->entropy_coding_mode_flag) {
        // The coded slice data starts on a byte, after cabac_alignment_one_bit.
        while (writer.position() % 8 != 0) {
            writer.bits(1, 1);
        }
        const int dataFrom = (headerBits + 7) / 8 * 8;
        writer.copy(payload, dataFrom, int(payload.size()) * 8);
    } else {
        writer.copy(payload, headerBits, endOfPayloadBits(payload));
        while (writer.position() % 8 != 0) {
            writer.bits(0, 1);
        }
    }
    out->append(withEmulationPrevention(writer.payload()));
    return true;
}

GstBuffer* OpenGroupStart::rewrite(GstBuffer* packet, QString* error) {
    GstMapInfo map;
    if (!gst_buffer_map(packet, &map, GST_MAP_READ)) {
        *error = QStringLiteral("a picture of the source cannot be read");
        return nullptr;
    }
    const bool keyPicture = !state_->started;
    QByteArray joined;
    GstH264NalUnit unit;
    guint offset = 0;
    bool ok = true;
    bool sequenceSet = false;
    while (ok && offset < map.size &&
           gst_h264_parser_identify_nalu_avc(state_->parser, map.data, offset, map.size,
                                             kLengthSize, &unit) == GST_H264_PARSER_OK) {
        QByteArray unitBytes;
        if (unit.type == GST_H264_NAL_SPS) {
            sequenceSet = true;
            ok = state_->rewriteSequenceSet(unit, &unitBytes, error);
        } else if (unit.type == GST_H264_NAL_SLICE || unit.type == GST_H264_NAL_SLICE_IDR) {
            if (keyPicture && !sequenceSet) {
                *error = QStringLiteral("the first copied picture carries no sequence parameters");
                ok = false;
                break;
            }
            ok = state_->rewriteSlice(unit, keyPicture, &unitBytes, error);
        } else {
            if (unit.type == GST_H264_NAL_PPS) {
                GstH264PPS pps;
                if (gst_h264_parser_parse_pps(state_->parser, &unit, &pps) == GST_H264_PARSER_OK) {
                    gst_h264_pps_clear(&pps);
                }
            }
            unitBytes =
                QByteArray(reinterpret_cast<const char*>(unit.data + unit.offset), int(unit.size));
        }
        const auto length = quint32(unitBytes.size());
        const char size[kLengthSize] = {char(length >> 24), char(length >> 16), char(length >> 8),
                                        char(length)};
        joined.append(size, kLengthSize);
        joined.append(unitBytes);
        offset = unit.offset + unit.size;
    }
    gst_buffer_unmap(packet, &map);
    if (!ok) {
        return nullptr;
    }
    if (keyPicture && !state_->started) {
        *error = QStringLiteral("the first copied picture holds no slice");
        return nullptr;
    }
    GstBuffer* rewritten = gst_buffer_new_memdup(joined.constData(), gsize(joined.size()));
    gst_buffer_copy_into(
        rewritten, packet,
        static_cast<GstBufferCopyFlags>(GST_BUFFER_COPY_FLAGS | GST_BUFFER_COPY_TIMESTAMPS |
                                        GST_BUFFER_COPY_META),
        0, static_cast<gsize>(-1));
    return rewritten;
}
