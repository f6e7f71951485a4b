#pragma once

#include <QString>
#include <cstdint>
#include <functional>

class CLanguage;
class SettingsStore;
class UserDialogs;
struct ConversionProject;
struct OutputSettings;

// The clip times the main window shows after a source was opened.
struct ClipTimeTexts {
    QString position;   // "00:00:00 / hh:mm:ss"
    QString startTime;  // "00:00:00"
    QString endTime;    // "hh:mm:ss"
};

// The transition for a new video item at a position (0-based) of the video list.
using ChooseTransition = std::function<int32_t(int position)>;

// Makes a chosen file the project's source: its picture becomes the one video item, its sound
// the one audio item, and the whole of it, to its last picture, the part to convert.
class SourceOpener {
  public:
    SourceOpener(ConversionProject& project, OutputSettings& settings,
                 ChooseTransition chooseTransition, SettingsStore& store, UserDialogs& dialogs,
                 const CLanguage& language);

    // False, after a message, when the file cannot be used. A path too long to keep changes
    // nothing; any other failure leaves the project without items, so it cannot be converted.
    bool openSource(const QString& path);

    // The texts for the clip just opened.
    ClipTimeTexts clipTimeTexts() const;

  private:
    ConversionProject& project_;
    OutputSettings& settings_;
    ChooseTransition chooseTransition_;
    SettingsStore& store_;
    UserDialogs& dialogs_;
    const CLanguage& language_;
};

// The folder part of a path, with its trailing separator; empty when it has none.
QString folderOf(const QString& path);
