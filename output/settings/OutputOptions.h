#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>

#include "output/compressors/CompressorCatalogue.h"
#include "output/formats/OutputFormats.h"
#include "output/settings/OutputSettings.h"

class CLanguage;
class SettingsStore;
class UserDialogs;

// What the output options dialog does, without its widgets: what each list and box holds when it
// opens, what a choice in a list does to the others, Browse, Default and OK. The window shows
// view() after every call and hands each user change back through choose() and edit().

enum class OptionList {
    Format,
    Resolution,
    FrameRate,
    ResizeMode,
    VideoCompressor,
    AudioCompressor,
    AudioBitrate,
    Quality,
    SoundTracks
};
enum class OptionText { OutputName, Width, Height, FrameRate, VideoBitrate, FitIn };

struct CompressorChoice {
    QString name;
    // Why the chosen format cannot hold this entry; empty when it can. Such entries are shown
    // grayed, in their place.
    QString unavailableTip;
};

struct FormatChoice {
    QString name;
    QString tip;  // what the format is good for; empty for the described formats
};

// The contents of the dialog's controls. A position of -1 means no selection.
struct OutputOptionsView {
    QList<FormatChoice> formats;
    int32_t formatPosition = -1;
    QString outputName;
    QStringList resolutions;
    int32_t resolutionPosition = -1;
    QString widthText;
    QString heightText;
    bool sizeBoxesShown = false;
    QStringList frameRates;
    int32_t frameRatePosition = -1;
    QString frameRateText;
    bool frameRateBoxShown = false;
    QStringList resizeModes;
    int32_t resizeModePosition = -1;
    QList<CompressorChoice> videoCompressors;
    int32_t videoCompressorPosition = -1;
    QList<CompressorChoice> audioCompressors;
    int32_t audioCompressorPosition = -1;
    QString videoBitrateText;  // Kbps
    QStringList audioBitrates;
    int32_t audioBitratePosition = -1;
    // The quality level (with the compressor rows) and the size target in megabytes; a size
    // grays the level, which it overrides.
    QStringList qualities;
    int32_t qualityPosition = -1;
    QString qualityTip;
    bool qualityEnabled = true;
    // "Copy from source" is chosen for the pictures: size, rate, fit, quality and "Fit in" do
    // not apply and are grayed.
    bool copiesPictures = false;
    QString fitInText;
    QString fitInTip;
    FormatRows rows = FormatRows::Bitrates;  // never Unchanged
    // All, none, then each sound track of the source by number, language and title.
    QStringList soundTracks;
    int32_t soundTrackPosition = -1;
};

class OutputOptions {
  public:
    // Opens on a copy of `record`. The store is read for the stored compressor choices; texts
    // come from `language`; messages go through `dialogs`. Both must outlive this object.
    OutputOptions(const OutputSettings& record, const SettingsStore& store,
                  const CLanguage& language, UserDialogs& dialogs);

    const OutputOptionsView& view() const { return view_; }
    // The dialog's copy of the record; after a successful accept(), what OK decided.
    const OutputSettings& settings() const { return settings_; }

    // The user selected `position` in a list (a position outside the list counts as none).
    void choose(OptionList list, int32_t position);
    // The user changed the text of a box.
    void edit(OptionText box, const QString& text);

    // Asks for the output file with the save dialog of the chosen format.
    void browse();
    // Default: the preferred compressors, or for WMV the default bitrates.
    void restoreDefaults();
    // The name of the selected video compressor list entry; empty when none is selected.
    QString selectedVideoCompressor() const;

    // OK: checks the boxes, and when they hold a usable setting stores it (binding the chosen
    // compressors) and gives true; otherwise tells the user why and gives false, storing nothing.
    bool accept(SettingsStore& store);

  private:
    // The compressor list positions of one choice: the shared one, or a format's own.
    struct CompressorPositions {
        int32_t video = -1;
        int32_t audio = -1;
    };

    void fillLists();
    // The choice the current format's compressors are: its own, or the shared one.
    CompressorPositions& currentPositions();
    int32_t listPositionOf(CompressorKind kind, const QString& factoryName) const;
    QString factoryAt(CompressorKind kind, int32_t position) const;
    void selectInitialEntries(const SettingsStore& store);
    void changeFormat(int32_t format);
    void markUnavailableCompressors();
    // The picture or sound list's "Copy from source" entry: after the compressors, so that the
    // stored compressor positions keep their entries.
    int32_t copyPosition(CompressorKind kind) const;
    void chooseCompressor(CompressorKind kind, int32_t position);
    // Copied pictures keep the source's size and rate: the boxes show them.
    void showSourceFrame();

    OutputSettings record_;    // as the dialog opened
    OutputSettings settings_;  // the dialog's copy
    const CLanguage& language_;
    UserDialogs& dialogs_;
    QList<CompressorEntry> videoEntries_;  // list position p: entry p
    QList<CompressorEntry> audioEntries_;
    CompressorPositions shared_;
    std::map<int32_t, CompressorPositions> own_;  // by format
    OutputOptionsView view_;
    QStringList soundTrackChoices_;  // what each entry of view_.soundTracks stores
    bool copyVideo_ = false;
    bool copyAudio_ = false;
};
