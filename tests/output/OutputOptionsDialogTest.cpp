#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTemporaryDir>

#include "base/ControlId.h"
#include "base/SettingsStore.h"
#include "language/Language.h"
#include "output/compressors/CompressorCatalogue.h"
#include "output/compressors/CurrentCompressors.h"
#include "output/settings/OutputOptionsDialog.h"
#include "output/settings/OutputSettingsStore.h"
#include "tests/common/ScriptedDialogs.h"
#include "tests/common/TempConfig.h"
#include "tests/output/ModalAnswer.h"

namespace {

using namespace output_options_control;

const QString kApplication = QStringLiteral("quenzel-options-test");
const QString kSettings = QStringLiteral("Settings");

// The dialog as a user drives it: lists are chosen, boxes typed, buttons pressed.
class OptionsDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        record.outputName = QStringLiteral("/videos/my clip.avi");
        record.sourceWidth = record.outputWidth = 640;
        record.sourceHeight = record.outputHeight = 480;
        record.sourceFrameRate = 25;
        record.videoItemCount = 1;
    }
    void TearDown() override { releaseCompressors(); }

    std::unique_ptr<CDialogOutputSettings> open() {
        return std::make_unique<CDialogOutputSettings>(record, store, language, dialogs);
    }
    static QComboBox* list(CDialogOutputSettings& dialog, int id) {
        return dialog.controls().get<QComboBox>(id);
    }
    static QStringList entries(const QComboBox& list) {
        QStringList texts;
        for (int i = 0; i < list.count(); ++i) {
            texts << list.itemText(i);
        }
        return texts;
    }
    static QLineEdit* box(CDialogOutputSettings& dialog, int id) {
        return dialog.controls().get<QLineEdit>(id);
    }
    static void press(CDialogOutputSettings& dialog, int id) {
        dialog.controls().get<QPushButton>(id)->click();
    }
    static bool shown(CDialogOutputSettings& dialog, int id) {
        return dialog.controls()[id]->isVisibleTo(&dialog);
    }

    TempConfig config;
    SettingsStore store{kApplication};
    ScriptedDialogs dialogs;
    CLanguage language;  // built-in English texts
    OutputSettings record;
};

}  // namespace

TEST_F(OptionsDialogTest, CustomSizeAndFrameRateAreCheckedMadeUsableAndStored) {
    auto dialog = open();
    EXPECT_EQ(list(*dialog, kResolution)->currentIndex(), 0);
    EXPECT_EQ(list(*dialog, kResolution)->itemText(0), "Original size 640*480");
    EXPECT_EQ(list(*dialog, kFrameRate)->itemText(0), "Original frame rate 25.000");
    EXPECT_FALSE(shown(*dialog, kWidth));

    list(*dialog, kResolution)->setCurrentIndex(8);
    ASSERT_TRUE(shown(*dialog, kWidth) && shown(*dialog, kHeight));
    box(*dialog, kWidth)->setText("721");
    box(*dialog, kHeight)->setText("15");
    list(*dialog, kFrameRate)->setCurrentIndex(6);
    ASSERT_TRUE(shown(*dialog, kCustomFrameRate));
    EXPECT_EQ(box(*dialog, kCustomFrameRate)->text(), "23.976");

    box(*dialog, kCustomFrameRate)->setText("0");
    press(*dialog, kOk);
    EXPECT_EQ(dialogs.texts(), QStringList{"The frame rate is too small!"});
    EXPECT_NE(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(store.readInt(kSettings, "OutputWidth", -1), -1) << "nothing is stored";

    box(*dialog, kCustomFrameRate)->setText("12.5");
    press(*dialog, kOk);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->settings().outputWidth, 720);
    EXPECT_EQ(dialog->settings().outputHeight, 16);
    EXPECT_EQ(dialog->settings().frameRateIndex, 6);
    EXPECT_DOUBLE_EQ(dialog->settings().frameRate, 12.5);
    EXPECT_EQ(store.readInt(kSettings, "OutputWidth", -1), 720);
    EXPECT_EQ(store.readInt(kSettings, "OutputHigh", -1), 16);
    EXPECT_EQ(store.readText(kSettings, "OutputFrameRate", {}), "12.5");
}

