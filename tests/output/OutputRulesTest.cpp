#include <gtest/gtest.h>

#include "output/formats/OutputFormats.h"
#include "output/settings/OutputRules.h"
#include "tests/common/ScriptedDialogs.h"

namespace {

// The controls as the dialog fills them for a record (custom size and rate boxes included).
OutputDialogInput inputFor(const OutputSettings& settings) {
    OutputDialogInput input;
    input.format = settings.outputFormat;
    input.outputName = settings.outputName;
    input.widthText = QString::number(settings.outputWidth);
    input.heightText = QString::number(settings.outputHeight);
    input.frameRatePosition = settings.frameRateIndex;
    input.frameRateText = QString::number(settings.frameRate, 'f', 3);
    input.resizeModePosition = settings.resizeMode == OutputSettings::kStretch ? 1 : 0;
    input.videoCompressorPosition = 0;
    input.audioCompressorPosition = 0;
    input.videoBitrateText = QString::number(videoBitrateToKbps(settings.videoBitrate));
    input.audioBitratePosition = audioBitrateListPosition(settings.audioBitrate);
    return input;
}

OutputSettings sampleSettings() {
    OutputSettings settings;
    settings.outputName = QStringLiteral("/videos/out.avi");
    settings.outputWidth = 640;
    settings.outputHeight = 480;
    settings.sourceWidth = 1280;
    settings.sourceHeight = 720;
    settings.sourceFrameRate = 29.97;
    return settings;
}

}  // namespace

