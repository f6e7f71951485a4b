#include "engine/SourceExtras.h"

#include <gst/app/gstappsrc.h>

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
    std::optional<SourceContents> contents = readSourceContents(source.mediaName());
    if (!contents) {
        return std::nullopt;
    }
    SourceExtras extras;
    extras.path_ = source.mediaName();
    extras.contents_ = std::move(*contents);
    extras.start_ = source.mediaStart();
    extras.stop_ = source.mediaStop();
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

GObjectPtr<GstElement> SourceExtras::makeCueSource(const SourceTrack& track, bool markup) const {
    const std::optional<std::vector<SubtitleCue>> cues =
        readSubtitleCues(track.file.isEmpty() ? path_ : track.file, track.streamId);
    if (!cues) {
        return nullptr;
    }
    const std::vector<SubtitleCue> shown = cuesInSpan(*cues, start_, stop_);
    GObjectPtr<GstElement> source;
    if (shown.empty() || failed(makeElement("appsrc", nullptr, &source))) {
        return nullptr;
    }
    GstCapsPtr caps(gst_caps_new_simple("text/x-raw", "format", G_TYPE_STRING,
                                        markup ? "pango-markup" : "utf8", nullptr));
    g_object_set(source.get(), "caps", caps.get(), "format", GST_FORMAT_TIME, nullptr);
    for (const SubtitleCue& cue : shown) {
        const QByteArray text = markup ? subtitleMarkupOfText(cue.text) : cue.text;
        GstBuffer* buffer = gst_buffer_new_memdup(text.constData(), size_t(text.size()));
        GST_BUFFER_PTS(buffer) = GstClockTime(cue.start) * 100;
        GST_BUFFER_DURATION(buffer) = GstClockTime(cue.stop - cue.start) * 100;
        gst_app_src_push_buffer(GST_APP_SRC(source.get()), buffer);
    }
    gst_app_src_end_of_stream(GST_APP_SRC(source.get()));
    tagCueStream(source.get(), track.language, track.title);
    return source;
}
