#include "media/SubtitleCues.h"

#include <gst/app/gstappsink.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <mutex>

#include "media/Elements.h"
#include "media/GPtr.h"
#include "media/MediaFile.h"
#include "media/SpanCut.h"

namespace {

constexpr GstClockTime kReadTimeout = 60 * GST_SECOND;

struct CueReading {
    GstElement* pipeline = nullptr;  // not owned
    QString streamId;
    bool text = true;
    bool linked = false;
    std::mutex mutex;
    std::vector<GstStructurePtr> events;
};

void onParsedPad(GstElement*, GstPad* pad, gpointer data) {
    auto* reading = static_cast<CueReading*>(data);
    GCharPtr rawId(gst_pad_get_stream_id(pad));
    const QString streamId = QString::fromUtf8(rawId.get());
    const bool text = padCarries(pad, "text/x-raw");
    std::lock_guard lock(reading->mutex);
    const bool wanted = reading->text
                            ? text && (reading->streamId.isEmpty() || reading->streamId == streamId)
                            : reading->streamId == streamId;
    if (wanted && !reading->linked) {
        GObjectPtr<GstElement> sink(gst_bin_get_by_name(GST_BIN(reading->pipeline), "cues"));
        GObjectPtr<GstPad> input(gst_element_get_static_pad(sink.get(), "sink"));
        reading->linked = gst_pad_link(pad, input.get()) == GST_PAD_LINK_OK;
        return;
    }
    // The pictures and the sound are read past, as packets.
    linkToFakeSink(GST_BIN(reading->pipeline), pad, false);
}

}  // namespace

std::optional<SubtitlePackets> readSubtitlePackets(const QString& path, const QString& streamId,
                                                   bool text, QString* errorText) {
    auto fail = [errorText](const QString& text) {
        if (errorText) {
            *errorText = text;
        }
        return std::nullopt;
    };
    GObjectPtr<GstElement> pipeline(gst_pipeline_new("subtitles"));
    GObjectPtr<GstElement> source;
    GObjectPtr<GstElement> parser;
    GObjectPtr<GstElement> sink;
    // A subtitle file is SubRip by its name. Read it straight: finding a file's type takes its
    // first 129 bytes, and a file of one short cue has fewer.
    const bool subRipFile =
        text && streamId.isEmpty() && path.endsWith(QLatin1String(".srt"), Qt::CaseInsensitive);
    if (failed(makeElement(subRipFile ? "filesrc" : "urisourcebin", nullptr, &source)) ||
        failed(makeElement(subRipFile ? "subparse" : "parsebin", nullptr, &parser)) ||
        failed(makeElement("appsink", "cues", &sink))) {
        return fail(missingElementDescription(subRipFile ? "subparse" : "parsebin"));
    }
    if (subRipFile) {
        g_object_set(source.get(), "location", QFile::encodeName(path).constData(), nullptr);
    } else {
        g_object_set(source.get(), "uri", fileUri(path).toUtf8().constData(), nullptr);
    }
    g_object_set(sink.get(), "sync", FALSE, "max-buffers", 0u, nullptr);
    CueReading reading;
    reading.pipeline = pipeline.get();
    reading.streamId = streamId;
    reading.text = text;
    gst_bin_add_many(GST_BIN(pipeline.get()), source.get(), parser.get(), sink.get(), nullptr);
    if (subRipFile) {
        reading.linked = gst_element_link_many(source.get(), parser.get(), sink.get(), nullptr);
    } else {
        g_signal_connect(
            source.get(), "pad-added", G_CALLBACK(+[](GstElement*, GstPad* pad, gpointer parse) {
                GObjectPtr<GstPad> input(gst_element_get_static_pad(GST_ELEMENT(parse), "sink"));
                gst_pad_link(pad, input.get());
            }),
            parser.get());
        g_signal_connect(parser.get(), "pad-added", G_CALLBACK(&onParsedPad), &reading);
    }
    // The colours of DVD subtitles come as an event ahead of them.
    GObjectPtr<GstPad> sinkInput(gst_element_get_static_pad(sink.get(), "sink"));
    gst_pad_add_probe(
        sinkInput.get(), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM,
        [](GstPad*, GstPadProbeInfo* info, gpointer data) {
            GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
            if (GST_EVENT_TYPE(event) == GST_EVENT_CUSTOM_DOWNSTREAM ||
                GST_EVENT_TYPE(event) == GST_EVENT_CUSTOM_DOWNSTREAM_STICKY) {
                auto* reading = static_cast<CueReading*>(data);
                std::lock_guard lock(reading->mutex);
                reading->events.emplace_back(gst_structure_copy(gst_event_get_structure(event)));
            }
            return GST_PAD_PROBE_OK;
        },
        &reading, nullptr);

    SubtitlePackets read;
    if (gst_element_set_state(pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        gst_element_set_state(pipeline.get(), GST_STATE_NULL);
        return fail(QStringLiteral("The subtitles cannot be read."));
    }
    auto* appSink = GST_APP_SINK(sink.get());
    GObjectPtr<GstBus> bus(gst_element_get_bus(pipeline.get()));
    const gint64 deadline = g_get_monotonic_time() + gint64(kReadTimeout / 1000);
    QString error;
    for (;;) {
        GstSample* sample = gst_app_sink_try_pull_sample(appSink, 20 * GST_MSECOND);
        if (sample) {
            GstBuffer* buffer = gst_sample_get_buffer(sample);
            if (!read.caps) {
                read.caps.reset(gst_caps_ref(gst_sample_get_caps(sample)));
            }
            GstMapInfo map;
            if (GST_BUFFER_PTS_IS_VALID(buffer) && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
                QByteArray bytes(reinterpret_cast<const char*>(map.data), qsizetype(map.size));
                gst_buffer_unmap(buffer, &map);
                const auto start = static_cast<int64_t>(GST_BUFFER_PTS(buffer) / 100);
                const int64_t length = GST_BUFFER_DURATION_IS_VALID(buffer)
                                           ? static_cast<int64_t>(GST_BUFFER_DURATION(buffer) / 100)
                                           : 0;
                read.cues.push_back({start, start + length, std::move(bytes)});
            }
            gst_sample_unref(sample);
            continue;
        }
        if (gst_app_sink_is_eos(appSink)) {
            break;
        }
        GstMessagePtr message(gst_bus_pop_filtered(bus.get(), GST_MESSAGE_ERROR));
        if (message) {
            error = errorTextOf(message.get(), QStringLiteral("?"));
            break;
        }
        if (g_get_monotonic_time() > deadline) {
            error = statusText(status::kTimeout);
            break;
        }
    }
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    if (!error.isEmpty()) {
        return fail(error);
    }
    if (!reading.linked) {
        return fail(QStringLiteral("The file has no such subtitle track."));
    }
    std::stable_sort(read.cues.begin(), read.cues.end(),
                     [](const SubtitleCue& a, const SubtitleCue& b) { return a.start < b.start; });
    std::lock_guard lock(reading.mutex);
    read.events = std::move(reading.events);
    return read;
}

std::optional<std::vector<SubtitleCue>> readSubtitleCues(const QString& path,
                                                         const QString& streamId,
                                                         QString* errorText) {
    std::optional<SubtitlePackets> read = readSubtitlePackets(path, streamId, true, errorText);
    if (!read) {
        return std::nullopt;
    }
    const GstStructure* caps = read->caps ? gst_caps_get_structure(read->caps.get(), 0) : nullptr;
    const char* format = caps ? gst_structure_get_string(caps, "format") : nullptr;
    const bool markup = format && g_str_equal(format, "pango-markup");
    for (SubtitleCue& cue : read->cues) {
        // Text ends at its first NUL, as the readers of these formats take it.
        cue.text.truncate(qsizetype(qstrnlen(cue.text.constData(), size_t(cue.text.size()))));
        if (markup) {
            cue.text = subtitleTextOfMarkup(cue.text);
        }
    }
    return std::move(read->cues);
}

std::vector<SubtitleCue> cuesInSpan(const std::vector<SubtitleCue>& items, int64_t start,
                                    int64_t stop) {
    return cutToSpan(items, start, stop);
}

QByteArray subtitleTextOfMarkup(const QByteArray& markup) {
    static const QRegularExpression kTag(QStringLiteral("<(/?)([A-Za-z]+)[^>]*>"));
    const QString source = QString::fromUtf8(markup);
    QString text;
    qsizetype at = 0;
    for (auto match = kTag.globalMatch(source); match.hasNext();) {
        const QRegularExpressionMatch tag = match.next();
        text += source.mid(at, tag.capturedStart() - at);
        const QString name = tag.captured(2).toLower();
        if (name == QLatin1String("i") || name == QLatin1String("b") ||
            name == QLatin1String("u")) {
            text += QLatin1Char('<') + tag.captured(1) + name + QLatin1Char('>');
        }
        at = tag.capturedEnd();
    }
    text += source.mid(at);
    static const std::pair<const char*, const char*> kEntities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [entity, character] : kEntities) {
        text.replace(QLatin1String(entity), QLatin1String(character));
    }
    return text.toUtf8();
}

