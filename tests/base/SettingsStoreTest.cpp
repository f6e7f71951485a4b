#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include "base/SettingsStore.h"
#include "tests/common/TempConfig.h"

namespace {

const QString kApp = QStringLiteral("quenzel");

TEST(SettingsStore, FirstRunGivesEveryReadersDefault) {
    TempConfig config;
    const SettingsStore store(kApp);
    EXPECT_EQ(store.readText("Option", "CurrentLanguage", "english"), "english");
    EXPECT_EQ(store.readInt("TransitionSettings", "TransitionType", 0), 0);
    EXPECT_EQ(store.readText("Option", "LastPhotoFolder", ""), "");
    EXPECT_EQ(store.readInt("Settings", "n_video_bitrate", 798720), 798720);
}

TEST(SettingsStore, ValuesSurviveAndLandInTheMakersFolder) {
    TempConfig config;
    {
        SettingsStore store(kApp);
        store.writeInt("Settings", "nOuptputFormat", 2);
        store.writeInt("DexVideoCompress", "CompressorNumber", -2);
        store.writeText("Option", "LastPhotoFolder", "/home/me/Clips, old/");
        store.writeText("Settings", "OutputFrameRate", "29.97");
    }
    const SettingsStore reopened(kApp);
    EXPECT_EQ(reopened.readInt("Settings", "nOuptputFormat", 0), 2);
    EXPECT_EQ(reopened.readInt("DexVideoCompress", "CompressorNumber", 0), -2);
    EXPECT_EQ(reopened.readText("Option", "LastPhotoFolder", ""), "/home/me/Clips, old/");
    EXPECT_EQ(reopened.readText("Settings", "OutputFrameRate", ""), "29.97");
    EXPECT_TRUE(QFile::exists(config.iniFile(kApp)));
}

TEST(SettingsStore, UnreadableValuesReadAsTheDefault) {
    TempConfig config;
    QFile::remove(config.iniFile(kApp));
    {
        QSettings raw(config.iniFile(kApp), QSettings::IniFormat);
        raw.setValue("Settings/OutputWidth", "wide");
        raw.setValue("Settings/OutputHigh", "99999999999");
        raw.setValue("Settings/n_audio_bitrate", " 64000 ");
    }
    const SettingsStore store(kApp);
    EXPECT_EQ(store.readInt("Settings", "OutputWidth", 7), 7);
    EXPECT_EQ(store.readInt("Settings", "OutputHigh", 7), 7);
    EXPECT_EQ(store.readInt("Settings", "n_audio_bitrate", 0), 64000);
}

TEST(SettingsStore, AHandEditedTextWithCommasReadsWhole) {
    TempConfig config;
    {
        QFile file(config.iniFile(kApp));
        ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Settings]\nOutputName=/videos/a, b.avi\n"
                   "[Option]\nLastPhotoFolder=/clips/x,y,,z/\n");
    }
    const SettingsStore store(kApp);
    EXPECT_EQ(store.readText("Settings", "OutputName", ""), "/videos/a, b.avi");
    EXPECT_EQ(store.readText("Option", "LastPhotoFolder", ""), "/clips/x,y,,z/");
}

TEST(SettingsStore, NamesMatchWhateverTheirCase) {
    TempConfig config;
    SettingsStore store(kApp);
    store.writeInt("english", "lfHeight", -13);
    EXPECT_EQ(store.readInt("English", "LFHEIGHT", 0), -13);
    store.writeInt("ENGLISH", "lfheight", -20);
    EXPECT_EQ(store.readInt("english", "lfHeight", 0), -20);
    QSettings raw(config.iniFile(kApp), QSettings::IniFormat);
    EXPECT_EQ(raw.childGroups(), QStringList{"english"});
}

TEST(SettingsStore, ReadOnlyStoreNeverWrites) {
    TempConfig config;
    SettingsStore(kApp).writeText("Option", "CurrentLanguage", "German");
    SettingsStore readOnly(kApp, SettingsStore::Access::ReadOnly);
    readOnly.writeText("Option", "CurrentLanguage", "French");
    readOnly.writeInt("Settings", "OutputWidth", 640);
    EXPECT_EQ(readOnly.readText("Option", "CurrentLanguage", ""), "German");
    EXPECT_EQ(readOnly.readInt("Settings", "OutputWidth", 0), 0);
}

}  // namespace
