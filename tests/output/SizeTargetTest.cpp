#include <gtest/gtest.h>

#include "output/quality/SizeTarget.h"

namespace {

TEST(SizeText, DecimalAndBinaryUnitsAsPeopleWriteThem) {
    EXPECT_EQ(parseSize("25MB"), 25'000'000);
    EXPECT_EQ(parseSize("8MiB"), 8 * 1'048'576);
    EXPECT_EQ(parseSize("700M"), 700'000'000);
    EXPECT_EQ(parseSize(" 1.5 gb "), 1'500'000'000);
    EXPECT_EQ(parseSize("250k"), 250'000);
    EXPECT_EQ(parseSize("4000000B"), 4'000'000);
    EXPECT_EQ(parseSize("8.5"), 8'500'000) << "a number alone is megabytes";
    for (const char* wrong : {"", "MB", "-5MB", "0", "5 TB", "1e3MB", "25 MB extra"}) {
        EXPECT_FALSE(parseSize(wrong)) << wrong;
    }
    EXPECT_EQ(megabytesText(25'000'000), "25 MB");
    EXPECT_EQ(megabytesText(2'361'234), "2.37 MB") << "rounded up, to what would fit";
}

SizeBudget minuteOf720p(int64_t targetBytes) {
    SizeBudget budget;
    budget.targetBytes = targetBytes;
    budget.seconds = 60;
    budget.frameRate = 30;
    budget.width = 1280;
    budget.height = 720;
    budget.soundBitrate = 128'000;
    budget.smallestSoundBitrate = 80'000;
    budget.packetOverhead = 14;
    return budget;
}

TEST(SizePlan, PictureGetsWhatSoundAndContainerLeave) {
    const SizePlan plan = planForSize(minuteOf720p(25'000'000));
    ASSERT_TRUE(plan.reachable);
    EXPECT_EQ(plan.soundBitrate, 128'000);
    // 97.5 % of 25 MB over 60 s is 3.25 Mbit/s; the sound and ~4800 packets of 14 bytes go first.
    const double total = (plan.videoBitrate + plan.soundBitrate) * 60.0 / 8;
    EXPECT_GT(total, 0.96 * 25e6);
    EXPECT_LT(total, 0.975 * 25e6);
    EXPECT_NEAR(plan.videoBitrate, 3'100'000, 20'000);
}

TEST(SizePlan, TightSizesTakeLessSoundThenAreRefusedNamingTheLeast) {
    // 1 MB a minute: 133 kbit/s in all, less than the preferred sound and the least picture.
    const SizePlan tight = planForSize(minuteOf720p(1'200'000));
    EXPECT_FALSE(tight.reachable);
    // The least picture: 0.01 bits per pixel, 276 kbit/s at 720p30, with the least sound and the
    // container's ~85 kB.
    EXPECT_NEAR(tight.smallestSensibleBytes, (276'480 + 80'000) * 60 / 8 / 0.975 + 85'000, 10'000);
    const SizePlan justEnough = planForSize(minuteOf720p(tight.smallestSensibleBytes + 1000));
    EXPECT_TRUE(justEnough.reachable);
    EXPECT_EQ(justEnough.soundBitrate, 80'000);
    EXPECT_FALSE(planForSize(minuteOf720p(50'000)).reachable);
}

TEST(SizePlan, AFileOverTheSizeGetsALowerBitrateAndOneUnderAHigherOne) {
    const SizeBudget budget = minuteOf720p(25'000'000);
    const SizePlan plan = planForSize(budget);
    const int64_t lower = correctedVideoBitrate(budget, plan, plan.videoBitrate, 27'000'000);
    EXPECT_LT(lower, plan.videoBitrate * 25 / 27);
    const int64_t higher = correctedVideoBitrate(budget, plan, plan.videoBitrate, 20'000'000);
    EXPECT_GT(higher, plan.videoBitrate);
}

}  // namespace
