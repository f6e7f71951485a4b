#include <gtest/gtest.h>

#include "app/MainWindowState.h"
#include "app/MainWindowTexts.h"
#include "language/Language.h"
#include "output/settings/OutputSettings.h"

using namespace main_window_control;

namespace {
constexpr int64_t kSecond = 10'000'000;
}

TEST(MainWindowRules, EachStateEnablesExactlyItsControls) {
    const std::vector<int> withoutSource = {kOpenVideo, kOptions, kHelp, kAbout, kHomepage, kExit};
    const std::vector<int> converting = {kConvert, kSlider, kPlay,     kPause, kStop,
                                         kHelp,    kAbout,  kHomepage, kExit};
    for (int id : kStatefulControls) {
        const bool time = id == kStartTimeText || id == kEndTimeText;
        EXPECT_EQ(isControlEnabled(MainWindowState::NoSource, id),
                  std::ranges::count(withoutSource, id) == 1)
            << id;
        EXPECT_TRUE(isControlEnabled(MainWindowState::SourceOpen, id)) << id;
        EXPECT_EQ(isControlEnabled(MainWindowState::Converting, id),
                  time || std::ranges::count(converting, id) == 1)
            << id;
    }
    EXPECT_TRUE(isControlEnabled(MainWindowState::NoSource, kStatusLine));
}

TEST(MainWindowRules, PositionTextAndSlider) {
    EXPECT_EQ(positionText(30 * kSecond, 90 * kSecond), "00:00:30 / 00:01:30");
    EXPECT_EQ(sliderPositionFor(30 * kSecond, 90 * kSecond), 200);
    EXPECT_EQ(sliderPositionFor(5 * kSecond, 0), 0);
    EXPECT_EQ(seekPositionFor(300, 90 * kSecond), 45 * kSecond);
    EXPECT_EQ(positionText(3725 * kSecond, 360000 * kSecond), "01:02:05 / 100:00:00");
}

TEST(MainWindowRules, StatusLinesPlaceNamesLiterally) {
    CLanguage language;
    OutputSettings settings;
    settings.outputName = QStringLiteral("/tmp/a %1 b.avi");
    EXPECT_EQ(statusLineOriginalSize(language, settings),
              "Output file: /tmp/a %1 b.avi     Resolution: Original size");
    EXPECT_EQ(statusLineAfterOptions(language, settings),
              statusLineOriginalSize(language, settings));
    settings.sourceWidth = 640;
    settings.sourceHeight = 480;
    settings.outputWidth = 640;
    settings.outputHeight = 480;
    EXPECT_EQ(statusLineAfterOptions(language, settings),
              "Output file: /tmp/a %1 b.avi     Resolution: 640*480");
}

TEST(MainWindowRules, ProgressFromTheWrittenPart) {
    EXPECT_FALSE(conversionProgress(0, 60 * kSecond, 3));
    const auto quarter = conversionProgress(15 * kSecond, 60 * kSecond, 10);
    ASSERT_TRUE(quarter);
    EXPECT_EQ(quarter->percent, 25);
    EXPECT_EQ(quarter->timeLeft, 30 * kSecond);
    CLanguage language;
    EXPECT_EQ(progressText(language, *quarter), "25% done, 00:00:30 left");
    EXPECT_EQ(titleWithPercent(QStringLiteral("Quenzel"), 25), "25% - Quenzel");
}
