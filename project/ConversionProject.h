#pragma once

#include <QString>
#include <cstdint>
#include <vector>
#include "base/PathLimits.h"

// What a conversion produces: video items for the picture, audio items for the sound, and the part
// of the source to convert. Times are 100-ns units. The user interface always fills it with one
// video item and one audio item taken from the opened file.

constexpr int kMaxVideoItems = 1000;
constexpr int kMaxAudioItems = 100;
// Longest path an item holds, in bytes of its UTF-8 form.
constexpr int kMaxPathBytes = kLongestPath;
constexpr int64_t kUnitsPerSecond = 10'000'000;

enum class TransitionMode : int32_t { Random = 0, Sequence = 1, Same = 2 };

struct VideoItem {
    QString path;
    int64_t duration = 0;  // from the first picture to the end of the source, in 100-ns units
    int32_t transition = 0;
    // Where the clip's time 0, its first picture, lies on the file's own clock: the project's
    // times count from there, the file's seeks from its clock's 0.
    int64_t origin = 0;
};

struct AudioItem {
    QString path;
    // The source's length; 0 when the media framework could not start, -1 when the file could not
    // be opened or its length read.
    int64_t duration = 0;
    int64_t origin = 0;  // as for VideoItem
};

struct ProjectDefaults {
    TransitionMode transitionMode = TransitionMode::Random;
    int32_t chosenTransition = 0;
};

struct ConversionProject {
    std::vector<VideoItem> videos;
    std::vector<AudioItem> audios;
    ProjectDefaults defaults;
    int64_t startTime = 0;
    int64_t endTime = 0;

    int32_t videoCount() const { return static_cast<int32_t>(videos.size()); }
    int32_t audioCount() const { return static_cast<int32_t>(audios.size()); }
};
