#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QString>

#include "media/GPtr.h"
#include "output/quality/EncoderQuality.h"

namespace {

// What an encoder is set to; the encoders are GStreamer's, so the test is skipped without them.
QString valueOf(GstElement* element, const char* property) {
    GValue value = G_VALUE_INIT;
    GParamSpec* declared = g_object_class_find_property(G_OBJECT_GET_CLASS(element), property);
    g_value_init(&value, declared->value_type);
    g_object_get_property(G_OBJECT(element), property, &value);
    GCharPtr text(gst_value_serialize(&value));
    g_value_unset(&value);
    return QString::fromUtf8(text.get());
}

TEST(EncoderGoals, LevelsAndBitratesReachTheEncodersOwnControls) {
    GObjectPtr<GstElement> x264 = refSink(gst_element_factory_make("x264enc", nullptr));
    GObjectPtr<GstElement> opus = refSink(gst_element_factory_make("opusenc", nullptr));
    if (!x264 || !opus) {
        GTEST_SKIP() << "x264enc or opusenc is not installed";
    }
    applyEncoderGoal(x264.get(), {.level = QualityLevel::High, .statsFile = {}});
    EXPECT_EQ(valueOf(x264.get(), "pass"), "qual");
    EXPECT_EQ(valueOf(x264.get(), "quantizer"), "20");
    EXPECT_EQ(valueOf(x264.get(), "vbv-buf-capacity"), "0") << "or the CRF is capped";
    applyEncoderGoal(x264.get(), {.bitrate = 3'000'000, .pass = 2, .statsFile = "/tmp/notes"});
    EXPECT_EQ(valueOf(x264.get(), "pass"), "pass2");
    EXPECT_EQ(valueOf(x264.get(), "bitrate"), "3000");
    EXPECT_EQ(valueOf(x264.get(), "multipass-cache-file"), "/tmp/notes");

    applyEncoderGoal(opus.get(), {.level = QualityLevel::Balanced, .channels = 6, .statsFile = {}});
    EXPECT_EQ(valueOf(opus.get(), "bitrate"), "288000") << "96 kbit/s a pair of channels";
    EXPECT_EQ(soundBitrate("opusenc", QualityLevel::Smallest, 2), 48'000);
    EXPECT_TRUE(hasTwoPasses("x264enc"));
    EXPECT_FALSE(hasTwoPasses("avenc_mpeg4")) << "1.22's wrapper breaks its second pass";
    EXPECT_FALSE(takesBitrate("avenc_ffv1"));
}

}  // namespace