TEST_F(OptionsDialogTest, SwitchingTheFormatChangesTheExtensionAndTheRows) {
    record.outputName = QStringLiteral("/videos/holiday.2024/clip");
    auto dialog = open();
    EXPECT_EQ(box(*dialog, kOutputFile)->text(), "/videos/holiday.avi");
    EXPECT_TRUE(shown(*dialog, kVideoCompressor) && shown(*dialog, kNote));
    EXPECT_FALSE(shown(*dialog, kVideoBitrate));

    list(*dialog, kFormat)->setCurrentIndex(1);
    EXPECT_EQ(box(*dialog, kOutputFile)->text(), "/videos/holiday.wmv");
    for (int id : {kVideoBitrateLabel, kVideoBitrate, kVideoBitrateUnit, kAudioBitrateLabel,
                   kAudioBitrate, kAudioBitrateUnit}) {
        EXPECT_TRUE(shown(*dialog, id)) << id;
    }
    for (int id : {kVideoCompressorLabel, kVideoCompressor, kVideoCompressorSettings,
                   kAudioCompressorLabel, kAudioCompressor, kNote}) {
        EXPECT_FALSE(shown(*dialog, id)) << id;
    }
    EXPECT_EQ(dialogs.messages.size(), 0);
}

TEST_F(OptionsDialogTest, WmvVideoBitrateIsTypedInKbpsOf1024Bits) {
    record.outputFormat = OutputSettings::kWmv;
    auto dialog = open();
    EXPECT_EQ(box(*dialog, kVideoBitrate)->text(), "380");  // the record's 389120 bit/s
    box(*dialog, kVideoBitrate)->setText("500");
    list(*dialog, kAudioBitrate)->setCurrentIndex(3);
    press(*dialog, kOk);
    ASSERT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(store.readInt(kSettings, "n_video_bitrate", 0), 512000);
    EXPECT_EQ(store.readInt(kSettings, "n_audio_bitrate", 0), 320000);

    record = dialog->settings();
    EXPECT_EQ(box(*open(), kVideoBitrate)->text(), "500");
}

TEST_F(OptionsDialogTest, DefaultRestoresWhatTheFormatUses) {
    const std::optional<int32_t> video = findPreferredCompressor(CompressorKind::Video);
    const std::optional<int32_t> audio = findPreferredCompressor(CompressorKind::Audio);
    auto dialog = open();
    list(*dialog, kVideoCompressor)->setCurrentIndex(0);
    list(*dialog, kAudioCompressor)->setCurrentIndex(0);
    press(*dialog, kDefault);
    EXPECT_EQ(list(*dialog, kVideoCompressor)->currentIndex(), video ? *video + 1 : 0);
    EXPECT_EQ(list(*dialog, kAudioCompressor)->currentIndex(), audio ? *audio + 1 : 0);

    list(*dialog, kVideoCompressor)->setCurrentIndex(0);
    list(*dialog, kFormat)->setCurrentIndex(1);
    box(*dialog, kVideoBitrate)->setText("100");
    list(*dialog, kAudioBitrate)->setCurrentIndex(3);
    press(*dialog, kDefault);
    EXPECT_EQ(box(*dialog, kVideoBitrate)->text(), "780");
    EXPECT_EQ(list(*dialog, kAudioBitrate)->currentIndex(), 1);
    EXPECT_EQ(list(*dialog, kVideoCompressor)->currentIndex(), 0) << "compressors stay";
}

TEST_F(OptionsDialogTest, StoredPositionsTheListsLackKeepTheirValues) {
    store.writeInt("DexVideoCompress", "CompressorNumber", 999);
    record.outputFormat = OutputSettings::kAsf;
    record.useVideoCompressor = 1;
    record.audioBitrate = 96000;
    auto dialog = open();
    EXPECT_EQ(list(*dialog, kFormat)->currentIndex(), -1);
    EXPECT_EQ(box(*dialog, kOutputFile)->text(), "/videos/my clip.asf");
    EXPECT_TRUE(shown(*dialog, kVideoCompressor));
    EXPECT_EQ(list(*dialog, kVideoCompressor)->currentIndex(), -1);
    EXPECT_EQ(list(*dialog, kAudioBitrate)->currentIndex(), -1);

    press(*dialog, kOk);
    ASSERT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->settings().outputFormat, OutputSettings::kAsf);
    EXPECT_EQ(dialog->settings().useVideoCompressor, 1);
    EXPECT_EQ(dialog->settings().audioBitrate, 96000);
    EXPECT_EQ(store.readInt(kSettings, "nOuptputFormat", -1), OutputSettings::kAsf);
    EXPECT_EQ(store.readInt("DexVideoCompress", "CompressorNumber", 0), 999);
}

