#include "media/Deinterlacer.h"

#include <gst/video/video.h>

#include "media/GPtr.h"

bool isInterlaced(const GstCaps* caps) {
    GstVideoInfo info;
    return caps && gst_video_info_from_caps(&info, caps) &&
           GST_VIDEO_INFO_INTERLACE_MODE(&info) != GST_VIDEO_INTERLACE_MODE_PROGRESSIVE;
}

namespace {

// GStreamer 1.22's deinterlacer, drained at the end, gives its last picture again with the same
// time, once for each field it still held; the rate converter would count them as pictures of
// their own and the clip would grow by as many.
GstPadProbeReturn dropRepeatedPicture(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* last = static_cast<GstClockTime*>(data);
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        const GstEventType type = GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info));
        if (type == GST_EVENT_FLUSH_STOP || type == GST_EVENT_SEGMENT) {
            *last = GST_CLOCK_TIME_NONE;
        }
        return GST_PAD_PROBE_OK;
    }
    const GstClockTime pts = GST_BUFFER_PTS(GST_PAD_PROBE_INFO_BUFFER(info));
    if (GST_CLOCK_TIME_IS_VALID(pts) && GST_CLOCK_TIME_IS_VALID(*last) && pts <= *last) {
        return GST_PAD_PROBE_DROP;
    }
    *last = pts;
    return GST_PAD_PROBE_OK;
}

}  // namespace

GstElement* addDeinterlacerIfInterlaced(GstBin* bin, GstElement* next, GstPad* decoded,
                                        double outputFps) {
    GstCapsPtr caps(gst_pad_get_current_caps(decoded));
    if (!caps) {
        caps.reset(gst_pad_query_caps(decoded, nullptr));
    }
    GstVideoInfo info;
    if (!isInterlaced(caps.get()) || !gst_video_info_from_caps(&info, caps.get())) {
        return nullptr;
    }
    GstElement* deinterlacer = gst_element_factory_make("deinterlace", nullptr);
    if (!deinterlacer) {
        return nullptr;
    }
    const double pictureRate = info.fps_d > 0 ? double(info.fps_n) / info.fps_d : 0.0;
    const bool everyField = pictureRate > 0 && outputFps >= 2 * pictureRate - 0.01;
    gst_util_set_object_arg(G_OBJECT(deinterlacer), "method", "yadif");
    gst_util_set_object_arg(G_OBJECT(deinterlacer), "fields", everyField ? "all" : "top");
    gst_bin_add(bin, deinterlacer);
    if (!gst_element_link(deinterlacer, next)) {
        gst_bin_remove(bin, deinterlacer);
        return nullptr;
    }
    GObjectPtr<GstPad> output(gst_element_get_static_pad(deinterlacer, "src"));
    gst_pad_add_probe(output.get(),
                      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                   GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                      &dropRepeatedPicture, new GstClockTime(GST_CLOCK_TIME_NONE),
                      [](gpointer last) { delete static_cast<GstClockTime*>(last); });
    gst_element_sync_state_with_parent(deinterlacer);
    return deinterlacer;
}
