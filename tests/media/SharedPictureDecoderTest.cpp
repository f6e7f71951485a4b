#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <string>
#include <vector>

#include "media/GPtr.h"
#include "media/MediaFramework.h"
#include "media/SharedPictureDecoder.h"
#include "tests/common/TestMedia.h"

namespace {

// Two seconds of detailed pictures at an odd size, with B-frames, so that libav reorders.
QString makeClip(const QString& folder, const char* name, const char* codec, const char* depth) {
    const QString path = folder + '/' + name;
    return runFfmpeg({"-f", "lavfi", "-i", "testsrc2=size=333x247:rate=30:duration=2", "-c:v",
                      codec, "-preset", "fast", "-pix_fmt", depth, "-x265-params",
                      "log-level=error", path})
               ? path
               : QString();
}

// Each decoded picture's time and a checksum of its visible samples, from `seekTo` on. `between`
// decides whether the decoder may hand on pictures in their own plane layout.
std::vector<std::string> decodedPictures(const QString& file, const std::string& decoder,
                                         const char* between, GstClockTime seekTo) {
    const std::string description = "filesrc location=\"" + file.toStdString() +
                                    "\" ! parsebin ! " + decoder + " ! " + between +
                                    " ! appsink name=sink sync=false";
    GObjectPtr<GstElement> pipeline(gst_parse_launch(description.c_str(), nullptr));
    if (!pipeline) {
        return {};
    }
    GObjectPtr<GstElement> sink(gst_bin_get_by_name(GST_BIN(pipeline.get()), "sink"));
    gst_element_set_state(pipeline.get(), GST_STATE_PAUSED);
    gst_element_get_state(pipeline.get(), nullptr, nullptr, GST_CLOCK_TIME_NONE);
    gst_element_seek_simple(pipeline.get(), GST_FORMAT_TIME,
                            static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                            gint64(seekTo));
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    std::vector<std::string> pictures;
    while (GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink.get()))) {
        GstVideoInfo info;
        GstVideoFrame frame;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        if (gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) &&
            gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) {
            GChecksum* checksum = g_checksum_new(G_CHECKSUM_MD5);
            for (guint plane = 0; plane < GST_VIDEO_FRAME_N_PLANES(&frame); ++plane) {
                const auto* data =
                    static_cast<const guint8*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, plane));
                for (int row = 0; row < GST_VIDEO_FRAME_COMP_HEIGHT(&frame, plane); ++row) {
                    g_checksum_update(checksum,
                                      data + row * GST_VIDEO_FRAME_PLANE_STRIDE(&frame, plane),
                                      GST_VIDEO_FRAME_COMP_WIDTH(&frame, plane) *
                                          GST_VIDEO_FRAME_COMP_PSTRIDE(&frame, plane));
                }
            }
            pictures.push_back(std::to_string(GST_BUFFER_PTS(buffer)) + " " +
                               gst_video_format_to_string(GST_VIDEO_INFO_FORMAT(&info)) + " " +
                               g_checksum_get_string(checksum));
            g_checksum_free(checksum);
            gst_video_frame_unmap(&frame);
        }
        gst_sample_unref(sample);
    }
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return pictures;
}

// The shared pictures are libav's own: the same samples at the same times as libav's decoder
// gives, whether they go on in libav's layout or copied, from the start or after a seek.
TEST(SharedPictureDecoder, GivesLibavsPicturesAtTheirTimes) {
    ASSERT_TRUE(succeeded(initMediaFramework()));
    QTemporaryDir folder;
    struct Source {
        const char* name;
        const char* codec;
        const char* depth;
        const char* libavDecoder;
    };
    for (const Source& source : {Source{"b-frames.mp4", "libx264", "yuv420p", "avdec_h264"},
                                 Source{"deep.mkv", "libx264", "yuv420p10le", "avdec_h264"},
                                 Source{"hevc.mp4", "libx265", "yuv420p", "avdec_h265"}}) {
        SCOPED_TRACE(source.name);
        const QString clip = makeClip(folder.path(), source.name, source.codec, source.depth);
        ASSERT_FALSE(clip.isEmpty());
        // The flip reads pictures by their layout; the identity hands on the buffers it gets
        // and its sink wants the usual layout.
        for (const char* between : {"videoflip video-direction=horiz", "identity"}) {
            SCOPED_TRACE(between);
            for (GstClockTime seekTo : {GstClockTime(0), GstClockTime(GST_SECOND * 9 / 10)}) {
                const auto expected = decodedPictures(
                    clip, std::string(source.libavDecoder) + " max-threads=2", between, seekTo);
                ASSERT_GE(expected.size(), seekTo == 0 ? 60u : 30u);
                EXPECT_EQ(decodedPictures(
                              clip, std::string(kSharedPictureDecoderFactory) + " max-threads=2",
                              between, seekTo),
                          expected);
            }
        }
    }
}

}  // namespace