TEST_F(OptionsDialogTest, EntriesTheFormatCannotHoldAreGrayedInTheirPlaces) {
    const QList<CompressorEntry> catalogue = compressorCatalogue(CompressorKind::Video);
    qsizetype mkvOnly = -1;
    for (qsizetype i = 0; i < catalogue.size() && mkvOnly < 0; ++i) {
        if (!catalogue[i].worksWith(OutputSettings::kAvi) &&
            catalogue[i].worksWith(OutputSettings::kMkv)) {
            mkvOnly = i;
        }
    }
    if (mkvOnly < 0) {
        GTEST_SKIP() << "every installed video encoder fits AVI";
    }
    const auto item = [](CDialogOutputSettings& dialog, qsizetype position) {
        auto* model = qobject_cast<QStandardItemModel*>(list(dialog, kVideoCompressor)->model());
        return model->item(int(position));
    };
    auto avi = open();
    // No compression, the catalogue, then "Copy from source".
    EXPECT_EQ(list(*avi, kVideoCompressor)->count(), catalogue.size() + 2);
    EXPECT_EQ(list(*avi, kVideoCompressor)->itemText(int(mkvOnly + 1)), catalogue[mkvOnly].name);
    EXPECT_FALSE(item(*avi, mkvOnly + 1)->isEnabled());
    EXPECT_TRUE(item(*avi, mkvOnly + 1)->toolTip().contains("AVI"));
    EXPECT_TRUE(item(*avi, 0)->isEnabled());

    record.outputFormat = OutputSettings::kMkv;
    auto mkv = open();
    EXPECT_TRUE(item(*mkv, mkvOnly + 1)->isEnabled());
    EXPECT_TRUE(item(*mkv, mkvOnly + 1)->toolTip().isEmpty());
}

// MP4 and WebM keep choices of their own; AVI, MKV and ASF share theirs.
TEST_F(OptionsDialogTest, EachFormatShowsAndKeepsItsOwnCompressors) {
    const QList<CompressorEntry> video = compressorCatalogue(CompressorKind::Video);
    const auto positionOf = [&video](const char* factory) {
        for (qsizetype i = 0; i < video.size(); ++i) {
            if (video[i].factoryName == QLatin1String(factory)) {
                return int(i) + 1;
            }
        }
        return -1;
    };
    const int x264 = positionOf("x264enc");
    const int x265 = positionOf("x265enc");
    ASSERT_GT(x264, 0);
    ASSERT_GT(x265, 0);
    store.writeInt("DexVideoCompress", "CompressorNumber", -1);
    record.ownCompressors[OutputSettings::kMp4] = {"x264enc", "avenc_aac"};
    auto dialog = open();
    QComboBox* formats = list(*dialog, kFormat);
    EXPECT_EQ(formats->itemText(3), "MP4");
    EXPECT_EQ(list(*dialog, kVideoCompressor)->currentIndex(), 0);

    formats->setCurrentIndex(3);
    EXPECT_EQ(box(*dialog, kOutputFile)->text(), "/videos/my clip.mp4");
    EXPECT_TRUE(shown(*dialog, kVideoCompressor));
    EXPECT_EQ(list(*dialog, kVideoCompressor)->currentIndex(), x264);
    auto* model = qobject_cast<QStandardItemModel*>(list(*dialog, kVideoCompressor)->model());
    EXPECT_FALSE(model->item(0)->isEnabled()) << "MP4 holds no uncompressed pictures";
    list(*dialog, kVideoCompressor)->setCurrentIndex(x265);

    formats->setCurrentIndex(2);  // MKV
    EXPECT_EQ(list(*dialog, kVideoCompressor)->currentIndex(), 0);
    formats->setCurrentIndex(3);
    EXPECT_EQ(list(*dialog, kVideoCompressor)->currentIndex(), x265);
    press(*dialog, kDefault);
    EXPECT_EQ(list(*dialog, kVideoCompressor)->currentIndex(), x264);
    list(*dialog, kVideoCompressor)->setCurrentIndex(x265);

    press(*dialog, kOk);
    ASSERT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->settings().outputFormat, OutputSettings::kMp4);
    EXPECT_EQ(dialog->settings().ownCompressors.at(OutputSettings::kMp4).video, "x265enc");
    EXPECT_EQ(store.readText("MP4", "VideoCompressor", {}), "x265enc");
    EXPECT_EQ(store.readInt("DexVideoCompress", "CompressorNumber", 0), -1);
    EXPECT_EQ(store.readInt(kSettings, "nOuptputFormat", -1), OutputSettings::kMp4);
}

