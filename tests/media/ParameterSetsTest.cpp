#include "media/ParameterSets.h"

#include <gtest/gtest.h>

#include "media/GPtr.h"

namespace {

GstBuffer* bufferOf(const QByteArray& bytes) {
    return gst_buffer_new_memdup(bytes.constData(), gsize(bytes.size()));
}

QByteArray bytesOf(GstBuffer* buffer) {
    QByteArray bytes(int(gst_buffer_get_size(buffer)), '\0');
    gst_buffer_extract(buffer, 0, bytes.data(), gsize(bytes.size()));
    return bytes;
}

// A copied picture after an encoded edge must carry the source's own sets, or the decoder goes
// on with the encoder's.
TEST(ParameterSets, ACopiedPictureIsGivenTheSetsOfItsCaps) {
    // avcC: version 1, High, level 3.1, 4-byte lengths, one SPS (67 64 00 1f), one PPS (68 ee).
    GstMiniPtr<GstBuffer> header(
        bufferOf(QByteArray::fromHex("016400 1fffe1 0004 6764001f 01 0002 68ee")));
    GstCapsPtr caps(
        gst_caps_new_simple("video/x-h264", "codec_data", GST_TYPE_BUFFER, header.get(), nullptr));
    const QByteArray sets = parameterSetsOf(caps.get());
    EXPECT_EQ(sets.toHex(), QByteArray("000000046764001f0000000268ee"));

    GstMiniPtr<GstBuffer> picture(bufferOf(QByteArray::fromHex("00000003658880")));
    GST_BUFFER_PTS(picture.get()) = 5 * GST_SECOND;
    EXPECT_FALSE(carriesSequenceParameters(picture.get(), false));
    GstMiniPtr<GstBuffer> joined(withParameterSets(picture.get(), sets));
    EXPECT_TRUE(carriesSequenceParameters(joined.get(), false));
    EXPECT_EQ(bytesOf(joined.get()), sets + QByteArray::fromHex("00000003658880"));
    EXPECT_EQ(GST_BUFFER_PTS(joined.get()), 5 * GST_SECOND);

    // A header cut short gives nothing rather than half a set.
    GstMiniPtr<GstBuffer> cut(bufferOf(QByteArray::fromHex("016400 1fffe1 0004 6764")));
    GstCapsPtr cutCaps(
        gst_caps_new_simple("video/x-h264", "codec_data", GST_TYPE_BUFFER, cut.get(), nullptr));
    EXPECT_TRUE(parameterSetsOf(cutCaps.get()).isEmpty());
}

}  // namespace
