#include "media/SourceTracks.h"

#include <gst/pbutils/pbutils.h>

#include <QFileInfo>
#include <QStringList>
#include <algorithm>

#include "media/GPtr.h"
#include "media/MediaFile.h"
#include "media/SpanCut.h"
#include "media/SubtitleCues.h"

namespace {

constexpr GstClockTime kReadTimeout = 10 * GST_SECOND;

QString tagString(const GstTagList* tags, const char* tag) {
    gchar* raw = nullptr;
    if (!tags || !gst_tag_list_get_string(tags, tag, &raw)) {
        return {};
    }
    GCharPtr value(raw);
    return QString::fromUtf8(value.get());
}

QString codecOf(GstDiscovererStreamInfo* stream);

// A stream that nothing installed reads, by the codec its reader names where it knows it
// ("S_TEXT/WEBVTT"); empty when it is read.
QString unreadableCodecOf(GstDiscovererStreamInfo* stream) {
    GstCapsPtr caps(gst_discoverer_stream_info_get_caps(stream));
    const GstStructure* structure =
        caps && gst_caps_get_size(caps.get()) > 0 ? gst_caps_get_structure(caps.get(), 0) : nullptr;
    if (structure && !g_str_has_suffix(gst_structure_get_name(structure), "-unknown")) {
        return {};
    }
    const char* codecId = structure ? gst_structure_get_string(structure, "codec-id") : nullptr;
    if (codecId) {
        return QString::fromUtf8(codecId);
    }
    return structure && gst_structure_has_name(structure, "application/x-subtitle-unknown")
               ? QStringLiteral("subtitles of an unknown kind")
               : codecOf(stream);
}

QString codecOf(GstDiscovererStreamInfo* stream) {
    GstCapsPtr caps(gst_discoverer_stream_info_get_caps(stream));
    if (!caps) {
        return QStringLiteral("unknown");
    }
    GCharPtr description(gst_pb_utils_get_codec_description(caps.get()));
    return description
               ? QString::fromUtf8(description.get())
               : QString::fromUtf8(gst_structure_get_name(gst_caps_get_structure(caps.get(), 0)));
}

// The chapters of a table of contents, nested editions and chapters flattened in order.
void collectChapters(GList* entries, std::vector<SourceChapter>* chapters) {
    for (GList* item = entries; item; item = item->next) {
        auto* entry = static_cast<GstTocEntry*>(item->data);
        gint64 start = 0;
        gint64 stop = 0;
        if (gst_toc_entry_get_entry_type(entry) == GST_TOC_ENTRY_TYPE_CHAPTER &&
            gst_toc_entry_get_start_stop_times(entry, &start, &stop) && stop > start) {
            chapters->push_back({.start = start / 100,
                                 .stop = stop / 100,
                                 .title = tagString(gst_toc_entry_get_tags(entry), GST_TAG_TITLE)});
        }
        collectChapters(gst_toc_entry_get_sub_entries(entry), chapters);
    }
}

}  // namespace

std::vector<SourceChapter> chaptersInSpan(const std::vector<SourceChapter>& items, int64_t start,
                                          int64_t stop) {
    return cutToSpan(items, start, stop);
}

