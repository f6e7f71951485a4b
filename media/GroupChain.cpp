#include "media/GroupChain.h"

#include <gst/video/video.h>

#include <cstdlib>
#include <vector>

#include "media/AlphaFlattener.h"
#include "media/DepthReducer.h"
#include "media/Elements.h"
#include "media/GPtr.h"
#include "media/Timeline.h"

namespace {

constexpr int kAudioRate = 44100;
constexpr int32_t kStretchToFrame = 0;
// Decoded pictures waiting for the scaler's thread: the decoder goes on meanwhile, and memory
// stays bounded (a few full-size pictures). The rate converter stands in front of it, so it holds
// only pictures that will be used; the depth reducer runs behind it, in the scaler's thread, so
// that the decoder's thread only feeds the decoder.
constexpr guint kQueuedPictures = 2;

// Turns pictures upright by their orientation tag. GStreamer 1.22.0's flipper copies every
// picture while it does not turn it: its pass-through is only switched on by a change of
// direction. Going through another direction and back to "auto" switches it on; orientation
// tags still turn the picture.
void makeFlipperPassThrough(GstElement* flipper) {
    g_object_set(flipper, "video-direction", GST_VIDEO_ORIENTATION_90R, nullptr);
    g_object_set(flipper, "video-direction", GST_VIDEO_ORIENTATION_AUTO, nullptr);
}

// Between two YUV formats of the same chroma layout the converter's general path (colour matrix,
// chroma filtering, dithering) changes nothing worth its cost, which is most of the scaling's
// time: scaling and packing alone remain. Other inputs (RGB, 4:4:4) keep the full conversion.
GstPadProbeReturn onScalerCaps(GstPad* pad, GstPadProbeInfo* info, gpointer) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) != GST_EVENT_CAPS) {
        return GST_PAD_PROBE_OK;
    }
    GstCaps* caps = nullptr;
    gst_event_parse_caps(event, &caps);
    GstVideoInfo input;
    if (!gst_video_info_from_caps(&input, caps)) {
        return GST_PAD_PROBE_OK;
    }
    const GstVideoFormatInfo* format = input.finfo;
    const bool fourTwoZero = GST_VIDEO_FORMAT_INFO_IS_YUV(format) &&
                             GST_VIDEO_FORMAT_INFO_W_SUB(format, 1) == 1 &&
                             GST_VIDEO_FORMAT_INFO_H_SUB(format, 1) == 1;
    GObjectPtr<GstElement> scaler(gst_pad_get_parent_element(pad));
    if (scaler && fourTwoZero) {
        gst_util_set_object_arg(G_OBJECT(scaler.get()), "matrix-mode", "none");
        gst_util_set_object_arg(G_OBJECT(scaler.get()), "chroma-mode", "none");
        gst_util_set_object_arg(G_OBJECT(scaler.get()), "dither", "none");
    }
    return GST_PAD_PROBE_OK;
}

// The pictures' sample format, when the pad has caps already.
GstVideoFormat formatOf(GstPad* pad) {
    GstCapsPtr caps(gst_pad_get_current_caps(pad));
    GstVideoInfo info;
    return caps && gst_video_info_from_caps(&info, caps.get()) ? GST_VIDEO_INFO_FORMAT(&info)
                                                               : GST_VIDEO_FORMAT_UNKNOWN;
}

// Puts `factory`'s element between the queue and what follows it; nothing has flowed yet.
GstElement* insertBehindQueue(GstPipeline* pipeline, GstElement* queue, const char* factory) {
    GObjectPtr<GstPad> queueOutput(gst_element_get_static_pad(queue, "src"));
    GObjectPtr<GstPad> next(gst_pad_get_peer(queueOutput.get()));
    GstElement* inserted = next ? gst_element_factory_make(factory, nullptr) : nullptr;
    if (!inserted) {
        return nullptr;
    }
    GObjectPtr<GstElement> following(gst_pad_get_parent_element(next.get()));
    gst_bin_add(GST_BIN(pipeline), inserted);
    gst_element_unlink(queue, following.get());
    if (gst_element_link_many(queue, inserted, following.get(), nullptr)) {
        gst_element_sync_state_with_parent(inserted);
        return inserted;
    }
    gst_element_unlink(queue, inserted);
    gst_bin_remove(GST_BIN(pipeline), inserted);
    gst_element_link(queue, following.get());
    return nullptr;
}

