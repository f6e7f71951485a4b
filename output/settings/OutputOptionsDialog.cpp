#include "output/settings/OutputOptionsDialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <array>

#include "base/SettingsStore.h"
#include "language/DialogTexts.h"
#include "language/Language.h"
#include "output/compressors/VideoCompressorSettings.h"

namespace {

using namespace output_options_control;
using control_style::kFitsEntries;
using control_style::kHidden;
using control_style::kNumber;
using control_style::kWordWrap;

// Three columns: labels, their controls, and the buttons and small boxes of a row; a column grows
// as a whole when a text needs more room. The compressor rows and the bitrate rows share their
// places; the format decides which are shown. The OK, Default and Cancel row keeps to the right.
constexpr std::array kControls = {
    ControlTemplate{kFormatLabel, ControlKind::Label, "Output Format:", 7, 9, 88, 8, 0, kFormat},
    ControlTemplate{kFormat, ControlKind::DropDownList, "", 98, 7, 60, 14, kFitsEntries},
    ControlTemplate{kOutputFileLabel, ControlKind::Label, "Output file:", 7, 27, 88, 8, 0,
                    kOutputFile},
    ControlTemplate{kOutputFile, ControlKind::Edit, "", 98, 25, 122, 14},
    ControlTemplate{kBrowse, ControlKind::PushButton, "Browse", 224, 25, 47, 14},
    ControlTemplate{kResolutionLabel, ControlKind::Label, "Resolution:", 7, 45, 88, 8, 0,
                    kResolution},
    ControlTemplate{kResolution, ControlKind::DropDownList, "", 98, 43, 122, 14, kFitsEntries},
    ControlTemplate{kWidth, ControlKind::Edit, "", 224, 43, 22, 14, kHidden | kNumber, 0, "Width"},
    ControlTemplate{kHeight, ControlKind::Edit, "", 249, 43, 22, 14, kHidden | kNumber, 0,
                    "Height"},
    ControlTemplate{kFrameRateLabel, ControlKind::Label, "Frame rate:", 7, 63, 88, 8, 0,
                    kFrameRate},
    ControlTemplate{kFrameRate, ControlKind::DropDownList, "", 98, 61, 122, 14, kFitsEntries},
    ControlTemplate{kCustomFrameRate, ControlKind::Edit, "", 224, 61, 47, 14, kHidden, 0,
                    "Frames per second"},
    ControlTemplate{kResizeModeLabel, ControlKind::Label, "Resize mode:", 7, 81, 88, 8, 0,
                    kResizeMode},
    ControlTemplate{kResizeMode, ControlKind::DropDownList, "", 98, 79, 122, 14, kFitsEntries},
    ControlTemplate{kVideoCompressorLabel, ControlKind::Label, "Video compressor:", 7, 99, 88, 8, 0,
                    kVideoCompressor},
    ControlTemplate{kVideoCompressor, ControlKind::DropDownList, "", 98, 97, 122, 14, kFitsEntries},
    ControlTemplate{kVideoCompressorSettings, ControlKind::PushButton, "Settings", 224, 97, 47, 14},
    ControlTemplate{kAudioCompressorLabel, ControlKind::Label, "Audio compressor:", 7, 117, 88, 8,
                    0, kAudioCompressor},
    ControlTemplate{kAudioCompressor, ControlKind::DropDownList, "", 98, 115, 122, 14,
                    kFitsEntries},
    ControlTemplate{kVideoBitrateLabel, ControlKind::Label, "Video encoding bitrate:", 7, 99, 88, 8,
                    0, kVideoBitrate},
    ControlTemplate{kVideoBitrate, ControlKind::Edit, "", 98, 97, 50, 14, kNumber},
    ControlTemplate{kVideoBitrateUnit, ControlKind::Label, "Kbps", 152, 99, 30, 8},
    ControlTemplate{kAudioBitrateLabel, ControlKind::Label, "Audio encoding bitrate:", 7, 117, 88,
                    8, 0, kAudioBitrate},
    ControlTemplate{kAudioBitrate, ControlKind::DropDownList, "", 98, 115, 50, 14, kFitsEntries},
    ControlTemplate{kAudioBitrateUnit, ControlKind::Label, "Kbps", 152, 117, 30, 8},
    ControlTemplate{kQualityLabel, ControlKind::Label, "Quality:", 7, 135, 88, 8, 0, kQuality},
    ControlTemplate{kQuality, ControlKind::DropDownList, "", 98, 133, 80, 14, kFitsEntries},
    ControlTemplate{kFitInLabel, ControlKind::Label, "Fit in", 182, 135, 28, 8, 0, kFitIn},
    ControlTemplate{kFitIn, ControlKind::Edit, "", 211, 133, 36, 14},
    ControlTemplate{kFitInUnit, ControlKind::Label, "MB", 250, 135, 21, 8},
    ControlTemplate{kSoundTracksLabel, ControlKind::Label, "Sound tracks:", 7, 153, 88, 8, 0,
                    kSoundTracks},
    ControlTemplate{kSoundTracks, ControlKind::DropDownList, "", 98, 151, 173, 14, kFitsEntries},
    ControlTemplate{kNote, ControlKind::Label,
                    "Note: some video and audio compressors may not work properly. For more "
                    "detail, please read help.",
                    7, 171, 264, 24, kWordWrap},
    ControlTemplate{kConfigurableCompressors, ControlKind::DropDownList, "", 224, 115, 47, 14,
                    kHidden, 0, "Configurable video compressors"},
    ControlTemplate{kOk, ControlKind::DefaultPushButton, "OK", 116, 199, 48, 14},
    ControlTemplate{kDefault, ControlKind::PushButton, "Default", 168, 199, 48, 14},
    ControlTemplate{kCancel, ControlKind::PushButton, "Cancel", 224, 199, 47, 14},
};

constexpr DialogTemplate kTemplate{CDialogOutputSettings::kDialogId, "Output options", 278, 220,
                                   kControls};

struct ListControl {
    int id;
    OptionList list;
};
constexpr std::array kListControls = {
    ListControl{kFormat, OptionList::Format},
    ListControl{kResolution, OptionList::Resolution},
    ListControl{kFrameRate, OptionList::FrameRate},
    ListControl{kResizeMode, OptionList::ResizeMode},
    ListControl{kVideoCompressor, OptionList::VideoCompressor},
    ListControl{kAudioCompressor, OptionList::AudioCompressor},
    ListControl{kAudioBitrate, OptionList::AudioBitrate},
    ListControl{kQuality, OptionList::Quality},
    ListControl{kSoundTracks, OptionList::SoundTracks},
};

struct TextControl {
    int id;
    OptionText box;
};
constexpr std::array kTextControls = {
    TextControl{kOutputFile, OptionText::OutputName},
    TextControl{kWidth, OptionText::Width},
    TextControl{kHeight, OptionText::Height},
    TextControl{kCustomFrameRate, OptionText::FrameRate},
    TextControl{kVideoBitrate, OptionText::VideoBitrate},
    TextControl{kFitIn, OptionText::FitIn},
};

constexpr std::array kButtons = {kBrowse, kDefault, kVideoCompressorSettings, kOk, kCancel};

constexpr std::array kCompressorRows = {kVideoCompressorLabel,
                                        kVideoCompressor,
                                        kVideoCompressorSettings,
                                        kAudioCompressorLabel,
                                        kAudioCompressor,
                                        kNote,
                                        kQualityLabel,
                                        kQuality,
                                        kFitInLabel,
                                        kFitIn,
                                        kFitInUnit};
constexpr std::array kBitrateRows = {kVideoBitrateLabel, kVideoBitrate, kVideoBitrateUnit,
                                     kAudioBitrateLabel, kAudioBitrate, kAudioBitrateUnit};

QStringList entriesOf(const QComboBox* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) {
        entries.append(list->itemText(i));
    }
    return entries;
}

}  // namespace

