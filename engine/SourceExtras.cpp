#include "engine/SourceExtras.h"

#include "media/ChapterToc.h"
#include "media/Elements.h"
#include "media/SubtitleCues.h"
#include "media/Timeline.h"

std::optional<SourceExtras> SourceExtras::read(const Timeline& timeline) {
    if (timeline.groupCount() == 0 || timeline.group(0)->tracks().size() != 1 ||
        timeline.group(0)->tracks().front()->sources().size() != 1) {
        return std::nullopt;
    }
    const TimelineSource& source = *timeline.group(0)->tracks().front()->sources().front();
    return read(source.mediaName(), source.mediaStart(), source.mediaStop());
}

std::optional<SourceExtras> SourceExtras::read(const QString& path, int64_t start, int64_t stop) {
    std::optional<SourceContents> contents = readSourceContents(path);
    if (!contents) {
        return std::nullopt;
    }
    SourceExtras extras;
    extras.path_ = path;
    extras.contents_ = std::move(*contents);
    extras.start_ = start;
    extras.stop_ = stop;
    return extras;
}

void SourceExtras::giveWriter(GstElement* writer) const {
    setWriterChapters(writer, chaptersInSpan(contents_.chapters, start_, stop_));
    // The recording time stays the source's, not the time of the conversion.
    if (contents_.recordedAt && hasProperty(writer, "creation-time")) {
        if (GDateTime* recorded = g_date_time_new_from_unix_utc(*contents_.recordedAt)) {
            g_object_set(writer, "creation-time", recorded, nullptr);
            g_date_time_unref(recorded);
        }
    }
}

GObjectPtr<GstElement> SourceExtras::makeCueSource(const SourceTrack& track, bool markup,
                                                   CuePacer* pacer) const {
    std::optional<SubtitlePackets> read;
    if (track.text) {
        std::optional<std::vector<SubtitleCue>> cues =
            readSubtitleCues(track.file.isEmpty() ? path_ : track.file, track.streamId);
        if (cues) {
            read = SubtitlePackets{
                .cues = std::move(*cues),
                .caps = GstCapsPtr(gst_caps_new_simple("text/x-raw", "format", G_TYPE_STRING,
                                                       markup ? "pango-markup" : "utf8", nullptr)),
                .events = {}};
        }
    } else {
        // Pictures (DVD subtitles) go to the writer as the source holds them.
        read = readSubtitlePackets(path_, track.streamId, false);
    }
    GObjectPtr<GstElement> source;
    if (!read || !read->caps || failed(makeElement("appsrc", nullptr, &source))) {
        return nullptr;
    }
    const std::vector<SubtitleCue> shown = cuesInSpan(read->cues, start_, stop_);
    if (shown.empty()) {
        return nullptr;
    }
    g_object_set(source.get(), "caps", read->caps.get(), "format", GST_FORMAT_TIME, nullptr);
    tagCueStream(source.get(), track.language, track.title);
    for (const GstStructurePtr& event : read->events) {
        gst_element_send_event(source.get(), gst_event_new_custom(GST_EVENT_CUSTOM_DOWNSTREAM,
                                                                  gst_structure_copy(event.get())));
    }
    std::vector<CuePacer::Cue> given;
    for (const SubtitleCue& cue : shown) {
        given.push_back({.start = GstClockTime(cue.start) * 100,
                         .stop = GstClockTime(cue.stop) * 100,
                         .text = markup ? subtitleMarkupOfText(cue.text) : cue.text});
    }
    if (pacer) {
        pacer->addTrack(source.get(), std::move(given), GstClockTime(stop_ - start_) * 100);
    } else {
        CuePacer::giveAll(source.get(), given);
    }
    return source;
}
