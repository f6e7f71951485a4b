#include <gtest/gtest.h>

#include <cmath>

#include "engine/ConversionRules.h"

namespace {

TEST(ConversionRules, OnlyAnUnlikelyOriginalRateIsQuestionedAndTheAnswerPicksTheRate) {
    OutputSettings settings;
    settings.frameRateIndex = 0;
    settings.sourceFrameRate = 1000;
    settings.frameRate = 1000;
    EXPECT_TRUE(frameRateIsQuestionable(settings));
    EXPECT_DOUBLE_EQ(withFrameRateAnswer(settings, true).frameRate, kFallbackFrameRate);
    EXPECT_DOUBLE_EQ(withFrameRateAnswer(settings, false).frameRate, 1000);
    settings.frameRate = 100;  // high, but a camera's
    EXPECT_FALSE(frameRateIsQuestionable(settings));
    settings.frameRateIndex = 6;  // typed: the user meant it
    settings.frameRate = 1000;
    EXPECT_FALSE(frameRateIsQuestionable(settings));
    EXPECT_TRUE(frameRateIsWritable(settings));
    settings.frameRate = std::nan("");
    EXPECT_FALSE(frameRateIsWritable(settings));
}

TEST(ConversionRules, TheFrameIsMadeEvenWherePicturesAreCompressed) {
    OutputSettings settings;
    settings.outputWidth = 161;
    settings.outputHeight = 121;
    settings.outputFormat = OutputSettings::kAvi;
    settings.useVideoCompressor = 0;  // raw pictures keep any size
    EXPECT_EQ(withEvenFrame(settings).outputWidth, 161);
    settings.outputFormat = OutputSettings::kWmv;  // the profile's own encoders
    const OutputSettings even = withEvenFrame(settings);
    EXPECT_EQ(even.outputWidth, 160);
    EXPECT_EQ(even.outputHeight, 120);
    EXPECT_EQ(settings.outputWidth, 161);
}

}  // namespace