CDialogOutputSettings::CDialogOutputSettings(const OutputSettings& record, SettingsStore& store,
                                             const CLanguage& language, UserDialogs& dialogs,
                                             QWidget* parent)
    : QDialog(parent),
      store_(store),
      language_(language),
      dialogs_(dialogs),
      options_(record, store, language, dialogs) {
    controls_ = buildDialog(this, kTemplate);
    showOptions();
    wireControls();
    ApplyDialogTexts(language, this, kDialogId);
    const int buttonGap = controls_[kCancel]->x() - controls_[kDefault]->geometry().right() - 1;
    fitDialogToTexts(this, controls_);
    alignButtonRow(buttonGap);
    refreshAccessibleNames(controls_);
}

void CDialogOutputSettings::alignButtonRow(int gap) {
    QWidget* next = controls_[kCancel];
    for (int id : {kDefault, kOk}) {
        QWidget* button = controls_[id];
        button->move(next->x() - gap - button->width(), button->y());
        next = button;
    }
}

void CDialogOutputSettings::wireControls() {
    for (const ListControl& control : kListControls) {
        auto* list = controls_.get<QComboBox>(control.id);
        connect(list, &QComboBox::currentIndexChanged, this, [this, control](int position) {
            if (!showing_) {
                options_.choose(control.list, position);
                showOptions();
            }
        });
    }
    for (const TextControl& control : kTextControls) {
        auto* box = controls_.get<QLineEdit>(control.id);
        connect(box, &QLineEdit::textChanged, this, [this, control](const QString& text) {
            if (!showing_) {
                options_.edit(control.box, text);
                showOptions();  // a size grays the quality level
            }
        });
    }
    for (int id : kButtons) {
        connect(controls_.get<QPushButton>(id), &QPushButton::clicked, this,
                [this, id] { press(id); });
    }
}

