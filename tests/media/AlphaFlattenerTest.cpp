#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QByteArray>
#include <algorithm>
#include <cmath>
#include <string>

#include "media/AlphaFlattener.h"
#include "media/GPtr.h"
#include "media/MediaFramework.h"

namespace {

constexpr int kWidth = 96;
constexpr int kHeight = 64;

// A picture of colour bars, partly transparent (the green bar wholly, the rest at 60 %), in
// `format`, ended by `tail` and pulled out as 8-bit I420.
QByteArray transparentBarsThrough(const std::string& format, const std::string& tail) {
    const std::string description =
        "videotestsrc num-buffers=1 pattern=smpte ! video/x-raw,width=" + std::to_string(kWidth) +
        ",height=" + std::to_string(kHeight) +
        " ! alpha "
        "method=green alpha=0.6 ! videoconvert ! video/x-raw,format=" +
        format + " ! " + tail + " ! videoconvert ! video/x-raw,format=I420 ! appsink name=sink";
    GObjectPtr<GstElement> pipeline(gst_parse_launch(description.c_str(), nullptr));
    if (!pipeline) {
        return {};
    }
    GObjectPtr<GstElement> sink(gst_bin_get_by_name(GST_BIN(pipeline.get()), "sink"));
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink.get()));
    QByteArray samples;
    if (sample) {
        GstMapInfo map;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            samples = QByteArray(reinterpret_cast<const char*>(map.data), qsizetype(map.size));
            gst_buffer_unmap(buffer, &map);
        }
        gst_sample_unref(sample);
    }
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return samples;
}

// Transparent pictures of each kind come out as GStreamer's own mixer draws them on black.
TEST(AlphaFlattener, ShowsTransparentPicturesOnBlackAsTheMixerDoes) {
    ASSERT_TRUE(succeeded(initMediaFramework()));
    for (const char* format : {"A420", "AYUV", "ARGB", "BGRA", "RGBA", "ABGR"}) {
        SCOPED_TRACE(format);
        // As the conversion puts it in front: a converter for the formats it does not take.
        const QByteArray flattened =
            transparentBarsThrough(format, std::string("videoconvert ! ") + kAlphaFlattenerFactory);
        const QByteArray mixed = transparentBarsThrough(format, "compositor background=black");
        ASSERT_FALSE(flattened.isEmpty());
        ASSERT_EQ(flattened.size(), mixed.size());
        // Both round their blends in their own ways. Where a 2x2 block's alpha differs, at the
        // bars' edges, the mixer blends the shared chroma with one alpha of four, the flattener
        // with each in turn: there the chroma differs more, and on average little.
        int largestLuma = 0;
        double chromaDifferences = 0;
        for (qsizetype index = 0; index < mixed.size(); ++index) {
            const int difference =
                std::abs(int(uint8_t(flattened[index])) - int(uint8_t(mixed[index])));
            if (index < kWidth * kHeight) {
                largestLuma = std::max(largestLuma, difference);
            } else {
                chromaDifferences += difference;
            }
        }
        EXPECT_LE(largestLuma, 3);
        EXPECT_LE(chromaDifferences / double(mixed.size() - kWidth * kHeight), 2.0);
    }
}

}  // namespace
