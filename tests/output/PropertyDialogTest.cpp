#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>

#include "language/Language.h"
#include "output/compressors/ConfigurableCompressors.h"
#include "output/compressors/CurrentCompressors.h"
#include "output/compressors/VideoCompressorSettings.h"
#include "output/properties/ElementProperties.h"
#include "output/properties/GraphElements.h"
#include "output/properties/GraphPropertiesDialog.h"
#include "output/properties/PropertyDialog.h"
#include "tests/common/ScriptedDialogs.h"
#include "tests/common/TestMedia.h"
#include "tests/output/ModalAnswer.h"

// An element without any setting of its own, as some filters of a graph are.
G_BEGIN_DECLS
#define QUENZEL_TYPE_BARE_ELEMENT (quenzel_bare_element_get_type())
G_DECLARE_FINAL_TYPE(QuenzelBareElement, quenzel_bare_element, QUENZEL, BARE_ELEMENT, GstElement)
G_END_DECLS
struct _QuenzelBareElement {
    GstElement parent;
};
G_DEFINE_TYPE(QuenzelBareElement, quenzel_bare_element, GST_TYPE_ELEMENT)
static void quenzel_bare_element_class_init(QuenzelBareElementClass*) {}
static void quenzel_bare_element_init(QuenzelBareElement*) {}

namespace {

const QString kMpeg4Name = QStringLiteral("MPEG-4 Part 2 (DivX compatible)");

GObjectPtr<GstElement> make(const char* factory, const char* name = nullptr) {
    return refSink(gst_element_factory_make(factory, name));
}

template <typename T>
T valueOf(GstElement* element, const char* property) {
    T value{};
    g_object_get(element, property, &value, nullptr);
    return value;
}

void clickButton(QWidget* dialog, const QString& text) {
    for (auto* button : dialog->findChildren<QPushButton*>()) {
        if (button->text() == text) {
            button->click();
            return;
        }
    }
    ADD_FAILURE() << "no button " << text.toStdString();
}

PropertyDialog* propertyDialog(QWidget* modal) {
    auto* dialog = qobject_cast<PropertyDialog*>(modal);
    EXPECT_NE(dialog, nullptr);
    return dialog;
}

// Runs the Settings button of the output options on the MPEG-4 Part 2 encoder.
bool configureMpeg4(const std::function<void(PropertyDialog*)>& answer) {
    QComboBox hidden;
    CLanguage english;
    ScriptedDialogs dialogs;
    ModalAnswer modal([&answer](QWidget* dialog) { answer(propertyDialog(dialog)); });
    const bool confirmed = configureVideoCompressor(nullptr, kMpeg4Name, &hidden, english, dialogs);
    EXPECT_EQ(dialogs.messages.size(), 0);
    EXPECT_EQ(hidden.currentText(), kMpeg4Name);
    return confirmed;
}

std::optional<int32_t> mpeg4Position() {
    const QList<CompressorEntry> catalogue = compressorCatalogue(CompressorKind::Video);
    for (qsizetype i = 0; i < catalogue.size(); ++i) {
        if (catalogue[i].factoryName == QLatin1String("avenc_mpeg4")) {
            return int32_t(i);
        }
    }
    return std::nullopt;
}

// The distances between the key frames of a file's video, from ffprobe.
QList<int> keyFrameDistances(const QString& path) {
    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries",
                            "packet=flags", "-of", "csv=p=0", path});
    probe.waitForFinished(60000);
    QList<int> distances;
    int sinceKey = -1;
    for (const QByteArray& flags : probe.readAllStandardOutput().split('\n')) {
        if (flags.isEmpty()) {
            continue;
        }
        ++sinceKey;
        if (flags.startsWith('K')) {
            if (sinceKey > 0) {
                distances.append(sinceKey);
            }
            sinceKey = 0;
        }
    }
    return distances;
}

class EncoderSettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        releaseCompressors();
        if (!mpeg4Position()) {
            GTEST_SKIP() << "no MPEG-4 Part 2 encoder installed";
        }
    }
    void TearDown() override {
        releaseCompressors();
        if (GObjectPtr<GstElement> encoder = make("avenc_mpeg4")) {
            gst_preset_delete_preset(GST_PRESET(encoder.get()), kCompressorPresetName);
        }
    }
    ScriptedDialogs dialogs;
};

}  // namespace

TEST(ElementProperties, EditsEachKindOfSettingWithinItsLimits) {
    GObjectPtr<GstElement> encoder = make("avenc_mpeg4");
    if (!encoder) {
        GTEST_SKIP() << "no MPEG-4 Part 2 encoder installed";
    }
    ElementProperties properties(encoder.get());
    EXPECT_EQ(properties.indexOf("name"), -1);
    const qsizetype bitrate = properties.indexOf("bitrate");
    const qsizetype pass = properties.indexOf("pass");
    const qsizetype flags = properties.indexOf("mpv-flags");
    const qsizetype qos = properties.indexOf("qos");
    const qsizetype quantizer = properties.indexOf("quantizer");
    const qsizetype cacheFile = properties.indexOf("multipass-cache-file");
    ASSERT_TRUE(bitrate >= 0 && pass >= 0 && flags >= 0 && qos >= 0 && quantizer >= 0 &&
                cacheFile >= 0);
    EXPECT_EQ(properties.at(bitrate).type, PropertyType::Integer);
    EXPECT_EQ(properties.at(pass).type, PropertyType::Enumeration);
    EXPECT_EQ(properties.at(flags).type, PropertyType::Flags);
    EXPECT_EQ(properties.at(qos).type, PropertyType::Boolean);
    EXPECT_EQ(properties.at(quantizer).type, PropertyType::Decimal);
    EXPECT_EQ(properties.at(cacheFile).type, PropertyType::Text);
    EXPECT_FALSE(properties.at(bitrate).blurb.isEmpty());
    EXPECT_LT(properties.indexOf("bitrate"), properties.indexOf("qos"))
        << "the encoder's own settings come before those of every video encoder";

    EXPECT_FALSE(properties.setValue(bitrate, "-5"));
    EXPECT_FALSE(properties.setValue(bitrate, "fast"));
    EXPECT_FALSE(properties.setValue(quantizer, "31"));
    EXPECT_FALSE(properties.setValue(pass, "99"));
    EXPECT_TRUE(properties.setValue(bitrate, qlonglong(1500000)));
    EXPECT_TRUE(properties.setValue(quantizer, "2.5"));
    EXPECT_TRUE(properties.setValue(qos, true));
    EXPECT_TRUE(properties.setValue(flags, qulonglong(properties.at(flags).choices[1].value)));
    EXPECT_TRUE(properties.setValue(cacheFile, QStringLiteral("/tmp/Ünïcode %1.log")));
    EXPECT_EQ(valueOf<int>(encoder.get(), "bitrate"), 200000) << "nothing written before apply";

    properties.applyTo(encoder.get());
    EXPECT_EQ(valueOf<int>(encoder.get(), "bitrate"), 1500000);
    EXPECT_FLOAT_EQ(valueOf<float>(encoder.get(), "quantizer"), 2.5f);
    EXPECT_TRUE(valueOf<gboolean>(encoder.get(), "qos"));
    GCharPtr file(valueOf<gchar*>(encoder.get(), "multipass-cache-file"));
    EXPECT_STREQ(file.get(), "/tmp/Ünïcode %1.log");

    properties.restoreDefaults();
    properties.applyTo(encoder.get());
    EXPECT_EQ(valueOf<int>(encoder.get(), "bitrate"), 200000);
    EXPECT_FALSE(valueOf<gboolean>(encoder.get(), "qos"));
}

