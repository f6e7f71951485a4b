#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

// One stream of a media file as a user picks it: its kind, its number among the streams of that
// kind (from 1, in the file's order) and what tells it apart.
struct SourceTrack {
    enum class Kind { Video, Sound, Subtitles };
    Kind kind = Kind::Video;
    int number = 0;
    QString streamId;  // GStreamer's stream id, the same in every reading of the file
    QString codec;
    int channels = 0;  // sound only
    QString language;  // ISO 639 code, empty when the file names none
    QString title;
    // Subtitles: whether they are text (SRT, SSA, WebVTT, timed text) rather than pictures, and
    // the file beside the source they come from ("clip.en.srt"); empty: the source itself.
    bool text = false;
    QString file;
    // The name of the stream's caps ("video/x-h264", "subpicture/x-dvd"); MPEG pictures add
    // their version ("video/mpeg,mpegversion=4").
    QString format;
    // Pictures: the turn that shows them upright ("rotate-90"), as phones tag their recordings;
    // empty when they show as stored.
    QString orientation;
};

// A chapter of the file, on the file's own clock, in 100-ns units.
struct SourceChapter {
    int64_t start = 0;
    int64_t stop = 0;
    QString title;
    bool operator==(const SourceChapter&) const = default;
};

// What a file holds beside its pictures and sound.
struct SourceContents {
    std::vector<SourceTrack> tracks;  // in the file's order
    std::vector<SourceChapter> chapters;
    // When it was recorded (phones and cameras store it), in seconds since 1970 UTC; nullopt
    // when the file does not say.
    std::optional<int64_t> recordedAt;
    // The tracks beside the pictures and the sound that nothing installed reads, by codec.
    QStringList unreadable;
};

// Nullopt (with errorText) when the file cannot be read.
std::optional<SourceContents> readSourceContents(const QString& path, QString* errorText = nullptr);

// The chapters that lie in the span [start, stop) of the file's clock, moved to count from the
// span's start and cut to it; chapters that only touch the span are left out.
std::vector<SourceChapter> chaptersInSpan(const std::vector<SourceChapter>& chapters, int64_t start,
                                          int64_t stop);

// "sound 2: MPEG-4 AAC, 2 channels, ger, Kommentar": one line of quenzel-convert --tracks.
QString describeTrack(const SourceTrack& track);

// How a person tells the track from the others: "eng, Main"; empty when it has neither.
QString trackLanguageAndTitle(const SourceTrack& track);
