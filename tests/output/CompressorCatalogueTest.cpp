#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QSet>
#include <cstdlib>

#include "output/compressors/CurrentCompressors.h"
#include "tests/common/ScriptedDialogs.h"

namespace {

// Encoder presets are written to the user's data folder; the tests keep theirs in a folder of
// their own. This has to happen before GLib first reads the folder's name, hence before main.
struct PresetFolder {
    PresetFolder() {
        char pattern[] = "/tmp/quenzel-presets-XXXXXX";
        if (mkdtemp(pattern)) {
            path = QString::fromLocal8Bit(pattern);
            setenv("XDG_DATA_HOME", pattern, 1);
        }
    }
    ~PresetFolder() {
        if (!path.isEmpty()) {
            QDir(path).removeRecursively();
        }
    }
    QString path;
};
const PresetFolder presetFolder;

QString factoryOf(GstElement* element) {
    return element ? QString::fromUtf8(GST_OBJECT_NAME(gst_element_get_factory(element)))
                   : QString();
}

int32_t positionOf(const QList<CompressorEntry>& catalogue, const QString& factory) {
    for (qsizetype i = 0; i < catalogue.size(); ++i) {
        if (catalogue[i].factoryName == factory) {
            return int32_t(i);
        }
    }
    return -1;
}

class CompressorTest : public ::testing::Test {
  protected:
    void SetUp() override { releaseCompressors(); }
    void TearDown() override { releaseCompressors(); }
    ScriptedDialogs dialogs;
};

}  // namespace

TEST(CompressorCatalogue, OffersWhatAWriterTakesInAStableOrder) {
    for (CompressorKind kind : {CompressorKind::Video, CompressorKind::Audio}) {
        const QList<CompressorEntry> catalogue = compressorCatalogue(kind);
        ASSERT_FALSE(catalogue.isEmpty());
        QSet<QString> names;
        guint previousRank = G_MAXUINT;
        QString previousFactory;
        for (const CompressorEntry& entry : catalogue) {
            EXPECT_FALSE(names.contains(entry.name)) << entry.name.toStdString();
            names.insert(entry.name);
            GstElementFactory* factory =
                gst_element_factory_find(entry.factoryName.toUtf8().constData());
            ASSERT_NE(factory, nullptr);
            const guint rank = gst_plugin_feature_get_rank(GST_PLUGIN_FEATURE(factory));
            gst_object_unref(factory);
            EXPECT_TRUE(rank < previousRank ||
                        (rank == previousRank && previousFactory < entry.factoryName))
                << entry.factoryName.toStdString();
            previousRank = rank;
            previousFactory = entry.factoryName;
            EXPECT_FALSE(entry.factoryName.endsWith("_omx"));
        }
        const QStringList list = listCompressors(kind);
        ASSERT_EQ(list.size(), catalogue.size() + 1);
        EXPECT_EQ(list[0], noCompressionName(kind));
        EXPECT_EQ(list[1], catalogue[0].name);
    }
    const QList<CompressorEntry> video = compressorCatalogue(CompressorKind::Video);
    const QList<CompressorEntry> audio = compressorCatalogue(CompressorKind::Audio);
    // Encoders no writer takes, and encoders of the other kind, are left out.
    EXPECT_EQ(positionOf(video, "avenc_cinepak"), -1);
    EXPECT_EQ(positionOf(audio, "avenc_dca"), -1);
    if (gst_registry_check_feature_version(gst_registry_get(), "avenc_wmv2", 1, 0, 0)) {
        EXPECT_EQ(video[positionOf(video, "avenc_wmv2")].name, "Windows Media Video 8 (WMV2)");
    }
}

TEST(CompressorCatalogue, PreferredEntriesIgnoreTheCaseOfNames) {
    const QStringList names = {"H.264", "Some DIVX Pro 5.1.1 Codec", "divx"};
    EXPECT_EQ(findPreferredCompressor(CompressorKind::Video, names), 1);
    EXPECT_EQ(findPreferredCompressor(CompressorKind::Audio, {"PCM", "Microsoft ADPCM"}), 1);
    EXPECT_FALSE(findPreferredCompressor(CompressorKind::Audio, {"ADPCM Microsoft"}));

    const QList<CompressorEntry> video = compressorCatalogue(CompressorKind::Video);
    const int32_t mpeg4 = positionOf(video, "avenc_mpeg4");
    if (mpeg4 < 0) {
        GTEST_SKIP() << "no MPEG-4 Part 2 encoder installed";
    }
    EXPECT_EQ(video[mpeg4].name, "MPEG-4 Part 2 (DivX compatible)");
    EXPECT_EQ(findPreferredCompressor(CompressorKind::Video), mpeg4);
    // No writer takes Microsoft ADPCM here: MP3 stands in for it.
    const QList<CompressorEntry> audio = compressorCatalogue(CompressorKind::Audio);
    EXPECT_EQ(findPreferredCompressor(CompressorKind::Audio), positionOf(audio, "lamemp3enc"));
}