TEST(ConfigurableCompressors, SelectedNamesMatchExactlyOrByDivxVersion) {
    const QStringList names = {"Other", "DivX Pro 5.1.1 Codec (2 Logical CPUs)",
                               "divx pro 5.1.1 codec", "DIVX PRO 5.1.1 CODEC"};
    EXPECT_EQ(matchConfigurableCompressor("DivX Pro 5.1.1 Codec", names), 3) << "the last equal";
    EXPECT_EQ(matchConfigurableCompressor("DivX Pro 5.1.1 Codec", names.mid(0, 2)), 1);
    EXPECT_EQ(matchConfigurableCompressor("DivX Pro 5.1.1 Codec", {"DivX 6.0 Codec"}),
              std::nullopt);
    EXPECT_EQ(matchConfigurableCompressor("Full frames (uncompressed)", names), std::nullopt);

    bool listed = false;
    for (const CompressorEntry& entry : configurableVideoCompressors()) {
        listed = listed || entry.factoryName == QLatin1String("avenc_mpeg4");
    }
    EXPECT_TRUE(listed || !mpeg4Position());
}

TEST_F(EncoderSettingsTest, PropertyDialogEditsAndCancelChangesNothing) {
    GObjectPtr<GstElement> encoder = make("avenc_mpeg4");
    ElementProperties properties(encoder.get());
    PropertyDialog dialog(properties, kMpeg4Name);
    auto* gop = qobject_cast<QSpinBox*>(dialog.editor("gop-size"));
    auto* pass = qobject_cast<QComboBox*>(dialog.editor("pass"));
    auto* flags = qobject_cast<QListWidget*>(dialog.editor("mpv-flags"));
    ASSERT_TRUE(gop && pass && flags);
    EXPECT_EQ(gop->accessibleName(), properties.at(properties.indexOf("gop-size")).nick);
    EXPECT_FALSE(gop->toolTip().isEmpty());
    EXPECT_EQ(gop->value(), 12);

    gop->setValue(7);
    pass->setCurrentIndex(pass->findText("Constant Quantizer"));
    flags->item(1)->setCheckState(Qt::Checked);
    EXPECT_EQ(properties.value(properties.indexOf("gop-size")).toLongLong(), 7);
    EXPECT_EQ(properties.valueText(properties.indexOf("pass")), "Constant Quantizer");
    EXPECT_NE(properties.value(properties.indexOf("mpv-flags")).toULongLong(), 0u);

    clickButton(&dialog, "&Defaults");
    EXPECT_EQ(gop->value(), 12);
    EXPECT_EQ(flags->item(1)->checkState(), Qt::Unchecked);
    gop->setValue(9);
    clickButton(&dialog, "Cancel");
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(valueOf<int>(encoder.get(), "gop-size"), 12);
}

TEST_F(EncoderSettingsTest, ConfiguredEncoderIsWhatTheNextConversionsUse) {
    ASSERT_TRUE(configureMpeg4([](PropertyDialog* dialog) {
        qobject_cast<QSpinBox*>(dialog->editor("gop-size"))->setValue(5);
        clickButton(dialog, "OK");
    }));

    // The window's conversions: binding applies the configuration, every element made has it.
    ASSERT_TRUE(bindCompressor(CompressorKind::Video, *mpeg4Position(), dialogs));
    EXPECT_EQ(valueOf<int>(makeCompressorElement(CompressorKind::Video).get(), "gop-size"), 5);

    // The dialog opens on the last confirmed state; a change to the bound encoder shows at once.
    EXPECT_TRUE(configureMpeg4([](PropertyDialog* dialog) {
        auto* gop = qobject_cast<QSpinBox*>(dialog->editor("gop-size"));
        EXPECT_EQ(gop->value(), 5);
        gop->setValue(4);
        clickButton(dialog, "OK");
    }));
    EXPECT_EQ(valueOf<int>(currentVideoCompressor(), "gop-size"), 4);
    EXPECT_FALSE(configureMpeg4([](PropertyDialog* dialog) {
        qobject_cast<QSpinBox*>(dialog->editor("gop-size"))->setValue(30);
        clickButton(dialog, "Cancel");
    }));
    EXPECT_EQ(valueOf<int>(currentVideoCompressor(), "gop-size"), 4);

    // The command line's conversion, in a process of its own, reads the same preset.
    QTemporaryDir folder;
    const QString target = folder.path() + "/key frames.avi";
    QProcess convert;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", folder.path());
    environment.insert("XDG_DATA_HOME", QString::fromUtf8(g_get_user_data_dir()));
    convert.setProcessEnvironment(environment);
    convert.start(qEnvironmentVariable("QUENZEL_BIN_DIR") + "/quenzel-convert",
                  {clips::tenPointNineSeconds(), "-o", target, "--format", "avi", "--end", "5",
                   "--video-compressor", "MPEG-4 Part 2", "--audio-compressor", "none"});
    ASSERT_TRUE(convert.waitForFinished(120000));
    ASSERT_EQ(convert.exitCode(), 0) << convert.readAllStandardError().toStdString();
    const QList<int> distances = keyFrameDistances(target);
    // Five seconds at 23.976 pictures a second; a key frame every 4 (12 unconfigured), or
    // sooner at a change of scene.
    ASSERT_GE(distances.size(), 20);
    EXPECT_EQ(*std::max_element(distances.begin(), distances.end()), 4);
}

