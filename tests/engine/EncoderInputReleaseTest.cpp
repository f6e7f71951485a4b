#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/EncoderInputRelease.h"
#include "media/GPtr.h"
#include "tests/common/TestMedia.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kPictures = 24;

// Everything the encoder gave out to its end.
std::string codedStream(GstElement* sink) {
    std::string coded;
    while (GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink))) {
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        GstMapInfo map;
        gst_buffer_map(buffer, &map, GST_MAP_READ);
        coded.append(reinterpret_cast<const char*>(map.data), map.size);
        gst_buffer_unmap(buffer, &map);
        gst_sample_unref(sample);
    }
    return coded;
}

// Pictures whose every pixel matters, each given twice as buffers on the same memory (as the
// rate converter repeats a picture), coded by `factory` (on one thread where it has a choice);
// the coded stream.
std::string encodeRepeatedPictures(const char* factory, bool release) {
    const std::string description = std::string("appsrc name=source format=time ! ") + factory +
                                    " name=encoder ! " + "appsink name=sink sync=false";
    GObjectPtr<GstElement> pipeline(gst_parse_launch(description.c_str(), nullptr));
    if (!pipeline) {
        return {};
    }
    GObjectPtr<GstElement> source(gst_bin_get_by_name(GST_BIN(pipeline.get()), "source"));
    GObjectPtr<GstElement> encoder(gst_bin_get_by_name(GST_BIN(pipeline.get()), "encoder"));
    GObjectPtr<GstElement> sink(gst_bin_get_by_name(GST_BIN(pipeline.get()), "sink"));
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(encoder.get()), "threads")) {
        gst_util_set_object_arg(G_OBJECT(encoder.get()), "threads", "1");
    }
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(encoder.get()), "cpu-used")) {
        gst_util_set_object_arg(G_OBJECT(encoder.get()), "cpu-used", "8");
        gst_util_set_object_arg(G_OBJECT(encoder.get()), "deadline", "1000000");
    }
    if (release) {
        releaseEncodedInput(encoder.get());
    }
    GstCapsPtr caps(
        gst_caps_from_string("video/x-raw,format=I420,width=320,height=240,"
                             "framerate=30/1,pixel-aspect-ratio=1/1"));
    g_object_set(source.get(), "caps", caps.get(), nullptr);
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);

    const gsize size = kWidth * kHeight * 3 / 2;
    uint32_t noise = 12345;
    for (int picture = 0; picture < kPictures; ++picture) {
        GstBuffer* buffer = gst_buffer_new_allocate(nullptr, size, nullptr);
        GstMapInfo map;
        gst_buffer_map(buffer, &map, GST_MAP_WRITE);
        for (gsize index = 0; index < size; ++index) {
            noise = noise * 1664525 + 1013904223;
            map.data[index] = static_cast<guint8>((index % kWidth + picture * 7) ^ (noise >> 28));
        }
        gst_buffer_unmap(buffer, &map);
        for (int copy = 0; copy < 2; ++copy) {
            GstBuffer* given = gst_buffer_copy(buffer);  // shares the memory
            const int frame = picture * 2 + copy;
            GST_BUFFER_PTS(given) = gst_util_uint64_scale(frame, GST_SECOND, 30);
            GST_BUFFER_DURATION(given) = GST_SECOND / 30;
            gst_app_src_push_buffer(GST_APP_SRC(source.get()), given);
        }
        gst_buffer_unref(buffer);
    }
    gst_app_src_end_of_stream(GST_APP_SRC(source.get()));

    std::string coded = codedStream(sink.get());
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return coded;
}

// Releasing the pages of taken pictures must not change a single coded byte, repeated pictures
// included: a picture released too early is coded from zeros.
TEST(EncoderInputRelease, LeavesTheCodedStreamAsItWas) {
    for (const char* factory : {"x264enc", "vp9enc", "av1enc", "x265enc", "vp8enc"}) {
        SCOPED_TRACE(factory);
        const std::string kept = encodeRepeatedPictures(factory, false);
        ASSERT_GT(kept.size(), 1000u);
        EXPECT_TRUE(kept == encodeRepeatedPictures(factory, true));
    }
}