std::vector<QString> subtitleFilesBeside(const QString& source) {
    const QFileInfo info(source);
    const QString base = info.completeBaseName();
    std::vector<QString> found;
    const QStringList names = QDir(info.absolutePath()).entryList(QDir::Files, QDir::Name);
    for (const QString& name : names) {
        if (!name.endsWith(QLatin1String(".srt"), Qt::CaseInsensitive)) {
            continue;
        }
        const QString stem = name.left(name.size() - 4);
        static const QRegularExpression kLanguage(QStringLiteral("^[A-Za-z]{2,3}(-[A-Za-z]+)?$"));
        if (stem == base || (stem.startsWith(base + QLatin1Char('.')) &&
                             kLanguage.match(stem.mid(base.size() + 1)).hasMatch())) {
            found.push_back(info.absolutePath() + QLatin1Char('/') + name);
        }
    }
    return found;
}

QByteArray subtitleMarkupOfText(const QByteArray& text) {
    GCharPtr escaped(g_markup_escape_text(text.constData(), text.size()));
    QByteArray markup(escaped.get());
    for (const char* tag : {"i", "b", "u"}) {
        markup.replace(QByteArray("&lt;") + tag + "&gt;", QByteArray("<") + tag + ">");
        markup.replace(QByteArray("&lt;/") + tag + "&gt;", QByteArray("</") + tag + ">");
    }
    return markup;
}

void tagCueStream(GstElement* source, const QString& language, const QString& title) {
    GstTagList* tags = gst_tag_list_new_empty();
    if (!language.isEmpty()) {
        gst_tag_list_add(tags, GST_TAG_MERGE_REPLACE, GST_TAG_LANGUAGE_CODE,
                         language.toUtf8().constData(), nullptr);
    }
    if (!title.isEmpty()) {
        gst_tag_list_add(tags, GST_TAG_MERGE_REPLACE, GST_TAG_TITLE, title.toUtf8().constData(),
                         nullptr);
    }
    gst_tag_list_set_scope(tags, GST_TAG_SCOPE_STREAM);
    // Queued by the app source in front of everything given to it after this.
    gst_element_send_event(source, gst_event_new_tag(tags));
}
