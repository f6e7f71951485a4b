#include "media/MediaFile.h"

#include <malloc.h>

#include <gst/base/gsttypefindhelper.h>
#include <gst/pbutils/pbutils.h>

#include <QFileInfo>
#include <cstring>
#include <utility>

#include "media/GPtr.h"
#include "media/StreamTimes.h"

struct MediaFacts {
    GstClockTime duration = GST_CLOCK_TIME_NONE;  // the length from the first picture
    int64_t firstPicture = 0;                     // 100-ns units of the file's clock
    int64_t firstSound = 0;                       // the sound's clock at that picture
    bool hasVideo = false;
    bool hasAudio = false;
    int32_t width = 0;
    int32_t height = 0;
    int framerateNumerator = 0;
    int framerateDenominator = 1;
};

namespace {

// Discovery waits for the first frames; a file that gives none within this time is not playable.
constexpr GstClockTime kDiscoveryTimeout = 10 * GST_SECOND;

int64_t toHundredNanoseconds(GstClockTime time) {
    return static_cast<int64_t>(time / 100);
}

// A picture turned a quarter or three quarters is shown with its width and height swapped. Phone
// recordings are stored landscape and tagged with the turn that shows them upright.
bool isTurnedSideways(GstDiscovererStreamInfo* stream) {
    const GstTagList* tags = gst_discoverer_stream_info_get_tags(stream);
    gchar* rawOrientation = nullptr;
    if (!tags || !gst_tag_list_get_string(tags, GST_TAG_IMAGE_ORIENTATION, &rawOrientation)) {
        return false;
    }
    GCharPtr orientation(rawOrientation);
    return g_str_has_suffix(orientation.get(), "-90") ||
           g_str_has_suffix(orientation.get(), "-270");
}

void collectVideo(GstDiscovererInfo* info, MediaFacts* facts) {
    GList* streams = gst_discoverer_info_get_video_streams(info);
    for (GList* item = streams; item; item = item->next) {
        auto* video = GST_DISCOVERER_VIDEO_INFO(item->data);
        // A still image shows up as a video stream too; it has a size but no frame rate.
        if (gst_discoverer_video_info_get_width(video) == 0) {
            continue;
        }
        facts->hasVideo = true;
        facts->width = static_cast<int32_t>(gst_discoverer_video_info_get_width(video));
        facts->height = static_cast<int32_t>(gst_discoverer_video_info_get_height(video));
        if (isTurnedSideways(GST_DISCOVERER_STREAM_INFO(video))) {
            std::swap(facts->width, facts->height);
        }
        facts->framerateNumerator =
            static_cast<int>(gst_discoverer_video_info_get_framerate_num(video));
        facts->framerateDenominator =
            static_cast<int>(gst_discoverer_video_info_get_framerate_denom(video));
        break;
    }
    gst_discoverer_stream_info_list_free(streams);
}

// The caps of an MPEG program or transport stream, whose length GStreamer estimates from clock
// readings; nullptr for any other file.
GstCapsPtr mpegSystemStreamCaps(GstDiscovererInfo* info) {
    GObjectPtr<GstDiscovererStreamInfo> top(gst_discoverer_info_get_stream_info(info));
    if (!top || !GST_IS_DISCOVERER_CONTAINER_INFO(top.get())) {
        return nullptr;
    }
    GstCapsPtr caps(gst_discoverer_stream_info_get_caps(top.get()));
    if (!caps || gst_caps_get_size(caps.get()) == 0) {
        return nullptr;
    }
    const GstStructure* structure = gst_caps_get_structure(caps.get(), 0);
    gboolean system = FALSE;
    const bool mpeg = gst_structure_has_name(structure, "video/mpegts") ||
                      (gst_structure_has_name(structure, "video/mpeg") &&
                       gst_structure_get_boolean(structure, "systemstream", &system) && system);
    return mpeg ? std::move(caps) : nullptr;
}

// MP4 and Matroska keep their lengths in milliseconds, rounded up: a clip of ten pictures at
// 30 per second lasts 334 ms there, which would make room for an eleventh. A length less than a
// millisecond beyond a whole number of pictures ends with the last of them.
GstClockTime withoutMillisecondRounding(GstClockTime duration, const MediaFacts& facts) {
    if (facts.framerateNumerator <= 0 || facts.framerateDenominator <= 0) {
        return duration;
    }
    const guint64 pictures =
        gst_util_uint64_scale(duration, guint64(facts.framerateNumerator),
                              GST_SECOND * guint64(facts.framerateDenominator));
    const GstClockTime whole =
        gst_util_uint64_scale_ceil(pictures, GST_SECOND * guint64(facts.framerateDenominator),
                                   guint64(facts.framerateNumerator));
    return pictures > 0 && duration > whole && duration - whole <= GST_MSECOND ? whole : duration;
}

// Where the first picture lies on the file's clock, and the length from there: for MPEG system
// streams, whose readers give an estimated length, from the last picture's own time.
void measureFromFirstPicture(const QString& path, GstDiscovererInfo* info, MediaFacts* facts) {
    FirstPicture first;
    if (facts->hasVideo && succeeded(firstShownPicture(fileUri(path), &first))) {
        facts->firstPicture = first.clockTime;
        facts->firstSound = first.soundClockTime;
    }
    if (!GST_CLOCK_TIME_IS_VALID(facts->duration)) {
        return;
    }
    const GstCapsPtr container = mpegSystemStreamCaps(info);
    if (!container) {
        // Other readers give the end at the position seeks count to.
        const auto before = static_cast<GstClockTime>(first.position) * 100;
        facts->duration = facts->duration > before ? facts->duration - before : facts->duration;
        facts->duration = withoutMillisecondRounding(facts->duration, *facts);
        return;
    }
    // The last seconds are read (the reader may land a little off) and their packets' ends kept.
    constexpr int64_t kScanned = 3 * 10'000'000;
    const int64_t estimatedEnd = first.position + toHundredNanoseconds(facts->duration);
    int64_t end = 0;
    if (succeeded(lastPictureEnd(path, container.get(), facts->framerateNumerator,
                                 facts->framerateDenominator, estimatedEnd - kScanned, &end)) &&
        end > facts->firstPicture) {
        facts->duration = static_cast<GstClockTime>(end - facts->firstPicture) * 100;
    }
}

// A codec's name as a reader that does not know it labels the stream: AVI by its four-letter
// code, Matroska by its codec ID.
QString unknownCodecName(const GstStructure* structure) {
    int fourcc = 0;
    if (gst_structure_get_int(structure, "fourcc", &fourcc)) {
        const QString code =
            QString::fromLatin1(QByteArray::fromRawData(reinterpret_cast<const char*>(&fourcc), 4))
                .trimmed();
        static const std::pair<const char*, const char*> kKnown[] = {
            {"VP90", "VP9"},   {"VP80", "VP8"},   {"AV01", "AV1"},     {"HEVC", "H.265"},
            {"H265", "H.265"}, {"hev1", "H.265"}, {"cvid", "Cinepak"}, {"theo", "Theora"}};
        for (const auto& [tag, name] : kKnown) {
            if (code == QLatin1String(tag)) {
                return QStringLiteral("%1 (%2)").arg(QLatin1String(name), code);
            }
        }
        return QStringLiteral("the codec \"%1\"").arg(code);
    }
    const gchar* codecId = gst_structure_get_string(structure, "codec-id");
    if (g_strcmp0(codecId, "V_QUICKTIME") == 0) {
        return QStringLiteral("a QuickTime codec (V_QUICKTIME)");
    }
    if (codecId) {
        return QStringLiteral("the codec \"%1\"").arg(QString::fromUtf8(codecId));
    }
    return QString::fromUtf8(gst_structure_get_name(structure));
}

QString codecDescription(GstCaps* caps) {
    if (!caps || gst_caps_get_size(caps) == 0) {
        return {};
    }
    const GstStructure* structure = gst_caps_get_structure(caps, 0);
    const char* media = gst_structure_get_name(structure);
    if (g_str_has_suffix(media, "-unknown") || g_str_has_suffix(media, "/x-unknown")) {
        return unknownCodecName(structure);
    }
    // QuickTime's reader names a sample type it does not know by its code.
    if (const char* code = std::strstr(media, "/x-gst-fourcc-")) {
        return QStringLiteral("the codec \"%1\"").arg(QString::fromUtf8(code + 14));
    }
    GCharPtr description(gst_pb_utils_get_codec_description(caps));
    return description ? QString::fromUtf8(description.get()) : QString::fromUtf8(media);
}

// The kind of file, as GStreamer's type finder names it from the first bytes.
QString containerDescription(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray head = file.read(64 * 1024);
    GstCapsPtr caps(gst_type_find_helper_for_data(
        nullptr, reinterpret_cast<const guint8*>(head.constData()), gsize(head.size()), nullptr));
    return codecDescription(caps.get());
}

// What the file holds that nothing installed can read, in one sentence: "This Audio Video
// Interleave (AVI) file holds video as VP9 (VP90), which no installed GStreamer component can
// read." The installer details name each missing decoder by the caps it would take.
QString missingPluginsText(const QString& path, GstDiscovererInfo* info) {
    QStringList unreadable;
    const gchar** details = gst_discoverer_info_get_missing_elements_installer_details(info);
    for (const gchar** detail = details; detail && *detail; ++detail) {
        // "gstreamer|1.0|app|description|decoder-CAPS"
        const QStringList fields = QString::fromUtf8(*detail).split('|');
        const QString wanted = fields.value(4);
        if (!wanted.startsWith(QLatin1String("decoder-"))) {
            unreadable.append(fields.size() > 3 ? fields.at(3) : QString::fromUtf8(*detail));
            continue;
        }
        GstCapsPtr caps(gst_caps_from_string(wanted.mid(8).toUtf8().constData()));
        if (!caps || gst_caps_get_size(caps.get()) == 0) {
            unreadable.append(fields.value(3));
            continue;
        }
        const QString media =
            QString::fromUtf8(gst_structure_get_name(gst_caps_get_structure(caps.get(), 0)));
        unreadable.append(
            QStringLiteral("%1 as %2").arg(media.section('/', 0, 0), codecDescription(caps.get())));
    }
    if (unreadable.isEmpty()) {
        return QStringLiteral("A codec needed for this file is not installed.");
    }
    const QString container = containerDescription(path);
    const QString holder = container.isEmpty() ? QStringLiteral("This file")
                                               : QStringLiteral("This %1 file").arg(container);
    return QStringLiteral("%1 holds %2, which no installed GStreamer component can read.")
        .arg(holder, unreadable.join(QStringLiteral(" and ")));
}

}  // namespace

