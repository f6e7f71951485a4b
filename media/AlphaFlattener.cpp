// GStreamer's blending header has no C linkage of its own, and the video headers take it in
// without one: they come first, given it.
#include <gst/gst.h>
extern "C" {
#include <gst/video/video.h>
}

#include "media/AlphaFlattener.h"

#include <cstring>
#include <mutex>

#include "media/Elements.h"

namespace {

struct AlphaFlattener {
    GstVideoFilter parent;
};

struct AlphaFlattenerClass {
    GstVideoFilterClass parent;
};

G_DEFINE_TYPE(AlphaFlattener, alpha_flattener, GST_TYPE_VIDEO_FILTER)

struct FormatPair {
    const char* transparent;
    const char* opaque;  // the same samples in the same places, without alpha
};

// GStreamer 1.22's blending of RGB with alpha takes any alpha but none as full; RGB sources are
// converted to AYUV first.
constexpr FormatPair kPairs[] = {{"A420", "I420"}, {"AYUV", "Y444"}};

constexpr const char* kInputCaps =
    "video/x-raw, format = (string) { A420, AYUV }, "
    "width = (int) [ 1, max ], height = (int) [ 1, max ], framerate = (fraction) [ 0, max ]";
constexpr const char* kOutputCaps =
    "video/x-raw, format = (string) { I420, Y444 }, "
    "width = (int) [ 1, max ], height = (int) [ 1, max ], framerate = (fraction) [ 0, max ]";

const char* counterpart(const char* format, bool toOpaque) {
    for (const FormatPair& pair : kPairs) {
        if (std::strcmp(toOpaque ? pair.transparent : pair.opaque, format) == 0) {
            return toOpaque ? pair.opaque : pair.transparent;
        }
    }
    return nullptr;
}

// The format field (one name or a list) with each name replaced by its counterpart; false when
// none has one.
bool mapFormats(const GValue* formats, bool toOpaque, GValue* mapped) {
    gst_value_list_init(mapped, 1);
    auto add = [&](const GValue* name) {
        const char* other =
            G_VALUE_HOLDS_STRING(name) ? counterpart(g_value_get_string(name), toOpaque) : nullptr;
        if (other) {
            GValue value = G_VALUE_INIT;
            g_value_init(&value, G_TYPE_STRING);
            g_value_set_string(&value, other);
            gst_value_list_append_and_take_value(mapped, &value);
        }
    };
    if (GST_VALUE_HOLDS_LIST(formats)) {
        for (guint i = 0; i < gst_value_list_get_size(formats); ++i) {
            add(gst_value_list_get_value(formats, i));
        }
    } else {
        add(formats);
    }
    return gst_value_list_get_size(mapped) > 0;
}

GstCaps* alphaFlattenerTransformCaps(GstBaseTransform*, GstPadDirection direction, GstCaps* caps,
                                     GstCaps* filter) {
    GstCaps* result = gst_caps_new_empty();
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        GstStructure* structure = gst_structure_copy(gst_caps_get_structure(caps, i));
        const GValue* formats = gst_structure_get_value(structure, "format");
        GValue mapped = G_VALUE_INIT;
        if (!formats) {
            result = gst_caps_merge_structure(result, structure);
        } else if (mapFormats(formats, direction == GST_PAD_SINK, &mapped)) {
            gst_structure_take_value(structure, "format", &mapped);
            result = gst_caps_merge_structure(result, structure);
        } else {
            g_value_unset(&mapped);
            gst_structure_free(structure);
        }
    }
    if (filter) {
        GstCaps* filtered = gst_caps_intersect_full(filter, result, GST_CAPS_INTERSECT_FIRST);
        gst_caps_unref(result);
        result = filtered;
    }
    return result;
}

// Black in the output's own terms: the lowest luma of its range and neutral chroma, or zeros.
void fillBlack(GstVideoFrame* frame) {
    const bool yuv = GST_VIDEO_INFO_IS_YUV(&frame->info);
    const bool fullRange = frame->info.colorimetry.range == GST_VIDEO_COLOR_RANGE_0_255;
    for (guint plane = 0; plane < GST_VIDEO_FRAME_N_PLANES(frame); ++plane) {
        const int value = !yuv ? 0 : plane == 0 ? (fullRange ? 0 : 16) : 128;
        auto* data = static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, plane));
        const auto stride = static_cast<size_t>(GST_VIDEO_FRAME_PLANE_STRIDE(frame, plane));
        std::memset(data, value, stride * GST_VIDEO_FRAME_COMP_HEIGHT(frame, plane));
    }
}

GstFlowReturn alphaFlattenerTransformFrame(GstVideoFilter*, GstVideoFrame* in, GstVideoFrame* out) {
    fillBlack(out);
    return gst_video_blend(out, in, 0, 0, 1.0F) ? GST_FLOW_OK : GST_FLOW_ERROR;
}

void alpha_flattener_class_init(AlphaFlattenerClass* klass) {
    auto* element = GST_ELEMENT_CLASS(klass);
    gst_element_class_set_static_metadata(element, "Quenzel alpha flattener",
                                          "Filter/Converter/Video",
                                          "Shows transparent pictures on black", "Quenzel");
    addAlwaysPads(element, kInputCaps, kOutputCaps);
    GST_BASE_TRANSFORM_CLASS(klass)->transform_caps = &alphaFlattenerTransformCaps;
    GST_VIDEO_FILTER_CLASS(klass)->transform_frame = &alphaFlattenerTransformFrame;
}

void alpha_flattener_init(AlphaFlattener*) {}

}  // namespace

bool registerAlphaFlattener() {
    static std::once_flag once;
    static bool registered = false;
    std::call_once(once, [] {
        registered = gst_element_register(nullptr, kAlphaFlattenerFactory, GST_RANK_NONE,
                                          alpha_flattener_get_type());
    });
    return registered;
}
