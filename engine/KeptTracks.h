#pragma once

#include <QString>
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

KeptSound keptSoundTracks(const std::vector<SourceTrack>& tracks, const SoundTrackChoice& choice,
                          bool formatHoldsSeveral);
