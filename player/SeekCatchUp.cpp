#include "player/SeekCatchUp.h"

#include <cstring>

#include "media/Elements.h"

namespace {

// What the probe knows about the stream going into the decoder (one per decoder; it lives on
// the decoder's streaming thread only).
struct CatchUpState {
    bool h264 = false;
    int lengthSize = 0;
    GstClockTime segmentStart = 0;
};

constexpr int kSliceUnit = 1;
constexpr int kKeySliceUnit = 5;

// Looks at one unit header: counts the picture slices and whether any of them is referred to.
void noteUnit(uint8_t header, bool* slices, bool* referenced) {
    const int type = header & 0x1f;
    if (type >= kSliceUnit && type <= kKeySliceUnit) {
        *slices = true;
        if ((header >> 5) & 0x3) {
            *referenced = true;
        }
    }
}

void readCaps(GstCaps* caps, CatchUpState* state) {
    const GstStructure* format = gst_caps_get_structure(caps, 0);
    state->h264 = gst_structure_has_name(format, "video/x-h264");
    state->lengthSize = 0;
    const char* streamFormat = gst_structure_get_string(format, "stream-format");
    if (!state->h264 || !streamFormat || std::strcmp(streamFormat, "avc") != 0) {
        return;
    }
    const GValue* codecData = gst_structure_get_value(format, "codec_data");
    GstBuffer* configuration = codecData ? gst_value_get_buffer(codecData) : nullptr;
    uint8_t bytes[5] = {};
    if (!configuration || gst_buffer_extract(configuration, 0, bytes, 5) != 5) {
        state->h264 = false;  // cannot tell the units apart
        return;
    }
    state->lengthSize = (bytes[4] & 0x3) + 1;
}

bool endsBefore(GstBuffer* buffer, GstClockTime start) {
    if (!GST_BUFFER_PTS_IS_VALID(buffer) || !GST_BUFFER_DURATION_IS_VALID(buffer)) {
        return false;
    }
    return GST_BUFFER_PTS(buffer) + GST_BUFFER_DURATION(buffer) <= start;
}

GstPadProbeReturn onDecoderInput(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* state = static_cast<CatchUpState*>(data);
    if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
            GstCaps* caps = nullptr;
            gst_event_parse_caps(event, &caps);
            readCaps(caps, state);
        } else if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
            const GstSegment* segment = nullptr;
            gst_event_parse_segment(event, &segment);
            const bool forward = segment->format == GST_FORMAT_TIME && segment->rate > 0;
            state->segmentStart = forward ? segment->start : 0;
        }
        return GST_PAD_PROBE_OK;
    }
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (!state->h264 || state->segmentStart == 0 || !endsBefore(buffer, state->segmentStart)) {
        return GST_PAD_PROBE_OK;
    }
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        return GST_PAD_PROBE_OK;
    }
    const bool unreferenced = isUnreferencedH264Picture(map.data, map.size, state->lengthSize);
    gst_buffer_unmap(buffer, &map);
    return unreferenced ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
}

void freeState(gpointer data) {
    delete static_cast<CatchUpState*>(data);
}

}  // namespace

bool isUnreferencedH264Picture(const uint8_t* data, size_t size, int lengthSize) {
    bool slices = false;
    bool referenced = false;
    size_t at = 0;
    if (lengthSize > 0) {
        while (at + lengthSize < size) {
            size_t length = 0;
            for (int i = 0; i < lengthSize; ++i) {
                length = (length << 8) | data[at + i];
            }
            at += lengthSize;
            if (length == 0 || length > size - at) {
                return false;  // not what it claims to be: leave it to the decoder
            }
            noteUnit(data[at], &slices, &referenced);
            at += length;
        }
    } else {
        // Units follow start codes 00 00 01 (or 00 00 00 01).
        while (at + 3 < size) {
            if (data[at] == 0 && data[at + 1] == 0 && data[at + 2] == 1) {
                noteUnit(data[at + 3], &slices, &referenced);
                at += 3;
            } else {
                ++at;
            }
        }
    }
    return slices && !referenced;
}

void speedUpSeekCatchUp(GstElement* decoder) {
    watchPadData(decoder, "sink", &onDecoderInput, new CatchUpState, &freeState);
}
