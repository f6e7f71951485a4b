#include <gtest/gtest.h>

#include "media/RbspBits.h"

namespace {

// Values written and read back through the codecs' codes, on either side of their length steps,
// and unaligned bit runs copied between them.
TEST(RbspBits, CodesAndCopiesComeBackAsWritten) {
    RbspWriter writer;
    const uint32_t unsignedValues[] = {0, 1, 2, 6, 7, 254, 255, 65535, 4000000000u};
    const int32_t signedValues[] = {0, 1, -1, 2, -2, 63, -64, 2000000000, -2000000000};
    writer.bits(5, 3);
    for (uint32_t value : unsignedValues) {
        writer.unsignedGolomb(value);
    }
    for (int32_t value : signedValues) {
        writer.signedGolomb(value);
    }
    RbspWriter copied;
    copied.bits(1, 1);
    copied.copy(writer.payload(), 0, writer.position());
    RbspReader reader(copied.payload());
    EXPECT_EQ(reader.bits(1), 1u);
    EXPECT_EQ(reader.bits(3), 5u);
    int expectedAt = 4;
    for (uint32_t value : unsignedValues) {
        EXPECT_EQ(reader.unsignedGolomb(), value);
        expectedAt += unsignedGolombLength(value);
        EXPECT_EQ(reader.position(), expectedAt);
    }
    for (int32_t value : signedValues) {
        EXPECT_EQ(reader.signedGolomb(), value);
        expectedAt += signedGolombLength(value);
        EXPECT_EQ(reader.position(), expectedAt);
    }
    EXPECT_FALSE(reader.overrun());
    reader.bits(64);
    EXPECT_TRUE(reader.overrun());
}

// Every run of two zero bytes followed by a byte of 3 or less gets its escape, and only those;
// taking the escapes out gives the payload back.
TEST(RbspBits, EmulationPreventionRoundTrips) {
    // Ending on a zero word, as a payload with cabac_zero_word does.
    const QByteArray payload = QByteArray::fromHex("0000010000000000030000ff0000020000");
    const QByteArray escaped = withEmulationPrevention(payload);
    EXPECT_EQ(escaped.toHex(), QByteArray("0000030100000300000300030000ff0000030200"
                                          "0003"));
    EXPECT_EQ(withoutEmulationPrevention(escaped.constData(), int(escaped.size())), payload);
    EXPECT_EQ(endOfPayloadBits(QByteArray::fromHex("a480")), 9);
}

}  // namespace
