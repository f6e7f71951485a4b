#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "output/compressors/CurrentCompressors.h"
#include "output/settings/OutputSettingsStore.h"
#include "tests/common/ScriptedDialogs.h"
#include "tests/common/TempConfig.h"

namespace {

class OutputSettingsStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { releaseCompressors(); }
    void TearDown() override { releaseCompressors(); }

    OutputSettings load() {
        OutputSettings settings;
        loadOutputSettings(store, settings, dialogs);
        return settings;
    }

    QString factoryOf(GstElement* element) {
        return element ? QString::fromUtf8(GST_OBJECT_NAME(gst_element_get_factory(element)))
                       : QString();
    }

    TempConfig config;
    SettingsStore store{QStringLiteral("quenzel")};
    ScriptedDialogs dialogs;
};

}  // namespace

TEST_F(OutputSettingsStoreTest, NothingStoredGivesTheDefaults) {
    const OutputSettings settings = load();
    EXPECT_EQ(settings.outputFormat, OutputSettings::kAvi);
    EXPECT_EQ(settings.outputWidth, 0);
    EXPECT_EQ(settings.outputHeight, 0);
    EXPECT_EQ(settings.frameRateIndex, 1);
    EXPECT_DOUBLE_EQ(settings.frameRate, 23.976);
    EXPECT_EQ(settings.resizeMode, OutputSettings::kPreserveAspectRatio);
    EXPECT_EQ(settings.videoBitrate, 798720);
    EXPECT_EQ(settings.audioBitrate, 128000);
    EXPECT_EQ(settings.useFileProfile, 0);
    const QFileInfo name(settings.outputName);
    EXPECT_EQ(name.fileName(), "output.avi");
    EXPECT_TRUE(name.dir().exists()) << settings.outputName.toStdString();
    EXPECT_TRUE(dialogs.messages.isEmpty());

    // The preferred video entry is the DivX-compatible encoder; MP3 stands in for the sound's.
    if (findPreferredCompressor(CompressorKind::Video)) {
        EXPECT_EQ(settings.useVideoCompressor, 1);
        EXPECT_EQ(factoryOf(currentVideoCompressor()), "avenc_mpeg4");
    } else {
        EXPECT_EQ(settings.useVideoCompressor, 0);
    }
    EXPECT_EQ(settings.useAudioCompressor, 1);
    EXPECT_EQ(factoryOf(currentAudioCompressor()), "lamemp3enc");
}

TEST_F(OutputSettingsStoreTest, StoredValuesAreReadWithTheFormatsExtension) {
    store.writeInt("Settings", "nOuptputFormat", OutputSettings::kWmv);
    store.writeText("Settings", "OutputName", "/clips/show.avi");
    store.writeInt("Settings", "OutputFrameRateIndex", 6);
    store.writeText("Settings", "OutputFrameRate", "12.5");
    store.writeInt("Settings", "b_file_profile", 1);
    const OutputSettings settings = load();
    EXPECT_EQ(settings.outputName, "/clips/show.wmv");
    EXPECT_EQ(settings.frameRateIndex, 6);
    EXPECT_DOUBLE_EQ(settings.frameRate, 12.5);
    EXPECT_EQ(settings.useFileProfile, 1);
}

TEST_F(OutputSettingsStoreTest, DamagedFrameRatesFallBackToTheDefault) {
    for (const auto& [index, text] :
         {std::pair{9, "30"}, std::pair{-1, "30"}, std::pair{6, "zero"}, std::pair{6, "0"}}) {
        store.writeInt("Settings", "OutputFrameRateIndex", index);
        store.writeText("Settings", "OutputFrameRate", QString::fromLatin1(text));
        OutputSettings settings;
        loadFrameRateAndBitrates(store, settings);
        EXPECT_EQ(settings.frameRateIndex, 1) << index << text;
        EXPECT_DOUBLE_EQ(settings.frameRate, 23.976) << index << text;
    }
    store.writeInt("Settings", "OutputFrameRateIndex", 0);
    store.writeText("Settings", "OutputFrameRate", "29.97");
    OutputSettings original;
    loadFrameRateAndBitrates(store, original);
    EXPECT_EQ(original.frameRateIndex, 0);
    EXPECT_DOUBLE_EQ(original.frameRate, 23.976);
}

TEST_F(OutputSettingsStoreTest, FormatWithoutExtensionRuleKeepsTheRecordsName) {
    store.writeInt("Settings", "nOuptputFormat", 9);
    store.writeText("Settings", "OutputName", "/clips/show.avi");
    OutputSettings settings;
    settings.outputName = QStringLiteral("/before.avi");
    loadOutputFormat(store, settings);
    loadOutputNameAndSize(store, settings, dialogs);
    EXPECT_EQ(settings.outputName, "/before.avi");
    EXPECT_TRUE(dialogs.sawText("Does not support the video format"));
}

