#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "media/DepthReducer.h"
#include "media/GPtr.h"
#include "media/MediaFramework.h"

namespace {

// Every sample of a deep picture, its width no multiple of the sixteen samples the reducer takes
// at once, comes out rounded to its upper 8 bits and saturated at 255.
TEST(DepthReducer, RoundsEverySampleToEightBits) {
    ASSERT_TRUE(succeeded(initMediaFramework()));
    for (const char* format : {"I420_10LE", "I420_12LE"}) {
        SCOPED_TRACE(format);
        const int depth = std::string(format) == "I420_10LE" ? 10 : 12;
        const std::string description = std::string("appsrc name=source caps=video/x-raw,format=") +
                                        format + ",width=70,height=6,framerate=1/1 ! " +
                                        kDepthReducerFactory + " ! appsink name=sink";
        GObjectPtr<GstElement> pipeline(gst_parse_launch(description.c_str(), nullptr));
        ASSERT_TRUE(pipeline);
        GObjectPtr<GstElement> source(gst_bin_get_by_name(GST_BIN(pipeline.get()), "source"));
        GObjectPtr<GstElement> sink(gst_bin_get_by_name(GST_BIN(pipeline.get()), "sink"));
        gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);

        GstVideoInfo deep;
        gst_video_info_set_format(&deep, gst_video_format_from_string(format), 70, 6);
        GstBuffer* buffer = gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&deep), nullptr);
        GstVideoFrame in;
        ASSERT_TRUE(gst_video_frame_map(&in, &deep, buffer, GST_MAP_WRITE));
        const int top = (1 << depth) - 1;
        auto sampleAt = [top](guint plane, int x, int y) {
            return static_cast<uint16_t>((x * 37 + y * 101 + plane * 7) % (top + 1));
        };
        for (guint plane = 0; plane < 3; ++plane) {
            for (int y = 0; y < GST_VIDEO_FRAME_COMP_HEIGHT(&in, plane); ++y) {
                auto* row = reinterpret_cast<uint16_t*>(
                    static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&in, plane)) +
                    y * GST_VIDEO_FRAME_PLANE_STRIDE(&in, plane));
                for (int x = 0; x < GST_VIDEO_FRAME_COMP_WIDTH(&in, plane); ++x) {
                    row[x] = x == 0 ? top : sampleAt(plane, x, y);
                }
            }
        }
        gst_video_frame_unmap(&in);
        gst_app_src_push_buffer(GST_APP_SRC(source.get()), buffer);

        GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink.get()));
        ASSERT_TRUE(sample);
        GstVideoInfo reduced;
        ASSERT_TRUE(gst_video_info_from_caps(&reduced, gst_sample_get_caps(sample)));
        GstVideoFrame out;
        ASSERT_TRUE(
            gst_video_frame_map(&out, &reduced, gst_sample_get_buffer(sample), GST_MAP_READ));
        const int shift = depth - 8;
        int wrong = 0;
        for (guint plane = 0; plane < 3; ++plane) {
            for (int y = 0; y < GST_VIDEO_FRAME_COMP_HEIGHT(&out, plane); ++y) {
                const uint8_t* row =
                    static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&out, plane)) +
                    y * GST_VIDEO_FRAME_PLANE_STRIDE(&out, plane);
                for (int x = 0; x < GST_VIDEO_FRAME_COMP_WIDTH(&out, plane); ++x) {
                    const int deepSample = x == 0 ? top : sampleAt(plane, x, y);
                    const int expected = std::min(255, (deepSample + (1 << (shift - 1))) >> shift);
                    wrong += row[x] != expected;
                }
            }
        }
        EXPECT_EQ(wrong, 0);
        gst_video_frame_unmap(&out);
        gst_sample_unref(sample);
        gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    }
}

}  // namespace