// Memory the release did not make is never touched, read-only or not: GStreamer's VP9 decoder
// pushes the frames libvpx predicts the next pictures from without marking them read-only.
TEST(EncoderInputRelease, LeavesMemoryOfOthersAlone) {
    GObjectPtr<GstElement> pipeline(gst_parse_launch(
        "appsrc name=source format=time caps=video/x-raw,format=I420,width=320,height=240,"
        "framerate=30/1 ! x264enc name=encoder ! fakesink",
        nullptr));
    ASSERT_TRUE(pipeline);
    GObjectPtr<GstElement> source(gst_bin_get_by_name(GST_BIN(pipeline.get()), "source"));
    GObjectPtr<GstElement> encoder(gst_bin_get_by_name(GST_BIN(pipeline.get()), "encoder"));
    releaseEncodedInput(encoder.get());
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    std::vector<std::vector<guint8>> pictures(6, std::vector<guint8>(kWidth * kHeight * 3 / 2));
    for (size_t index = 0; index < pictures.size(); ++index) {
        std::fill(pictures[index].begin(), pictures[index].end(), guint8(100 + index));
        const auto flags = index % 2 ? GST_MEMORY_FLAG_READONLY : GstMemoryFlags(0);
        GstBuffer* buffer =
            gst_buffer_new_wrapped_full(flags, pictures[index].data(), pictures[index].size(), 0,
                                        pictures[index].size(), nullptr, nullptr);
        GST_BUFFER_PTS(buffer) = gst_util_uint64_scale(index, GST_SECOND, 30);
        gst_app_src_push_buffer(GST_APP_SRC(source.get()), buffer);
    }
    gst_app_src_end_of_stream(GST_APP_SRC(source.get()));
    GObjectPtr<GstBus> bus(gst_element_get_bus(pipeline.get()));
    GstMessagePtr end(gst_bus_timed_pop_filtered(
        bus.get(), 30 * GST_SECOND,
        static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    for (size_t index = 0; index < pictures.size(); ++index) {
        EXPECT_EQ(std::count(pictures[index].begin(), pictures[index].end(), guint8(100 + index)),
                  std::ptrdiff_t(pictures[index].size()));
    }
}

// A VP9 stream decoded straight into x264 at its own size, as a conversion that keeps the size
// and rate does it: the coded bytes must not change when the release is on.
TEST(EncoderInputRelease, KeepsTheDecodersReferencePictures) {
    QTemporaryDir folder;
    const QString clip = folder.filePath("moving.webm");
    ASSERT_TRUE(runFfmpeg({"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=30:duration=2", "-c:v",
                           "libvpx-vp9", "-b:v", "400k", "-g", "30", clip}));
    auto encode = [&](bool release) {
        const std::string description = "filesrc location=\"" + clip.toStdString() +
                                        "\" ! matroskademux ! vp9dec ! x264enc name=encoder "
                                        "threads=1 speed-preset=ultrafast ! appsink name=sink "
                                        "sync=false";
        GObjectPtr<GstElement> pipeline(gst_parse_launch(description.c_str(), nullptr));
        GObjectPtr<GstElement> encoder(gst_bin_get_by_name(GST_BIN(pipeline.get()), "encoder"));
        GObjectPtr<GstElement> sink(gst_bin_get_by_name(GST_BIN(pipeline.get()), "sink"));
        if (release) {
            releaseEncodedInput(encoder.get());
        }
        gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
        std::string coded = codedStream(sink.get());
        gst_element_set_state(pipeline.get(), GST_STATE_NULL);
        return coded;
    };
    const std::string kept = encode(false);
    ASSERT_GT(kept.size(), 10000u);
    EXPECT_TRUE(kept == encode(true));
}

}  // namespace