TEST_F(OptionsDialogTest, ASizeTargetGraysTheQualityLevelItOverrides) {
    auto dialog = open();
    QComboBox* quality = list(*dialog, kQuality);
    EXPECT_EQ(quality->count(), 5);
    EXPECT_EQ(quality->currentText(), "Balanced");
    EXPECT_TRUE(quality->isEnabled());
    quality->setCurrentIndex(4);
    box(*dialog, kFitIn)->setText("2O");  // a letter O for a zero
    EXPECT_FALSE(quality->isEnabled());
    press(*dialog, kOk);
    EXPECT_EQ(dialog->result(), 0) << "the dialog stays open";
    EXPECT_TRUE(dialogs.texts().join('|').contains("\"2O\" is no size"));

    box(*dialog, kFitIn)->setText("8.5");
    press(*dialog, kOk);
    ASSERT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->settings().targetSizeBytes, 8'500'000);
    EXPECT_EQ(dialog->settings().qualityLevel, 4);
    EXPECT_EQ(store.readText(kSettings, "FitInMegabytes", {}), "8.5");

    record = dialog->settings();
    record.targetSizeBytes = 0;
    auto again = open();
    EXPECT_TRUE(list(*again, kQuality)->isEnabled());
    EXPECT_EQ(list(*again, kQuality)->currentText(), "Best quality");
}

TEST_F(OptionsDialogTest, TheSoundTracksAreOfferedByNumberLanguageAndTitleAndTheChoiceIsStored) {
    record.sourceSoundTracks = {"eng, Main", "ger, Kommentar", ""};
    auto dialog = open();
    QComboBox* tracks = list(*dialog, kSoundTracks);
    EXPECT_EQ(entries(*tracks), QStringList({"All sound tracks", "No sound", "Track 1: eng, Main",
                                             "Track 2: ger, Kommentar", "Track 3"}));
    EXPECT_EQ(tracks->currentIndex(), 0);
    tracks->setCurrentIndex(3);
    press(*dialog, kOk);
    ASSERT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->settings().soundTracks, "2");

    // Read back for the next source, which has one track only: the choice stays offered.
    OutputSettings next;
    loadOutputSettings(store, next, dialogs, nullptr);
    EXPECT_EQ(next.soundTracks, "2");
    record = next;
    record.sourceSoundTracks = {"eng"};
    EXPECT_EQ(list(*open(), kSoundTracks)->currentText(), "Track 2");
    store.writeText(kSettings, "SoundTracks", "2;rm -rf");
    loadOutputSettings(store, next, dialogs, nullptr);
    EXPECT_EQ(next.soundTracks, "all");
}