void CDialogOutputSettings::press(int id) {
    switch (id) {
        case kBrowse:
            options_.browse();
            break;
        case kDefault:
            options_.restoreDefaults();
            break;
        case kVideoCompressorSettings:
            configureVideoCompressor(this, options_.selectedVideoCompressor(),
                                     controls_.get<QComboBox>(kConfigurableCompressors), language_,
                                     dialogs_);
            break;
        case kOk:
            if (options_.accept(store_)) {
                accept();
            }
            break;
        case kCancel:
            reject();
            return;
    }
    showOptions();
}

void CDialogOutputSettings::showOptions() {
    const bool wasShowing = showing_;
    showing_ = true;
    const OutputOptionsView& view = options_.view();
    showFormats(view.formats, view.formatPosition);
    showText(kOutputFile, view.outputName);
    showList(kResolution, view.resolutions, view.resolutionPosition);
    showText(kWidth, view.widthText);
    showText(kHeight, view.heightText);
    showList(kFrameRate, view.frameRates, view.frameRatePosition);
    showText(kCustomFrameRate, view.frameRateText);
    showList(kResizeMode, view.resizeModes, view.resizeModePosition);
    showCompressors(kVideoCompressor, view.videoCompressors, view.videoCompressorPosition);
    showCompressors(kAudioCompressor, view.audioCompressors, view.audioCompressorPosition);
    showText(kVideoBitrate, view.videoBitrateText);
    showList(kAudioBitrate, view.audioBitrates, view.audioBitratePosition);
    showList(kQuality, view.qualities, view.qualityPosition);
    showList(kSoundTracks, view.soundTracks, view.soundTrackPosition);
    showText(kFitIn, view.fitInText);
    controls_[kQuality]->setEnabled(view.qualityEnabled && !view.copiesPictures);
    controls_[kQualityLabel]->setEnabled(view.qualityEnabled && !view.copiesPictures);
    // Copied pictures keep the source's size, rate and quality.
    for (int id : {kResolutionLabel, kResolution, kWidth, kHeight, kFrameRateLabel, kFrameRate,
                   kCustomFrameRate, kResizeModeLabel, kResizeMode, kFitInLabel, kFitIn}) {
        controls_[id]->setEnabled(!view.copiesPictures);
    }
    controls_[kQuality]->setToolTip(view.qualityTip);
    controls_[kFitIn]->setToolTip(view.fitInTip);

    controls_[kWidth]->setVisible(view.sizeBoxesShown);
    controls_[kHeight]->setVisible(view.sizeBoxesShown);
    controls_[kCustomFrameRate]->setVisible(view.frameRateBoxShown);
    for (int id : kCompressorRows) {
        controls_[id]->setVisible(view.rows == FormatRows::Compressors);
    }
    for (int id : kBitrateRows) {
        controls_[id]->setVisible(view.rows == FormatRows::Bitrates);
    }
    showing_ = wasShowing;
}