bool missesOnlyExtraTracks(GstDiscovererInfo* info) {
    const gchar** details = gst_discoverer_info_get_missing_elements_installer_details(info);
    bool any = false;
    for (const gchar** detail = details; detail && *detail; ++detail) {
        // "gstreamer|1.0|app|description|decoder-CAPS"
        const QString wanted = QString::fromUtf8(*detail).section('|', 4);
        if (!wanted.startsWith(QLatin1String("decoder-"))) {
            return false;
        }
        GstCapsPtr caps(gst_caps_from_string(wanted.mid(8).toUtf8().constData()));
        const char* media = caps && gst_caps_get_size(caps.get()) > 0
                                ? gst_structure_get_name(gst_caps_get_structure(caps.get(), 0))
                                : "video/";
        if (g_str_has_prefix(media, "video/") || g_str_has_prefix(media, "audio/") ||
            g_str_has_prefix(media, "image/")) {
            return false;
        }
        any = true;
    }
    return any;
}

QString fileUri(const QString& path) {
    GError* rawError = nullptr;
    GCharPtr uri(gst_filename_to_uri(QFile::encodeName(path).constData(), &rawError));
    GErrorPtr error(rawError);
    return uri ? QString::fromUtf8(uri.get()) : QString();
}

Status MediaFile::open(const QString& path, std::unique_ptr<MediaFile>* file, QString* errorText) {
    auto explain = [errorText](const QString& text) {
        if (errorText) {
            *errorText = text;
        }
    };
    file->reset();
    const QFileInfo fileInfo(path);
    if (!fileInfo.exists()) {
        explain(statusText(status::kFileNotFound));
        return status::kFileNotFound;
    }
    if (!fileInfo.isFile() || !fileInfo.isReadable()) {
        explain(statusText(status::kAccessDenied));
        return status::kAccessDenied;
    }

    GError* rawError = nullptr;
    GObjectPtr<GstDiscoverer> discoverer(gst_discoverer_new(kDiscoveryTimeout, &rawError));
    GErrorPtr createError(rawError);
    if (!discoverer) {
        explain(createError ? QString::fromUtf8(createError->message) : statusText(status::kFail));
        return status::kFail;
    }

    rawError = nullptr;
    GObjectPtr<GstDiscovererInfo> info(gst_discoverer_discover_uri(
        discoverer.get(), fileUri(path).toUtf8().constData(), &rawError));
    GErrorPtr discoverError(rawError);
    // Discovery decodes a picture on threads of its own; what their allocator keeps of it would
    // otherwise add to the peak of the conversion or playback that follows.
    discoverer.reset();
    malloc_trim(0);
    const GstDiscovererResult result =
        info ? gst_discoverer_info_get_result(info.get()) : GST_DISCOVERER_ERROR;
    switch (result) {
        case GST_DISCOVERER_OK:
            break;
        case GST_DISCOVERER_MISSING_PLUGINS:
            if (missesOnlyExtraTracks(info.get())) {
                break;  // an unreadable subtitle track is left out, with a notice
            }
            explain(missingPluginsText(path, info.get()));
            return status::kNoDecoder;
        case GST_DISCOVERER_TIMEOUT:
            explain(statusText(status::kTimeout));
            return status::kTimeout;
        default:
            explain(discoverError ? QString::fromUtf8(discoverError->message)
                                  : statusText(status::kUnknownFileType));
            return status::kUnknownFileType;
    }

    auto facts = std::make_unique<MediaFacts>();
    facts->duration = gst_discoverer_info_get_duration(info.get());
    collectVideo(info.get(), facts.get());
    measureFromFirstPicture(path, info.get(), facts.get());
    malloc_trim(0);  // the measuring decoded a picture too
    GList* audio = gst_discoverer_info_get_audio_streams(info.get());
    facts->hasAudio = audio != nullptr;
    gst_discoverer_stream_info_list_free(audio);
    if (!facts->hasVideo && !facts->hasAudio) {
        explain(statusText(status::kCannotRender));
        return status::kCannotRender;
    }
    file->reset(new MediaFile(std::move(facts)));
    return status::kOk;
}