std::optional<SourceContents> readSourceContents(const QString& path, QString* errorText) {
    GError* rawError = nullptr;
    GObjectPtr<GstDiscoverer> discoverer(gst_discoverer_new(kReadTimeout, &rawError));
    GErrorPtr createError(rawError);
    if (!discoverer) {
        if (errorText) {
            *errorText = createError ? QString::fromUtf8(createError->message) : QString();
        }
        return std::nullopt;
    }
    rawError = nullptr;
    GObjectPtr<GstDiscovererInfo> info(gst_discoverer_discover_uri(
        discoverer.get(), fileUri(path).toUtf8().constData(), &rawError));
    GErrorPtr discoverError(rawError);
    const GstDiscovererResult result =
        info ? gst_discoverer_info_get_result(info.get()) : GST_DISCOVERER_ERROR;
    if (result != GST_DISCOVERER_OK &&
        !(result == GST_DISCOVERER_MISSING_PLUGINS && missesOnlyExtraTracks(info.get()))) {
        if (errorText) {
            *errorText = discoverError ? QString::fromUtf8(discoverError->message)
                                       : QStringLiteral("The file cannot be read.");
        }
        return std::nullopt;
    }
    SourceContents contents;
    std::vector<SourceTrack>& tracks = contents.tracks;
    if (const GstToc* toc = gst_discoverer_info_get_toc(info.get())) {
        collectChapters(gst_toc_get_entries(toc), &contents.chapters);
    }
    if (const GstTagList* tags = gst_discoverer_info_get_tags(info.get())) {
        GstDateTime* recorded = nullptr;
        if (gst_tag_list_get_date_time(tags, GST_TAG_DATE_TIME, &recorded)) {
            if (gst_date_time_has_time(recorded)) {
                if (GDateTime* time = gst_date_time_to_g_date_time(recorded)) {
                    contents.recordedAt = g_date_time_to_unix(time);
                    g_date_time_unref(time);
                }
            }
            gst_date_time_unref(recorded);
        }
    }
    int counts[3] = {0, 0, 0};
    GList* streams = gst_discoverer_info_get_stream_list(info.get());
    for (GList* item = streams; item; item = item->next) {
        auto* stream = static_cast<GstDiscovererStreamInfo*>(item->data);
        SourceTrack track;
        if (GST_IS_DISCOVERER_VIDEO_INFO(stream)) {
            track.kind = SourceTrack::Kind::Video;
        } else if (GST_IS_DISCOVERER_AUDIO_INFO(stream)) {
            track.kind = SourceTrack::Kind::Sound;
            track.channels = static_cast<int>(
                gst_discoverer_audio_info_get_channels(GST_DISCOVERER_AUDIO_INFO(stream)));
            track.language = QString::fromUtf8(
                gst_discoverer_audio_info_get_language(GST_DISCOVERER_AUDIO_INFO(stream)));
        } else if (GST_IS_DISCOVERER_SUBTITLE_INFO(stream)) {
            if (const QString unreadable = unreadableCodecOf(stream); !unreadable.isEmpty()) {
                contents.unreadable << unreadable;
                continue;
            }
            track.kind = SourceTrack::Kind::Subtitles;
            track.language = QString::fromUtf8(
                gst_discoverer_subtitle_info_get_language(GST_DISCOVERER_SUBTITLE_INFO(stream)));
        } else {
            // The container itself, or a stream of data beside the media.
            if (const QString unreadable = unreadableCodecOf(stream);
                !unreadable.isEmpty() && !GST_IS_DISCOVERER_CONTAINER_INFO(stream)) {
                contents.unreadable << unreadable;
            }
            continue;
        }
        track.number = ++counts[static_cast<int>(track.kind)];
        track.streamId = QString::fromUtf8(gst_discoverer_stream_info_get_stream_id(stream));
        track.codec = codecOf(stream);
        GstCapsPtr caps(gst_discoverer_stream_info_get_caps(stream));
        const char* name = caps && !gst_caps_is_empty(caps.get())
                               ? gst_structure_get_name(gst_caps_get_structure(caps.get(), 0))
                               : "";
        track.format = QString::fromUtf8(name);
        // MPEG-1, MPEG-2 and MPEG-4 Part 2 pictures share a media type, and so do DivX 3 (no
        // MPEG-4 Part 2) and DivX 4 and 5: their version tells them apart.
        struct Versioned {
            const char* mediaType;
            const char* field;
        };
        for (const Versioned versioned :
             {Versioned{"video/mpeg", "mpegversion"}, Versioned{"video/x-divx", "divxversion"}}) {
            int version = 0;
            if (track.kind == SourceTrack::Kind::Video && track.format == versioned.mediaType &&
                gst_structure_get_int(gst_caps_get_structure(caps.get(), 0), versioned.field,
                                      &version)) {
                track.format += QStringLiteral(",%1=%2").arg(versioned.field).arg(version);
            }
        }
        if (track.kind == SourceTrack::Kind::Subtitles) {
            track.text = g_str_has_prefix(name, "text/") ||
                         g_str_has_prefix(name, "application/x-ssa") ||
                         g_str_has_prefix(name, "application/x-ass");
        }
        const GstTagList* tags = gst_discoverer_stream_info_get_tags(stream);
        if (track.language.isEmpty()) {
            track.language = tagString(tags, GST_TAG_LANGUAGE_CODE);
        }
        track.title = tagString(tags, GST_TAG_TITLE);
        if (track.kind == SourceTrack::Kind::Video) {
            track.orientation = tagString(tags, GST_TAG_IMAGE_ORIENTATION);
            if (track.orientation == QLatin1String("rotate-0")) {
                track.orientation.clear();
            }
        }
        tracks.push_back(track);
    }
    gst_discoverer_stream_info_list_free(streams);
    // Subtitle files beside the source count as its tracks, after its own.
    for (const QString& file : subtitleFilesBeside(path)) {
        SourceTrack track;
        track.kind = SourceTrack::Kind::Subtitles;
        track.number = ++counts[static_cast<int>(track.kind)];
        track.codec = QStringLiteral("SubRip (%1)").arg(QFileInfo(file).fileName());
        const QStringList parts = QFileInfo(file).completeBaseName().split(QLatin1Char('.'));
        track.language = parts.size() > 1 && parts.last().size() <= 3 ? parts.last() : QString();
        track.text = true;
        track.file = file;
        tracks.push_back(track);
    }
    return contents;
}

QString trackLanguageAndTitle(const SourceTrack& track) {
    QStringList facts;
    for (const QString& fact : {track.language, track.title}) {
        if (!fact.isEmpty()) {
            facts << fact;
        }
    }
    return facts.join(QStringLiteral(", "));
}

QString describeTrack(const SourceTrack& track) {
    static const char* const kKinds[] = {"video", "sound", "subtitles"};
    QStringList facts{track.codec};
    if (track.kind == SourceTrack::Kind::Sound) {
        facts << QStringLiteral("%1 channel%2")
                     .arg(track.channels)
                     .arg(track.channels == 1 ? "" : "s");
    }
    facts << (track.language.isEmpty() ? QStringLiteral("-") : track.language);
    if (!track.title.isEmpty()) {
        facts << track.title;
    }
    return QStringLiteral("%1 %2: %3")
        .arg(QLatin1String(kKinds[static_cast<int>(track.kind)]))
        .arg(track.number)
        .arg(facts.join(QStringLiteral(", ")));
}
