#include "media/DepthReducer.h"

#include <algorithm>
#include <cstdint>
#include <mutex>

namespace {

struct DepthReducer {
    GstVideoFilter parent;
};

struct DepthReducerClass {
    GstVideoFilterClass parent;
};

G_DEFINE_TYPE(DepthReducer, depth_reducer, GST_TYPE_VIDEO_FILTER)

constexpr const char* kInputCaps =
    "video/x-raw, format = (string) { I420_10LE, I420_12LE }, "
    "width = (int) [ 1, max ], height = (int) [ 1, max ], "
    "framerate = (fraction) [ 0, max ]";
constexpr const char* kOutputCaps =
    "video/x-raw, format = (string) I420, "
    "width = (int) [ 1, max ], height = (int) [ 1, max ], "
    "framerate = (fraction) [ 0, max ]";

GstCaps* depthReducerTransformCaps(GstBaseTransform*, GstPadDirection direction, GstCaps* caps,
                                   GstCaps* filter) {
    GstCaps* result = gst_caps_copy(caps);
    for (guint i = 0; i < gst_caps_get_size(result); ++i) {
        GstStructure* structure = gst_caps_get_structure(result, i);
        if (direction == GST_PAD_SINK) {
            gst_structure_set(structure, "format", G_TYPE_STRING, "I420", nullptr);
        } else {
            GValue formats = G_VALUE_INIT;
            gst_value_list_init(&formats, 2);
            for (const char* name : {"I420_10LE", "I420_12LE"}) {
                GValue format = G_VALUE_INIT;
                g_value_init(&format, G_TYPE_STRING);
                g_value_set_string(&format, name);
                gst_value_list_append_and_take_value(&formats, &format);
            }
            gst_structure_take_value(structure, "format", &formats);
        }
    }
    if (filter) {
        GstCaps* filtered = gst_caps_intersect_full(filter, result, GST_CAPS_INTERSECT_FIRST);
        gst_caps_unref(result);
        result = filtered;
    }
    return result;
}

// Every sample of every plane, rounded to its upper 8 bits.
GstFlowReturn depthReducerTransformFrame(GstVideoFilter*, GstVideoFrame* in, GstVideoFrame* out) {
    const int shift = GST_VIDEO_FRAME_COMP_DEPTH(in, 0) - 8;
    const int rounding = 1 << (shift - 1);
    for (guint plane = 0; plane < GST_VIDEO_FRAME_N_PLANES(in); ++plane) {
        const int width = GST_VIDEO_FRAME_COMP_WIDTH(in, plane);
        const int height = GST_VIDEO_FRAME_COMP_HEIGHT(in, plane);
        const int inStride = GST_VIDEO_FRAME_PLANE_STRIDE(in, plane);
        const int outStride = GST_VIDEO_FRAME_PLANE_STRIDE(out, plane);
        const auto* source = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(in, plane));
        auto* target = static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(out, plane));
        for (int row = 0; row < height; ++row) {
            const auto* samples = reinterpret_cast<const uint16_t*>(source + row * inStride);
            uint8_t* pixels = target + row * outStride;
            for (int x = 0; x < width; ++x) {
                pixels[x] = static_cast<uint8_t>(std::min(255, (samples[x] + rounding) >> shift));
            }
        }
    }
    return GST_FLOW_OK;
}

void depth_reducer_class_init(DepthReducerClass* klass) {
    auto* element = GST_ELEMENT_CLASS(klass);
    gst_element_class_set_static_metadata(
        element, "Quenzel depth reducer", "Filter/Converter/Video",
        "Turns 10- and 12-bit 4:2:0 pictures into 8-bit I420", "Quenzel");
    gst_element_class_add_pad_template(element,
                                       gst_pad_template_new("sink", GST_PAD_SINK, GST_PAD_ALWAYS,
                                                            gst_caps_from_string(kInputCaps)));
    gst_element_class_add_pad_template(element,
                                       gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS,
                                                            gst_caps_from_string(kOutputCaps)));
    GST_BASE_TRANSFORM_CLASS(klass)->transform_caps = &depthReducerTransformCaps;
    GST_VIDEO_FILTER_CLASS(klass)->transform_frame = &depthReducerTransformFrame;
}

void depth_reducer_init(DepthReducer*) {}

}  // namespace

bool registerDepthReducer() {
    static std::once_flag once;
    static bool registered = false;
    std::call_once(once, [] {
        registered = gst_element_register(nullptr, kDepthReducerFactory, GST_RANK_NONE,
                                          depth_reducer_get_type());
    });
    return registered;
}

bool depthReducerTakes(GstVideoFormat format) {
    return format == GST_VIDEO_FORMAT_I420_10LE || format == GST_VIDEO_FORMAT_I420_12LE;
}