TEST_F(CompressorTest, BindingReplacesAndReleasesTheBoundElement) {
    const QList<CompressorEntry> video = compressorCatalogue(CompressorKind::Video);
    ASSERT_GE(video.size(), 2);
    ASSERT_TRUE(bindCompressor(CompressorKind::Video, 0, dialogs));
    GstElement* first = currentVideoCompressor();
    EXPECT_EQ(factoryOf(first), video[0].factoryName);
    gpointer watch = first;
    g_object_add_weak_pointer(G_OBJECT(first), &watch);

    ASSERT_TRUE(bindCompressor(CompressorKind::Video, 1, dialogs));
    EXPECT_EQ(watch, nullptr);  // the first element is gone, not leaked
    EXPECT_EQ(factoryOf(currentVideoCompressor()), video[1].factoryName);
    EXPECT_EQ(currentAudioCompressor(), nullptr);

    EXPECT_FALSE(bindCompressor(CompressorKind::Video, int32_t(video.size()), dialogs));
    EXPECT_EQ(currentVideoCompressor(), nullptr);
    EXPECT_FALSE(bindCompressor(CompressorKind::Video, -1, dialogs));
    EXPECT_TRUE(dialogs.messages.isEmpty());

    ASSERT_TRUE(bindCompressor(CompressorKind::Audio, 0, dialogs));
    releaseCompressors();
    EXPECT_EQ(currentAudioCompressor(), nullptr);
}

TEST_F(CompressorTest, FreshElementsCarryTheBoundConfiguration) {
    const int32_t mpeg4 = positionOf(compressorCatalogue(CompressorKind::Video), "avenc_mpeg4");
    if (mpeg4 < 0) {
        GTEST_SKIP() << "no MPEG-4 Part 2 encoder installed";
    }
    EXPECT_EQ(makeCompressorElement(CompressorKind::Video), nullptr);
    ASSERT_TRUE(bindCompressor(CompressorKind::Video, mpeg4, dialogs));
    g_object_set(currentVideoCompressor(), "bitrate", 1234567, "gop-size", 77, nullptr);

    GObjectPtr<GstElement> first = makeCompressorElement(CompressorKind::Video);
    GObjectPtr<GstElement> second = makeCompressorElement(CompressorKind::Video);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    EXPECT_NE(first.get(), currentVideoCompressor());
    EXPECT_FALSE(g_object_is_floating(first.get()));
    int bitrate = 0;
    int gop = 0;
    g_object_get(second.get(), "bitrate", &bitrate, "gop-size", &gop, nullptr);
    EXPECT_EQ(bitrate, 1234567);
    EXPECT_EQ(gop, 77);
}

TEST_F(CompressorTest, BindingAppliesTheSavedConfiguration) {
    ASSERT_FALSE(presetFolder.path.isEmpty());
    if (!QString::fromUtf8(g_get_user_data_dir()).startsWith(presetFolder.path)) {
        GTEST_SKIP() << "the user's data folder could not be redirected";
    }
    const int32_t mpeg4 = positionOf(compressorCatalogue(CompressorKind::Video), "avenc_mpeg4");
    if (mpeg4 < 0) {
        GTEST_SKIP() << "no MPEG-4 Part 2 encoder installed";
    }
    ASSERT_TRUE(bindCompressor(CompressorKind::Video, mpeg4, dialogs));
    g_object_set(currentVideoCompressor(), "bitrate", 654321, nullptr);
    ASSERT_TRUE(saveCompressorPreset(currentVideoCompressor()));

    ASSERT_TRUE(bindCompressor(CompressorKind::Video, mpeg4, dialogs));
    int bitrate = 0;
    g_object_get(currentVideoCompressor(), "bitrate", &bitrate, nullptr);
    EXPECT_EQ(bitrate, 654321);
}