TEST(FormatExtension, CutsAtTheLastDotOfTheWholePath) {
    ScriptedDialogs dialogs;
    EXPECT_EQ(applyFormatExtension(OutputSettings::kAvi, "/d/clips/show.wmv", dialogs).path,
              "/d/clips/show.avi");
    EXPECT_EQ(applyFormatExtension(OutputSettings::kWmv, "/d/my.videos/clip", dialogs).path,
              "/d/my.wmv");
    EXPECT_EQ(applyFormatExtension(OutputSettings::kMkv, "/d/clip", dialogs).path, "/d/clip.mkv");
    EXPECT_EQ(applyFormatExtension(OutputSettings::kAsf, "a.b.c", dialogs).path, "a.b.asf");
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST(FormatExtension, PreviewKeepsTheNameAndOtherFormatsAreRefused) {
    ScriptedDialogs dialogs;
    const ExtensionResult kept =
        applyFormatExtension(OutputSettings::kPreviewWithProperties, "/d/x.avi", dialogs);
    EXPECT_TRUE(kept.accepted);
    EXPECT_EQ(kept.path, "/d/x.avi");
    EXPECT_TRUE(dialogs.messages.isEmpty());

    for (int32_t format : {OutputSettings::kPreview, -1, 9}) {
        const ExtensionResult refused = applyFormatExtension(format, "/d/x.avi", dialogs);
        EXPECT_FALSE(refused.accepted);
        EXPECT_EQ(refused.path, "/d/x.avi");
    }
    ASSERT_EQ(dialogs.messages.size(), 3);
    EXPECT_EQ(dialogs.messages[0].text, "Does not support the video format");
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_FALSE(saveFilterForFormat(OutputSettings::kPreviewWithProperties));
    EXPECT_EQ(saveFilterForFormat(OutputSettings::kWmv)->pattern, "*.wmv");
}

// Settings written by earlier versions keep their meaning; new formats come after them.
TEST(FormatTable, StoredValuesKeepTheirMeaningAndTheListOffersTodaysFormats) {
    EXPECT_EQ(formatListEntries(), (QStringList{"AVI", "WMV", "MKV", "MP4", "WebM"}));
    const int32_t listed[] = {OutputSettings::kAvi, OutputSettings::kWmv, OutputSettings::kMkv,
                              OutputSettings::kMp4, OutputSettings::kWebm};
    for (int32_t position = 0; position < 5; ++position) {
        EXPECT_EQ(formatAtListPosition(position), listed[position]);
        EXPECT_EQ(formatListPosition(listed[position]), position);
    }
    EXPECT_EQ(formatListPosition(OutputSettings::kAsf), -1);
    EXPECT_FALSE(formatAtListPosition(5));

    ScriptedDialogs dialogs;
    const std::pair<int32_t, const char*> files[] = {
        {0, "/d/a.avi"}, {1, "/d/a.wmv"}, {2, "/d/a.mkv"}, {3, "/d/a.asf"},
        {4, "/d/a.x"},   {6, "/d/a.mp4"}, {7, "/d/a.webm"}};
    for (const auto& [format, name] : files) {
        EXPECT_EQ(applyFormatExtension(format, "/d/a.x", dialogs).path, name) << format;
    }
    EXPECT_FALSE(applyFormatExtension(OutputSettings::kPreview, "/d/a.x", dialogs).accepted);
    EXPECT_STREQ(outputFormat(OutputSettings::kWmv)->writer, "asfmux");
    EXPECT_STREQ(outputFormat(OutputSettings::kAsf)->writer, "asfmux");
    EXPECT_FALSE(writesFile(OutputSettings::kPreviewWithProperties));
    EXPECT_FALSE(writesFile(OutputSettings::kPreview));
    EXPECT_EQ(formatByOptionName("MP4"), OutputSettings::kMp4);
    EXPECT_EQ(formatOptionNames(), "avi, wmv, mkv, mp4, webm or asf");
}

TEST(NumberText, ReadsLikeTheCLibraryWithADecimalPoint) {
    EXPECT_DOUBLE_EQ(parseDecimalText(" 29.97"), 29.97);
    EXPECT_DOUBLE_EQ(parseDecimalText("+25fps"), 25.0);
    EXPECT_DOUBLE_EQ(parseDecimalText("29,97"), 29.0);
    EXPECT_DOUBLE_EQ(parseDecimalText("abc"), 0.0);
    EXPECT_DOUBLE_EQ(parseDecimalText("nan"), 0.0);
    EXPECT_EQ(parseIntegerText(" 721px"), 721);
    EXPECT_EQ(parseIntegerText("12.9"), 12);
    EXPECT_EQ(parseIntegerText("+-3"), 0);
    EXPECT_EQ(parseIntegerText("99999999999"), INT32_MAX);
    EXPECT_EQ(parseIntegerText("-99999999999"), INT32_MIN);
}

TEST(OutputOk, SizeIsMadeEvenAndAtLeastSixteen) {
    OutputDialogInput input = inputFor(sampleSettings());
    const std::pair<const char*, int32_t> cases[] = {
        {"721", 720}, {"15", 16}, {"7", 16}, {"-3", 16}, {"abc", 16}, {"17", 16}, {"18", 18}};
    for (const auto& [text, expected] : cases) {
        input.widthText = QString::fromLatin1(text);
        input.heightText = QString::fromLatin1(text);
        const OutputOkResult result = decideOutputOk(sampleSettings(), input);
        EXPECT_EQ(result.decision.settings.outputWidth, expected) << text;
        EXPECT_EQ(result.decision.settings.outputHeight, expected) << text;
    }
    EXPECT_EQ(evenFrameDimension(INT32_MAX), INT32_MAX - 1);
}

TEST(OutputOk, FrameRatesOutsideOneThousandthToOneThousandAreRefused) {
    OutputDialogInput input = inputFor(sampleSettings());
    input.frameRatePosition = kFrameRateCustomPosition;
    for (const char* text : {"0", "-5", "0.0009", "abc", ""}) {
        input.frameRateText = QString::fromLatin1(text);
        EXPECT_EQ(decideOutputOk(sampleSettings(), input).problem,
                  OutputOkProblem::FrameRateTooSmall)
            << text;
    }
    for (const char* text : {"1e12", "1000.5", "inf"}) {
        input.frameRateText = QString::fromLatin1(text);
        EXPECT_EQ(decideOutputOk(sampleSettings(), input).problem,
                  text == std::string("inf") ? OutputOkProblem::FrameRateTooSmall
                                             : OutputOkProblem::FrameRateTooLarge)
            << text;
    }
    input.frameRateText = QStringLiteral("0.001");
    const OutputOkResult accepted = decideOutputOk(sampleSettings(), input);
    EXPECT_EQ(accepted.problem, OutputOkProblem::None);
    EXPECT_DOUBLE_EQ(accepted.decision.settings.frameRate, 0.001);
    EXPECT_EQ(accepted.decision.storedFrameRateText, "0.001");
}

TEST(OutputOk, BitrateUnitsDifferForVideoAndAudio) {
    OutputDialogInput input = inputFor(sampleSettings());
    input.videoBitrateText = QStringLiteral("500");
    input.audioBitratePosition = 3;
    OutputOkResult result = decideOutputOk(sampleSettings(), input);
    EXPECT_EQ(result.decision.settings.videoBitrate, 512000);
    EXPECT_EQ(videoBitrateToKbps(result.decision.settings.videoBitrate), 500);
    EXPECT_EQ(result.decision.settings.audioBitrate, 320000);

    // An overflowing or negative product is no bitrate; a stored odd audio value stays.
    input.videoBitrateText = QStringLiteral("3000000");
    input.audioBitratePosition = -1;
    OutputSettings odd = sampleSettings();
    odd.audioBitrate = 96000;
    result = decideOutputOk(odd, input);
    EXPECT_EQ(result.decision.settings.videoBitrate, INT32_MAX);
    EXPECT_EQ(result.decision.settings.audioBitrate, 96000);
    input.videoBitrateText = QStringLiteral("-5");
    EXPECT_EQ(decideOutputOk(odd, input).decision.settings.videoBitrate, 0);
}

TEST(OutputOk, ListsWithoutSelectionKeepThePreviousValues) {
    OutputSettings previous = sampleSettings();
    previous.outputFormat = OutputSettings::kMkv;
    previous.frameRateIndex = 4;
    previous.frameRate = 29.97;
    previous.resizeMode = OutputSettings::kStretch;
    previous.useVideoCompressor = 1;
    previous.useAudioCompressor = 0;
    OutputDialogInput input = inputFor(previous);
    input.format = -1;
    input.frameRatePosition = -1;
    input.resizeModePosition = -1;
    input.videoCompressorPosition = -1;
    input.audioCompressorPosition = -1;
    const OutputOkResult result = decideOutputOk(previous, input);
    ASSERT_EQ(result.problem, OutputOkProblem::None);
    const OutputSettings& kept = result.decision.settings;
    EXPECT_EQ(kept.outputFormat, OutputSettings::kMkv);
    EXPECT_EQ(kept.frameRateIndex, 4);
    EXPECT_DOUBLE_EQ(kept.frameRate, 29.97);
    EXPECT_EQ(kept.resizeMode, OutputSettings::kStretch);
    EXPECT_EQ(kept.useVideoCompressor, 1);
    EXPECT_EQ(kept.useAudioCompressor, 0);
    EXPECT_FALSE(result.decision.videoCompressorNumber);
    EXPECT_FALSE(result.decision.audioCompressorNumber);
}

TEST(OutputOk, NameLongerThanThePathLimitIsRefused) {
    OutputDialogInput input = inputFor(sampleSettings());
    input.outputName = QLatin1Char('/') + QString(258, QLatin1Char('a'));
    EXPECT_EQ(decideOutputOk(sampleSettings(), input).problem, OutputOkProblem::None);
    input.outputName += QLatin1Char('b');
    EXPECT_EQ(decideOutputOk(sampleSettings(), input).problem, OutputOkProblem::NameTooLong);
}
