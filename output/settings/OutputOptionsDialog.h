#pragma once

#include <QDialog>

#include "base/DialogTemplate.h"
#include "output/settings/OutputOptions.h"

class CLanguage;
class SettingsStore;
class UserDialogs;

// The output options dialog (template 129, "Output options"). Every control keeps its identifier;
// the behaviour lives in OutputOptions, the window only shows it and passes the user's changes on.

namespace output_options_control {
inline constexpr int kFormatLabel = 1097;
inline constexpr int kFormat = 1094;
inline constexpr int kOutputFileLabel = 1023;
inline constexpr int kOutputFile = 1022;
inline constexpr int kBrowse = 1024;
inline constexpr int kResolutionLabel = 1026;
inline constexpr int kResolution = 1025;
inline constexpr int kWidth = 1027;
inline constexpr int kHeight = 1028;
inline constexpr int kFrameRateLabel = 1078;
inline constexpr int kFrameRate = 1068;
inline constexpr int kCustomFrameRate = 1069;
inline constexpr int kResizeModeLabel = 1079;
inline constexpr int kResizeMode = 1070;
inline constexpr int kVideoCompressorLabel = 1080;
inline constexpr int kVideoCompressor = 1001;
inline constexpr int kVideoCompressorSettings = 1053;
inline constexpr int kAudioCompressorLabel = 1081;
inline constexpr int kAudioCompressor = 1002;
inline constexpr int kVideoBitrateLabel = 1087;
inline constexpr int kVideoBitrate = 1089;
inline constexpr int kVideoBitrateUnit = 1091;
inline constexpr int kAudioBitrateLabel = 1088;
inline constexpr int kAudioBitrate = 1090;
inline constexpr int kAudioBitrateUnit = 1092;
inline constexpr int kNote = 1077;
inline constexpr int kQualityLabel = 1100;
inline constexpr int kQuality = 1101;
inline constexpr int kFitInLabel = 1102;
inline constexpr int kFitIn = 1103;
inline constexpr int kFitInUnit = 1104;
inline constexpr int kSoundTracksLabel = 1105;
inline constexpr int kSoundTracks = 1106;
inline constexpr int kConfigurableCompressors = 1052;  // always hidden
inline constexpr int kOk = 1082;
inline constexpr int kDefault = 1051;
inline constexpr int kCancel = 1083;
}  // namespace output_options_control

class CDialogOutputSettings : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kDialogId = 129;

    // Opens on a copy of `record`, in the texts and interface font of `language`. OK stores the
    // values in `store`; messages and the save dialog go through `dialogs`.
    CDialogOutputSettings(const OutputSettings& record, SettingsStore& store,
                          const CLanguage& language, UserDialogs& dialogs,
                          QWidget* parent = nullptr);

    // The dialog's copy of the record: after OK, what OK decided.
    const OutputSettings& settings() const { return options_.settings(); }
    const DialogControls& controls() const { return controls_; }

  private:
    void wireControls();
    void alignButtonRow(int gap);
    void showOptions();
    void showList(int id, const QStringList& entries, int32_t position);
    void showFormats(const QList<FormatChoice>& formats, int32_t position);
    void showCompressors(int id, const QList<CompressorChoice>& entries, int32_t position);
    void showText(int id, const QString& text);
    void press(int id);

    SettingsStore& store_;
    const CLanguage& language_;
    UserDialogs& dialogs_;
    OutputOptions options_;
    DialogControls controls_;
    bool showing_ = false;  // changes made by showOptions are not the user's
};

// Runs the output options modally over `owner` on a copy of `record`. On OK the values are stored
// and `record` takes the output name, size, frame rate and its list position, resize mode,
// compressor flags, bitrates, format, file-profile flag and the formats' own compressor choices
// (the source facts stay as they were);
// gives true. On Cancel nothing changes and it gives false. A compressor configured with Settings
// keeps its configuration either way.
bool runOutputOptions(QWidget* owner, OutputSettings& record, SettingsStore& store,
                      const CLanguage& language, UserDialogs& dialogs);
