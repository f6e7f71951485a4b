#include <gtest/gtest.h>

#include "project/Clock.h"
#include "project/ConversionProject.h"

namespace {

TEST(FormatClock, WholeSecondsTruncatedAndHoursUnbounded) {
    EXPECT_EQ(formatClock(0), "00:00:00");
    EXPECT_EQ(formatClock(kUnitsPerSecond - 1), "00:00:00");
    EXPECT_EQ(formatClock(109'000'000), "00:00:10");
    EXPECT_EQ(formatClock(3725 * kUnitsPerSecond), "01:02:05");
    EXPECT_EQ(formatClock(100 * 3600 * kUnitsPerSecond), "100:00:00");
    EXPECT_EQ(formatClock(int64_t(123456) * 3600 * kUnitsPerSecond + 59 * kUnitsPerSecond),
              "123456:00:59");
}

}  // namespace