TEST_F(EncoderSettingsTest, SettingsShowsNothingWithoutAConfigurableMatch) {
    QComboBox hidden;
    CLanguage english;
    ModalAnswer none([](QWidget*) {}, false);
    EXPECT_FALSE(
        configureVideoCompressor(nullptr, "Full frames (uncompressed)", &hidden, english, dialogs));
    EXPECT_EQ(hidden.currentIndex(), -1);
    EXPECT_GT(hidden.count(), 0);
}

TEST(GraphPropertiesDialog, ListsTheGraphAndEditsTheFirstElementOfAName) {
    GObjectPtr<GstPipeline> graph(GST_PIPELINE(gst_object_ref_sink(gst_pipeline_new("graph"))));
    GstElement* bin = gst_bin_new("inner");
    GstElement* bare =
        GST_ELEMENT(g_object_new(QUENZEL_TYPE_BARE_ELEMENT, "name", "bare", nullptr));
    GstElement* source = gst_element_factory_make("videotestsrc", "source");
    gst_bin_add_many(GST_BIN(graph.get()), source, bin, bare, nullptr);
    gst_bin_add(GST_BIN(bin), gst_element_factory_make("audiotestsrc", "source"));
    EXPECT_EQ(graphElementNames(graph.get()), QStringList({"source", "inner", "source", "bare"}));

    using namespace graph_properties_control;
    CDialogFilterPerproty dialog(graph.get());
    auto* list = dialog.controls().get<QListWidget>(kElements);
    QWidget* settings = dialog.controls()[kSettings];
    EXPECT_EQ(dialog.windowTitle(), "Set Filter's Properties");
    EXPECT_EQ(list->count(), 4);
    EXPECT_TRUE(settings->isEnabled());
    list->setCurrentRow(3);
    EXPECT_FALSE(settings->isEnabled()) << "the bare element has nothing to set";
    list->setCurrentRow(2);
    EXPECT_TRUE(settings->isEnabled());

    {
        ModalAnswer edit([](QWidget* modal) {
            PropertyDialog* properties = propertyDialog(modal);
            ASSERT_NE(properties->editor("pattern"), nullptr) << "the first source is edited";
            qobject_cast<QComboBox*>(properties->editor("pattern"))->setCurrentIndex(2);
            clickButton(properties, "OK");
        });
        qobject_cast<QPushButton*>(settings)->click();
    }
    EXPECT_EQ(valueOf<int>(source, "pattern"), 2);

    qobject_cast<QPushButton*>(dialog.controls()[kContinue])->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    CDialogFilterPerproty empty(nullptr);
    EXPECT_EQ(empty.controls().get<QListWidget>(kElements)->count(), 0);
    EXPECT_FALSE(empty.controls()[kSettings]->isEnabled());
}