TEST_F(OptionsDialogTest, CopyFromSourceGraysWhatItCannotChangeAndIsOfferedWhereTheFormatHoldsIt) {
    record.sourceVideoFormat = "video/x-h264";
    record.sourceSoundFormat = "audio/mpeg";
    record.sourceWidth = 1920;
    record.sourceHeight = 1080;
    auto dialog = open();
    QComboBox* formats = list(*dialog, kFormat);
    formats->setCurrentIndex(3);  // MP4
    QComboBox* video = list(*dialog, kVideoCompressor);
    const int copy = video->count() - 1;
    EXPECT_EQ(video->itemText(copy), "Copy from source (no re-encoding)");
    auto* model = qobject_cast<QStandardItemModel*>(video->model());
    EXPECT_TRUE(model->item(copy)->isEnabled());
    video->setCurrentIndex(copy);
    for (int id : {kResolution, kFrameRate, kResizeMode, kQuality, kFitIn}) {
        EXPECT_FALSE(dialog->controls()[id]->isEnabled()) << id;
    }
    formats->setCurrentIndex(4);  // WebM holds no H.264
    EXPECT_FALSE(model->item(copy)->isEnabled());
    EXPECT_TRUE(model->item(copy)->toolTip().contains("WebM"));
    formats->setCurrentIndex(3);
    press(*dialog, kOk);
    ASSERT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(dialog->settings().copyVideo);
    EXPECT_FALSE(dialog->settings().copyAudio);
    EXPECT_EQ(dialog->settings().outputWidth, 1920);
    OutputSettings next;
    loadOutputSettings(store, next, dialogs, nullptr);
    EXPECT_TRUE(next.copyVideo);
}

TEST_F(OptionsDialogTest, BrowseOffersTheFormatsFilterAndGivesTheNameItsExtension) {
    record.outputName = QStringLiteral("/videos/old/name.avi");
    record.outputFormat = OutputSettings::kWmv;
    dialogs.files.push_back(QStringLiteral("/tmp/%1 Über.final"));
    auto dialog = open();
    press(*dialog, kBrowse);
    ASSERT_EQ(dialogs.fileRequests.size(), 1);
    const FileDialogRequest& request = dialogs.fileRequests.first();
    EXPECT_EQ(request.title, "Select Output File Name");
    EXPECT_EQ(request.initialFolder, "/videos/old");
    ASSERT_EQ(request.filters.size(), 1);
    EXPECT_EQ(request.filters.first().patterns, "*.wmv");
    EXPECT_EQ(box(*dialog, kOutputFile)->text(), "/tmp/%1 Über.wmv");
}

TEST_F(OptionsDialogTest, RunOutputOptionsHandsBackTheChosenFieldsOnlyOnOk) {
    const OutputSettings before = record;
    {
        ModalAnswer cancel([](QWidget* dialog) {
            auto* name = dialog->findChild<QLineEdit*>();
            name->setText("/elsewhere/x.avi");
            for (auto* button : dialog->findChildren<QPushButton*>()) {
                if (button->text() == "Cancel") {
                    button->click();
                }
            }
        });
        EXPECT_FALSE(runOutputOptions(nullptr, record, store, language, dialogs));
    }
    EXPECT_EQ(record.outputName, before.outputName);

    ModalAnswer ok([](QWidget* dialog) {
        for (QComboBox* list : dialog->findChildren<QComboBox*>()) {
            if (controlId(list) == kResolution) {
                list->setCurrentIndex(2);  // 720 * 576
            }
        }
        for (auto* button : dialog->findChildren<QPushButton*>()) {
            if (button->text() == "OK") {
                button->click();
            }
        }
    });
    ASSERT_TRUE(runOutputOptions(nullptr, record, store, language, dialogs));
    EXPECT_EQ(record.outputWidth, 720);
    EXPECT_EQ(record.outputHeight, 576);
    EXPECT_EQ(record.sourceWidth, 640) << "the source facts are the caller's";
    EXPECT_EQ(record.videoItemCount, 1);
}

// The shipped German and French files applied to the dialog, and the room their texts get.
class TranslatedOptionsDialogTest : public OptionsDialogTest {
  protected:
    void SetUp() override {
        OptionsDialogTest::SetUp();
        ASSERT_TRUE(QDir(base.path()).mkpath("language"));
        for (const QString language : {"German", "French"}) {
            const QString shipped =
                qEnvironmentVariable("QUENZEL_BIN_DIR") + "/language/" + language + ".ini";
            ASSERT_TRUE(QFile::copy(shipped, base.path() + "/language/" + language + ".ini"))
                << shipped.toStdString();
        }
    }

    QTemporaryDir base;
    CLanguage translated{store, dialogs};
};

