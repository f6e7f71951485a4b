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
                                 int number,
                                 const std::function<bool(const QString& format)>& writerTakes) {
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
    const auto firstText = std::find_if(named.begin(), named.end(),
                                        [](const SourceTrack& track) { return track.text; });
    kept.burn = mode == QLatin1String("burn") && firstText != named.end();
    if (kept.burn) {
        kept.tracks.push_back(*firstText);
        kept.leftOut = static_cast<int>(named.size()) - 1;
        return kept;
    }
    for (const SourceTrack& track : named) {
        if (writerTakes(track.text ? QStringLiteral("text/x-raw") : track.format)) {
            kept.tracks.push_back(track);
            continue;
        }
        ++kept.leftOut;
        if (!track.text && writerTakes(QStringLiteral("text/x-raw"))) {
            kept.picturesLeftOut << track.codec;
        }
    }
    return kept;
}