MediaFile::MediaFile(std::unique_ptr<MediaFacts> facts) : facts_(std::move(facts)) {}

MediaFile::~MediaFile() = default;

Status MediaFile::stopPosition(int64_t* position) const {
    return duration(position);
}

Status MediaFile::duration(int64_t* length) const {
    if (!GST_CLOCK_TIME_IS_VALID(facts_->duration)) {
        return status::kTimeNotSet;
    }
    *length = toHundredNanoseconds(facts_->duration);
    return status::kOk;
}

Status MediaFile::videoSize(int32_t* width, int32_t* height) const {
    if (!facts_->hasVideo) {
        return status::kNoInterface;
    }
    *width = facts_->width;
    *height = facts_->height;
    return status::kOk;
}

Status MediaFile::averageTimePerFrame(double* secondsPerFrame) const {
    if (!facts_->hasVideo) {
        return status::kNoInterface;
    }
    if (facts_->framerateNumerator <= 0 || facts_->framerateDenominator <= 0) {
        return status::kTimeNotSet;
    }
    *secondsPerFrame = double(facts_->framerateDenominator) / facts_->framerateNumerator;
    return status::kOk;
}

int64_t MediaFile::firstPictureTime() const {
    return facts_->firstPicture;
}

int64_t MediaFile::soundTimeAtFirstPicture() const {
    return facts_->firstSound;
}

bool MediaFile::hasVideo() const {
    return facts_->hasVideo;
}

bool MediaFile::hasAudio() const {
    return facts_->hasAudio;
}