namespace {

void expectEveryTextWhole(CDialogOutputSettings& dialog) {
    const QRect inside = dialog.rect();
    QList<QWidget*> visible;
    for (QWidget* control : dialog.controls().all()) {
        if (!control->isVisibleTo(&dialog)) {
            continue;
        }
        visible.append(control);
        const int id = controlId(control);
        EXPECT_TRUE(inside.contains(control->geometry())) << id;
        auto* label = qobject_cast<QLabel*>(control);
        if (label && label->wordWrap()) {
            EXPECT_LE(label->heightForWidth(label->width()), label->height()) << id;
        } else if (label || qobject_cast<QAbstractButton*>(control) ||
                   qobject_cast<QComboBox*>(control)) {
            EXPECT_LE(control->sizeHint().width(), control->width()) << id;
        }
    }
    for (qsizetype i = 0; i < visible.size(); ++i) {
        for (qsizetype j = i + 1; j < visible.size(); ++j) {
            EXPECT_FALSE(visible[i]->geometry().intersects(visible[j]->geometry()))
                << controlId(visible[i]) << " overlaps " << controlId(visible[j]);
        }
    }
}

}  // namespace

TEST_F(TranslatedOptionsDialogTest, EveryRetitledControlShowsItsGermanText) {
    ASSERT_TRUE(translated.Init(base.path(), "German"));
    CDialogOutputSettings dialog(record, store, translated, dialogs);
    EXPECT_EQ(dialog.windowTitle(), "Ausgabeoptionen");
    for (int id :
         {kFormatLabel, kOutputFileLabel, kBrowse, kResolutionLabel, kFrameRateLabel,
          kResizeModeLabel, kVideoCompressorLabel, kVideoCompressorSettings, kAudioCompressorLabel,
          kNote, kDefault, kOk, kCancel, kVideoBitrateLabel, kAudioBitrateLabel}) {
        const QString expected = translated.LookUpDialogText(id);
        ASSERT_FALSE(expected.isEmpty()) << id;
        const QWidget* control = dialog.controls()[id];
        const QString shown = qobject_cast<const QLabel*>(control)
                                  ? qobject_cast<const QLabel*>(control)->text()
                                  : qobject_cast<const QAbstractButton*>(control)->text();
        EXPECT_EQ(shown, expected) << id;
    }
    EXPECT_EQ(list(dialog, kResolution)->itemText(8), "Benutzerdefinierte Größe");
    EXPECT_EQ(list(dialog, kFrameRate)->itemText(6), "Benutzerdefinierte Bildrate");
    EXPECT_EQ(list(dialog, kResizeMode)->itemText(0), "Seitenverhältnis beibehalten");
    EXPECT_EQ(dialog.controls()[kVideoCompressor]->accessibleName(), "Videokompressor:");

    // Every control a screen reader meets has a name: its label's, or its own text.
    for (QWidget* control : dialog.controls().all()) {
        QString name = control->accessibleName();
        if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            name += button->text();
        } else if (auto* label = qobject_cast<QLabel*>(control)) {
            name += label->text();
        }
        EXPECT_FALSE(name.trimmed().isEmpty()) << controlId(control);
    }

    dialogs.files.push_back(QStringLiteral("/tmp/film"));
    press(dialog, kBrowse);
    EXPECT_EQ(dialogs.fileRequests.value(0).title, "Namen der Ausgabedatei wählen");
}

// Run once more with QT_SCALE_FACTOR=1.5 (see CMakeLists.txt).
TEST_F(TranslatedOptionsDialogTest, NoTextIsCutOffWithALargerInterfaceFont) {
    for (const QString language : {"German", "French"}) {
        // One and a half times the usual 11 pixels.
        store.writeInt(language, "lfHeight", -17);
        store.writeText(language, "lfFaceName", "DejaVu Sans");
        ASSERT_TRUE(translated.Init(base.path(), language));
        for (int32_t format : {OutputSettings::kAvi, OutputSettings::kWmv}) {
            SCOPED_TRACE(language.toStdString() + (format ? " WMV" : " AVI"));
            record.outputFormat = format;
            CDialogOutputSettings dialog(record, store, translated, dialogs);
            expectEveryTextWhole(dialog);
        }
    }
}