TEST_F(OutputSettingsStoreTest, OverlongStoredNameGivesTheDefaultName) {
    store.writeText("Settings", "OutputName", QLatin1Char('/') + QString(300, QLatin1Char('a')));
    OutputSettings settings;
    loadOutputNameAndSize(store, settings, dialogs);
    EXPECT_TRUE(settings.outputName.endsWith("/output.avi"));
    EXPECT_EQ(dialogs.messages.size(), 1);
}

TEST_F(OutputSettingsStoreTest, StoredCompressorNumbersDecideUseAndBinding) {
    store.writeInt("DexVideoCompress", "CompressorNumber", -1);
    store.writeInt("DexAudioCompress", "CompressorNumber", 100000);
    const OutputSettings settings = load();
    EXPECT_EQ(settings.useVideoCompressor, 0);
    EXPECT_EQ(currentVideoCompressor(), nullptr);
    // A compressor removed since it was chosen: nothing bound, nothing said, the flag stays.
    EXPECT_EQ(settings.useAudioCompressor, 1);
    EXPECT_EQ(currentAudioCompressor(), nullptr);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(initialCompressorListPosition(store, CompressorKind::Video), 0);
}

TEST_F(OutputSettingsStoreTest, WhatOkStoresIsWhatTheNextStartReads) {
    const QList<CompressorEntry> audio = compressorCatalogue(CompressorKind::Audio);
    ASSERT_FALSE(audio.isEmpty());
    OutputSettings dialogCopy;
    dialogCopy.outputName = QStringLiteral("/clips/a.mkv");
    dialogCopy.sourceFrameRate = 29.97;
    OutputDialogInput input;
    input.format = OutputSettings::kMkv;
    input.outputName = dialogCopy.outputName;
    input.widthText = QStringLiteral("721");
    input.heightText = QStringLiteral("15");
    input.frameRatePosition = kFrameRateOriginalPosition;
    input.frameRateText = QStringLiteral("29.970000");
    input.resizeModePosition = 1;
    input.videoCompressorPosition = 0;
    input.audioCompressorPosition = 1;
    input.videoBitrateText = QStringLiteral("500");
    input.audioBitratePosition = 0;
    const OutputOkResult ok = decideOutputOk(dialogCopy, input);
    ASSERT_EQ(ok.problem, OutputOkProblem::None);
    commitOutputOk(ok.decision, store, dialogs);
    EXPECT_EQ(factoryOf(currentAudioCompressor()), audio[0].factoryName);
    EXPECT_EQ(ok.decision.settings.resizeMode, OutputSettings::kStretch);
    EXPECT_DOUBLE_EQ(ok.decision.settings.frameRate, 29.97);

    releaseCompressors();
    const OutputSettings next = load();
    EXPECT_EQ(next.outputFormat, OutputSettings::kMkv);
    EXPECT_EQ(next.outputName, "/clips/a.mkv");
    EXPECT_EQ(next.outputWidth, 720);
    EXPECT_EQ(next.outputHeight, 16);
    EXPECT_EQ(next.frameRateIndex, 0);
    EXPECT_DOUBLE_EQ(next.frameRate, 23.976);
    EXPECT_EQ(next.videoBitrate, 512000);
    EXPECT_EQ(next.audioBitrate, 64000);
    EXPECT_EQ(next.useVideoCompressor, 0);
    EXPECT_EQ(next.useAudioCompressor, 1);
    EXPECT_EQ(factoryOf(currentAudioCompressor()), audio[0].factoryName);
    EXPECT_EQ(store.readText("Settings", "OutputFrameRate", {}), "23.976");
    EXPECT_EQ(initialCompressorListPosition(store, CompressorKind::Video), 0);
    EXPECT_EQ(initialCompressorListPosition(store, CompressorKind::Audio), 1);
}

TEST_F(OutputSettingsStoreTest, Mp4AndWebmRememberCompressorsOfTheirOwn) {
    const OutputSettings fresh = load();
    EXPECT_EQ(fresh.ownCompressors.at(OutputSettings::kMp4),
              (OwnCompressors{"x264enc", "avenc_aac"}));
    EXPECT_EQ(fresh.ownCompressors.at(OutputSettings::kWebm),
              (OwnCompressors{"vp9enc", "opusenc"}));

    OutputOkDecision decision;
    decision.settings = fresh;
    decision.settings.ownCompressors[OutputSettings::kMp4] = {"x265enc", ""};
    commitOutputOk(decision, store, dialogs);
    EXPECT_EQ(store.readText("MP4", "AudioCompressor", {}), "none");
    const OutputSettings next = load();
    EXPECT_EQ(next.ownCompressors.at(OutputSettings::kMp4), (OwnCompressors{"x265enc", ""}));
    EXPECT_EQ(next.ownCompressors.at(OutputSettings::kWebm), (OwnCompressors{"vp9enc", "opusenc"}));
    // The shared choice is untouched by them.
    EXPECT_EQ(storedCompressorNumber(store, CompressorKind::Video), -2);
}
