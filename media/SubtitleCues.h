#pragma once

#include <gst/gst.h>

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "media/GPtr.h"

// One subtitle as a reader gives it: its text (UTF-8, SRT's own markup kept) and when it shows,
// on the file's clock in 100-ns units.
struct SubtitleCue {
    int64_t start = 0;
    int64_t stop = 0;
    QByteArray text;
    bool operator==(const SubtitleCue&) const = default;
};

// The packets of one subtitle stream as the file holds them, with their caps and the events
// that come ahead of them (the colours of DVD subtitles).
struct SubtitlePackets {
    std::vector<SubtitleCue> cues;  // text: the packet's bytes
    GstCapsPtr caps;
    std::vector<GstStructurePtr> events;
};

// The packets of stream `streamId` (a text one, or the first text stream when it is empty and
// `text` is set), read without decoding. Nullopt (with errorText) when the file cannot be read
// or has no such stream.
std::optional<SubtitlePackets> readSubtitlePackets(const QString& path, const QString& streamId,
                                                   bool text, QString* errorText = nullptr);

// Every cue of a text subtitle stream: `streamId` of the file, or the first text stream when it
// is empty (a .srt file). Only the file's packets are read, nothing is decoded. Nullopt (with
// errorText) when the file cannot be read or has no such stream.
std::optional<std::vector<SubtitleCue>> readSubtitleCues(const QString& path,
                                                         const QString& streamId,
                                                         QString* errorText = nullptr);

// The cues that show during [start, stop), moved to count from start and cut to the span: a cue
// that began before the start keeps the part that remains.
std::vector<SubtitleCue> cuesInSpan(const std::vector<SubtitleCue>& cues, int64_t start,
                                    int64_t stop);

// The text of GStreamer's Pango markup as a subtitle file stores it: entities read back, the
// italic, bold and underline tags kept as SRT writes them, other tags dropped.
QByteArray subtitleTextOfMarkup(const QByteArray& markup);

// The other way, for drawing: the text escaped as Pango markup, its italic, bold and underline
// tags kept.
QByteArray subtitleMarkupOfText(const QByteArray& text);

// Gives the stream of `source` (an app source of cues) its language and title: called before
// its first cue is given.
void tagCueStream(GstElement* source, const QString& language, const QString& title);

// Subtitle files beside a source that players take with it: "clip.srt" and "clip.<lang>.srt"
// for "clip.mp4", by name.
std::vector<QString> subtitleFilesBeside(const QString& source);
