#include "engine/KeptTracks.h"

#include <QStringList>
#include <algorithm>

std::optional<SoundTrackChoice> parseSoundTrackChoice(const QString& text) {
    const QString trimmed = text.trimmed().toLower();
    if (trimmed == QLatin1String("all")) {
        return SoundTrackChoice{};
    }
    if (trimmed == QLatin1String("none")) {
        return SoundTrackChoice{.all = false, .numbers = {}};
    }
    SoundTrackChoice choice{.all = false, .numbers = {}};
    for (const QString& part : trimmed.split(QLatin1Char(','))) {
        bool isNumber = false;
        const int number = part.trimmed().toInt(&isNumber);
        if (!isNumber || number < 1) {
            return std::nullopt;
        }
        if (std::find(choice.numbers.begin(), choice.numbers.end(), number) ==
            choice.numbers.end()) {
            choice.numbers.push_back(number);
        }
    }
    return choice;
}

KeptSound keptSoundTracks(const std::vector<SourceTrack>& tracks, const SoundTrackChoice& choice,
                          bool formatHoldsSeveral) {
    KeptSound kept;
    std::vector<const SourceTrack*> named;
    for (const SourceTrack& track : tracks) {
        if (track.kind == SourceTrack::Kind::Sound &&
            (choice.all || std::find(choice.numbers.begin(), choice.numbers.end(), track.number) !=
                               choice.numbers.end())) {
            named.push_back(&track);
        }
    }
    for (const int number : choice.numbers) {
        if (std::none_of(named.begin(), named.end(),
                         [number](const SourceTrack* track) { return track->number == number; })) {
            kept.missingNumber = number;
            return kept;
        }
    }
    if (!formatHoldsSeveral && named.size() > 1) {
        kept.leftOut = static_cast<int>(named.size()) - 1;
        named.resize(1);
    }
    for (const SourceTrack* track : named) {
        kept.streamIds.push_back(track->streamId);
    }
    return kept;
}

KeptSubtitles keptSubtitleTracks(const std::vector<SourceTrack>& tracks, const QString& mode,
                                 int number, bool formatHoldsSubtitles) {
    KeptSubtitles kept;
    if (mode == QLatin1String("none")) {
        return kept;
    }
    std::vector<SourceTrack> named;
    for (const SourceTrack& track : tracks) {
        if (track.kind == SourceTrack::Kind::Subtitles && (number == 0 || track.number == number)) {
            named.push_back(track);
        }
    }
    if (number > 0 && named.empty()) {
        kept.missingNumber = number;
        return kept;
    }
    for (const SourceTrack& track : named) {
        if (track.text) {
            kept.tracks.push_back(track);
        } else {
            ++kept.leftOut;
        }
    }
    kept.burn = mode == QLatin1String("burn") && !kept.tracks.empty();
    const size_t room = kept.burn ? 1 : formatHoldsSubtitles ? kept.tracks.size() : 0;
    if (kept.tracks.size() > room) {
        kept.leftOut += static_cast<int>(kept.tracks.size() - room);
        kept.tracks.resize(room);
    }
    return kept;
}
