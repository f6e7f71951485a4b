#include "media/Deinterlacer.h"

#include <gst/video/video.h>

#include "media/GPtr.h"

bool isInterlaced(const GstCaps* caps) {
    GstVideoInfo info;
    return caps && gst_video_info_from_caps(&info, caps) &&
           GST_VIDEO_INFO_INTERLACE_MODE(&info) != GST_VIDEO_INTERLACE_MODE_PROGRESSIVE;
}

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
    gst_element_sync_state_with_parent(deinterlacer);
    return deinterlacer;
}
