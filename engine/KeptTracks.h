#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "media/SourceTracks.h"

// The sound tracks a choice names: every one, none, or these numbers (as --tracks counts them).
struct SoundTrackChoice {
    bool all = true;
    std::vector<int> numbers;  // when not all; empty: no sound
};

// "all", "none" or "N[,N...]"; nullopt for anything else.
std::optional<SoundTrackChoice> parseSoundTrackChoice(const QString& text);

// Which sound tracks of a source a conversion writes. The one place that decides it: the
// timeline, the window and the command line all ask here.
struct KeptSound {
    std::vector<QString> streamIds;  // in the file's order
    // Tracks the choice named that the format cannot hold: the user is told once.
    int leftOut = 0;
    // A number the source has no track for; nothing is written then.
    int missingNumber = 0;
};

// Which subtitle tracks go into the file, and whether one is drawn into the picture instead.
struct KeptSubtitles {
    std::vector<SourceTrack> tracks;  // in order; pictures only where the writer takes them
    bool burn = false;                // the first of tracks (a text one) is drawn into the picture
    int leftOut = 0;                  // named tracks that are not kept
    QStringList picturesLeftOut;      // the codecs of the picture tracks the writer cannot take
    int missingNumber = 0;
};

// `mode` is "keep", "burn" or "none"; `number` a subtitle track's number, 0 for every one.
// `writerTakes` tells whether the writer holds subtitles of a kind (a caps name); a format
// without subtitle tracks takes none.
KeptSubtitles keptSubtitleTracks(const std::vector<SourceTrack>& tracks, const QString& mode,
                                 int number,
                                 const std::function<bool(const QString& format)>& writerTakes);

KeptSound keptSoundTracks(const std::vector<SourceTrack>& tracks, const SoundTrackChoice& choice,
                          bool formatHoldsSeveral);
