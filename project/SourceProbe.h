#pragma once

#include <QString>
#include <cstdint>
#include <optional>

class CLanguage;
class UserDialogs;
struct OutputSettings;

// The times of a probed source, in 100-ns units.
struct ProbedTimes {
    int64_t duration = 0;  // from the first picture to the end
    // Where the first picture lies on the file's own clock, which seeks in the file take.
    int64_t firstPicture = 0;
    // Where the sound lies at that picture, on the sound's own clock.
    int64_t soundAtFirstPicture = 0;
};

// Reads what a conversion needs to know of a source before it is opened.
class SourceProbe {
  public:
    SourceProbe(OutputSettings& settings, UserDialogs& dialogs, const CLanguage& language);

    // The source's length and where it starts; writes its picture size (also as the output size)
    // and frame rate into the output settings. Shows its own message and gives nothing on
    // failure.
    std::optional<ProbedTimes> probeSource(const QString& path);

    // The length of the source's sound: its stop position, 0 when the media framework cannot
    // start, -1 when the file cannot be opened or its length read. Shows nothing.
    static int64_t probeAudioDuration(const QString& path);

  private:
    void fail(const QString& text);

    OutputSettings& settings_;
    UserDialogs& dialogs_;
    const CLanguage& language_;
};