void CDialogOutputSettings::showList(int id, const QStringList& entries, int32_t position) {
    auto* list = controls_.get<QComboBox>(id);
    if (entriesOf(list) != entries) {
        list->clear();
        list->addItems(entries);
    }
    if (list->currentIndex() != position) {
        list->setCurrentIndex(position);
    }
}

void CDialogOutputSettings::showFormats(const QList<FormatChoice>& formats, int32_t position) {
    QStringList names;
    for (const FormatChoice& format : formats) {
        names.append(format.name);
    }
    showList(kFormat, names, position);
    auto* list = controls_.get<QComboBox>(kFormat);
    for (qsizetype i = 0; i < formats.size(); ++i) {
        list->setItemData(int(i), formats[i].tip, Qt::ToolTipRole);
    }
    list->setToolTip(formats.value(position).tip);
}

void CDialogOutputSettings::showCompressors(int id, const QList<CompressorChoice>& entries,
                                            int32_t position) {
    auto* list = controls_.get<QComboBox>(id);
    QStringList names;
    for (const CompressorChoice& entry : entries) {
        names.append(entry.name);
    }
    showList(id, names, position);
    // Entries the format cannot hold stay in their place, grayed, and say why.
    auto* model = qobject_cast<QStandardItemModel*>(list->model());
    for (qsizetype i = 0; model && i < entries.size(); ++i) {
        QStandardItem* item = model->item(int(i));
        item->setEnabled(entries[i].unavailableTip.isEmpty());
        item->setToolTip(entries[i].unavailableTip);
    }
    list->setToolTip(entries.value(position).unavailableTip);
}

void CDialogOutputSettings::showText(int id, const QString& text) {
    auto* box = controls_.get<QLineEdit>(id);
    if (box->text() != text) {
        box->setText(text);
    }
}

bool runOutputOptions(QWidget* owner, OutputSettings& record, SettingsStore& store,
                      const CLanguage& language, UserDialogs& dialogs) {
    CDialogOutputSettings dialog(record, store, language, dialogs, owner);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    const OutputSettings& chosen = dialog.settings();
    record.outputName = chosen.outputName;
    record.outputWidth = chosen.outputWidth;
    record.outputHeight = chosen.outputHeight;
    record.useVideoCompressor = chosen.useVideoCompressor;
    record.useAudioCompressor = chosen.useAudioCompressor;
    record.frameRateIndex = chosen.frameRateIndex;
    record.frameRate = chosen.frameRate;
    record.resizeMode = chosen.resizeMode;
    record.videoBitrate = chosen.videoBitrate;
    record.audioBitrate = chosen.audioBitrate;
    record.outputFormat = chosen.outputFormat;
    record.useFileProfile = chosen.useFileProfile;
    record.ownCompressors = chosen.ownCompressors;
    record.qualityLevel = chosen.qualityLevel;
    record.targetSizeBytes = chosen.targetSizeBytes;
    record.soundTracks = chosen.soundTracks;
    record.copyVideo = chosen.copyVideo;
    record.copyAudio = chosen.copyAudio;
    return true;
}