// Whether the element behind the queue takes the decoded pictures as they are.
bool followerTakes(GstElement* queue, GstPad* decoded) {
    GObjectPtr<GstPad> queueOutput(gst_element_get_static_pad(queue, "src"));
    GObjectPtr<GstPad> next(gst_pad_get_peer(queueOutput.get()));
    GstCapsPtr caps(gst_pad_get_current_caps(decoded));
    if (!next || !caps) {
        return true;
    }
    GstCapsPtr accepted(gst_pad_get_pad_template_caps(next.get()));
    return gst_caps_can_intersect(caps.get(), accepted.get());
}

void convertIfNotTaken(GstPipeline* pipeline, GstElement* queue, GstPad* decoded) {
    if (!followerTakes(queue, decoded)) {
        insertBehindQueue(pipeline, queue, "videoconvert");
    }
}

}  // namespace

// The rate converter in front of the queue drops pictures first, so fewer are reduced or
// converted.
void adaptDecodedPictures(GstPipeline* pipeline, GstElement* queue, GstPad* decoded) {
    const GstVideoFormat format = formatOf(decoded);
    if (depthReducerTakes(format)) {
        insertBehindQueue(pipeline, queue, kDepthReducerFactory);
    } else if (GST_VIDEO_FORMAT_INFO_HAS_ALPHA(gst_video_format_get_info(format))) {
        // Transparent pictures (VP8 and VP9 with alpha, PNG, QuickTime animation) are shown on
        // black: none of the writers keeps transparency.
        insertBehindQueue(pipeline, queue, kAlphaFlattenerFactory);
        convertIfNotTaken(pipeline, queue, decoded);
    } else {
        // Old codecs' formats (RGB15/16, palettes, 4:1:0, 4:1:1, planar 4:2:2) are converted
        // before the flipper, which takes the common ones only.
        convertIfNotTaken(pipeline, queue, decoded);
    }
}

Status makeGroupChain(GstBin* bin, const TimelineGroup& group, const TimelineSource& source,
                      GroupChain* chain) {
    const bool video = group.mediaType().major == GroupMediaType::Major::Video;
    std::vector<const char*> factories =
        video
            ? std::vector<const char*>{"videorate", "queue", "videoflip", "videoconvertscale",
                                       "capsfilter"}
            : std::vector<const char*>{"audioconvert", "audioresample", "audiorate", "capsfilter"};
    std::vector<GstElement*> elements;
    for (const char* factory : factories) {
        GObjectPtr<GstElement> element;
        if (failed(makeElement(factory, nullptr, &element))) {
            return status::kNoDecoder;
        }
        gst_bin_add(bin, element.get());
        elements.push_back(element.get());
    }
    GstElement* filter = elements.back();
    if (video) {
        int numerator = 0;
        int denominator = 1;
        frameRateFraction(group.outputFps(), &numerator, &denominator);
        GstCapsPtr caps(gst_caps_new_simple(
            "video/x-raw", "format", G_TYPE_STRING, "I420", "width", G_TYPE_INT,
            group.mediaType().width, "height", G_TYPE_INT, std::abs(group.mediaType().height),
            "framerate", GST_TYPE_FRACTION, numerator, denominator, "pixel-aspect-ratio",
            GST_TYPE_FRACTION, 1, 1, nullptr));
        g_object_set(filter, "caps", caps.get(), nullptr);
        g_object_set(elements[1], "max-size-buffers", kQueuedPictures, "max-size-bytes", 0,
                     "max-size-time", G_GUINT64_CONSTANT(0), nullptr);
        makeFlipperPassThrough(elements[2]);
        GstElement* scaler = elements[3];
        // The same anti-aliased filter the timeline's scaler uses; borders keep the picture's
        // shape unless it is stretched over the frame.
        gst_util_set_object_arg(G_OBJECT(scaler), "method", "bilinear2");
        g_object_set(scaler, "add-borders", source.stretchMode() != kStretchToFrame, nullptr);
        GObjectPtr<GstPad> scalerInput(gst_element_get_static_pad(scaler, "sink"));
        gst_pad_add_probe(scalerInput.get(), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &onScalerCaps,
                          nullptr, nullptr);
    } else {
        // The channels stay the source's: the writer's side decides what the compressor holds.
        GstCapsPtr caps(
            gst_caps_new_simple("audio/x-raw", "rate", G_TYPE_INT, kAudioRate, nullptr));
        g_object_set(filter, "caps", caps.get(), nullptr);
    }
    for (size_t index = 1; index < elements.size(); ++index) {
        if (!gst_element_link(elements[index - 1], elements[index])) {
            return status::kCannotConnect;
        }
    }
    chain->video = video;
    chain->outputFps = group.outputFps();
    chain->first = elements.front();
    chain->queue = video ? elements[1] : nullptr;
    chain->output = gst_element_get_static_pad(filter, "src");
    gst_object_unref(chain->output);  // the capsfilter keeps its pad
    return status::kOk;
}
