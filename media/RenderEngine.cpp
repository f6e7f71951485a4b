#include "media/RenderEngine.h"

#include <ges/ges.h>
#include <gst/video/video.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "media/CopiedTimestamps.h"
#include "media/DirectFrontEnd.h"
#include "media/Elements.h"
#include "media/GifTimestamps.h"
#include "media/MediaFile.h"
#include "media/MediaFramework.h"
#include "media/SourceReach.h"
#include "media/StartPicture.h"
#include "media/Timeline.h"

namespace {

constexpr GstClockTime kNanosecondsPerUnit = 100;
constexpr int kAudioRate = 44100;
constexpr int kAudioChannels = 2;
constexpr int32_t kStretchToFrame = 0;

GstClockTime toNanoseconds(int64_t units) {
    return static_cast<GstClockTime>(units) * kNanosecondsPerUnit;
}

struct OutputGroup {
    GESTrack* track = nullptr;  // owned by the GES timeline
    GstPad* pad = nullptr;      // owned by the GES timeline
    bool video = false;
};

GstCaps* videoRestriction(const GroupMediaType& type, double framesPerSecond) {
    int numerator = 0;
    int denominator = 1;
    frameRateFraction(framesPerSecond, &numerator, &denominator);
    return gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, type.width, "height", G_TYPE_INT,
                               std::abs(type.height), "framerate", GST_TYPE_FRACTION, numerator,
                               denominator, "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
}

GstCaps* audioRestriction() {
    return gst_caps_new_simple("audio/x-raw", "rate", G_TYPE_INT, kAudioRate, "channels",
                               G_TYPE_INT, kAudioChannels, nullptr);
}

// The first element made by `factory` among the direct children of `bin`, or nullptr.
GObjectPtr<GstElement> childByFactory(GstBin* bin, const char* factory) {
    GstIterator* iterator = gst_bin_iterate_all_by_element_factory_name(bin, factory);
    GObjectPtr<GstElement> found;
    GValue item = G_VALUE_INIT;
    if (iterator && gst_iterator_next(iterator, &item) == GST_ITERATOR_OK) {
        found = addRef(GST_ELEMENT(g_value_get_object(&item)));
        g_value_unset(&item);
    }
    if (iterator) {
        gst_iterator_free(iterator);
    }
    return found;
}

bool isFactory(GstElement* element, const char* factory) {
    GstElementFactory* made = gst_element_get_factory(element);
    return made && std::strcmp(GST_OBJECT_NAME(made), factory) == 0;
}

bool isVideoDecoder(GstElement* element) {
    GstElementFactory* made = gst_element_get_factory(element);
    return made && gst_element_factory_list_is_type(made, GST_ELEMENT_FACTORY_TYPE_DECODER |
                                                              GST_ELEMENT_FACTORY_TYPE_MEDIA_VIDEO);
}

// The editing services scale a source's pictures in the mixer, with its costly default filter,
// so every full-size decoded picture passes the frame-rate converter and waits in the mixer.
// Asking the source's own caps filter for the size the positioner places the picture at makes
// the source's scaler do it right behind the decoder's queue instead, on that queue's thread,
// with small pictures from there on; the mixer then only places them.
void scaleInSource(GstElement* capsFilter) {
    GObjectPtr<GstObject> parent(gst_object_get_parent(GST_OBJECT(capsFilter)));
    if (!parent || !GST_IS_BIN(parent.get())) {
        return;
    }
    GObjectPtr<GstElement> positioner = childByFactory(GST_BIN(parent.get()), "framepositioner");
    if (!positioner) {
        return;
    }
    int width = 0;
    int height = 0;
    g_object_get(positioner.get(), "width", &width, "height", &height, nullptr);
    GstCaps* rawCaps = nullptr;
    g_object_get(capsFilter, "caps", &rawCaps, nullptr);
    GstCapsPtr caps(rawCaps);
    if (!caps || width <= 0 || height <= 0 || gst_caps_get_size(caps.get()) != 1 ||
        gst_structure_has_field(gst_caps_get_structure(caps.get(), 0), "width")) {
        return;  // no placement known yet, or the size is already fixed here
    }
    caps.reset(gst_caps_make_writable(caps.release()));
    gst_caps_set_simple(caps.get(), "width", G_TYPE_INT, width, "height", G_TYPE_INT, height,
                        nullptr);
    g_object_set(capsFilter, "caps", caps.get(), nullptr);
}

void onSourceCapsChanged(GObject* capsFilter, GParamSpec*, gpointer) {
    scaleInSource(GST_ELEMENT(capsFilter));
}

// What the tuning of a pipeline's elements needs to know.
struct ElementTuning {
    SourceReach reach;
    // Around the editing services the scaling has a thread of its own behind the decoder.
    bool direct = false;
    // The compressor keeps the cores busy with threads of its own.
    bool busyCompressor = false;
    // A source's decoding starts off an IDR picture (an open group's key picture).
    bool startsOffIdr = false;
};

// Decoding threads beside the rest of the conversion. Never one where decoding starts off an IDR
// picture: after a seek onto an open group's recovery point, libav on one thread asks GStreamer's
// decoder for the pictures it invents to fill the gap in the frame numbers, gets none ("Couldn't
// get codec frame") and drops the picture it decodes, so every picture up to the next key picture
// comes out damaged. Frame threads allocate those with libav's own allocator (and hold some 30 MB
// more at 1080p, so they are not taken where nothing needs them).
gint decoderThreads(const ElementTuning& tuning) {
    const gint fewest = tuning.startsOffIdr ? 2 : 1;
    const gint cores = static_cast<gint>(g_get_num_processors());
    if (tuning.busyCompressor) {
        // Such a compressor costs several times the decoding of its pictures: a quarter of the
        // cores keeps up with it, and every further thread only holds more pictures in memory
        // (some 20 MB for 1080p on two cores, and no faster).
        return std::max(fewest, cores / 4);
    }
    // Inside the editing services scaling and encoding run on their own threads beside the
    // decoder: a decoder taking every core only adds full-size pictures to memory. Around them
    // the decoder's thread does nothing else, and every core it has counts.
    return std::max(fewest, tuning.direct || cores == 1 ? cores : cores - 1);
}

// Tunes the elements of a conversion's front end (the editing services' or the direct one), as
// they are added.
void tuneTimelineElement(GstBin*, GstBin* bin, GstElement* element, gpointer data) {
    auto* tuning = static_cast<ElementTuning*>(data);
    if (isDemuxer(element)) {
        tuning->reach.watchDemuxer(element);
        if (isLibavDemuxer(element)) {
            keepSeekNumbers(element);
        }
    }
    if (isFactory(element, "avdec_gif")) {
        restampGifPictures(element);
    } else if (isVideoDecoder(element)) {
        ignoreCopiedPresentationTimes(element);
    }
    if (isFactory(element, "capsfilter") && childByFactory(bin, "framepositioner")) {
        // The positioner rewrites these caps whenever the track's restriction changes.
        g_signal_connect(element, "notify::caps", G_CALLBACK(&onSourceCapsChanged), nullptr);
        scaleInSource(element);
    } else if (isFactory(element, "videoscale") && childByFactory(bin, "framepositioner")) {
        // An anti-aliased (multi-tap) bilinear filter: the plain two-tap one skips source pixels
        // when shrinking by more than half. Borders stay the mixer's job: the requested size
        // already has the placed picture's shape, or is the stretched frame.
        gst_util_set_object_arg(G_OBJECT(element), "method", "bilinear2");
        g_object_set(element, "add-borders", FALSE, nullptr);
    } else if (isVideoDecoder(element) &&
               g_object_class_find_property(G_OBJECT_GET_CLASS(element), "max-threads")) {
        g_object_set(element, "max-threads", decoderThreads(*tuning), nullptr);
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(element), "direct-rendering")) {
            // Decoding straight into the pictures that go downstream keeps each one mapped for
            // writing while libav holds it as a reference, so the decoder's base class cannot
            // share it and copies it into a newly allocated buffer anyway. Decoding into libav's
            // own buffers copies once into recycled ones: 27 MB less with a 10-bit 1080p
            // source, and no slower.
            g_object_set(element, "direct-rendering", FALSE, nullptr);
        }
    } else if (isFactory(element, "videoflip")) {
        // GStreamer 1.22.0's flipper copies every picture while it does not rotate: its
        // pass-through is only switched on by a change of direction. Going through another
        // direction and back to "auto" switches it on; orientation tags still rotate.
        GstVideoOrientationMethod direction = GST_VIDEO_ORIENTATION_IDENTITY;
        g_object_get(element, "video-direction", &direction, nullptr);
        if (direction == GST_VIDEO_ORIENTATION_AUTO) {
            g_object_set(element, "video-direction", GST_VIDEO_ORIENTATION_90R, nullptr);
            g_object_set(element, "video-direction", GST_VIDEO_ORIENTATION_AUTO, nullptr);
        }
    }
}

}  // namespace

struct RenderEngineParts {
    // Both outlive the pipeline, whose probes and signals use them.
    std::unique_ptr<ElementTuning> tuning = std::make_unique<ElementTuning>();
    std::unique_ptr<DirectFrontEnd> direct;
    GObjectPtr<GstElement> pipeline;
    GESTimeline* gesTimeline = nullptr;  // owned by the pipeline
    std::vector<OutputGroup> groups;

    ~RenderEngineParts() {
        if (pipeline) {
            gst_element_set_state(pipeline.get(), GST_STATE_NULL);
        }
    }
};

RenderEngine::RenderEngine() = default;

RenderEngine::~RenderEngine() {
    scrapIt();
}

Status RenderEngine::setTimelineObject(std::shared_ptr<Timeline> timeline) {
    if (!timeline) {
        return status::kPointer;
    }
    timeline_ = std::move(timeline);
    return status::kOk;
}

namespace {

// Places one source of the model on a layer as a clip limited to the group's kind of media.
// Gives kFalse when the file has no media of that kind.
Status addSource(GESLayer* layer, GESTrack* track, const TimelineSource& source, bool video,
                 const GroupMediaType& frame, QString* errorText) {
    GError* rawError = nullptr;
    GObjectPtr<GESUriClipAsset> asset(ges_uri_clip_asset_request_sync(
        fileUri(source.mediaName()).toUtf8().constData(), &rawError));
    GErrorPtr error(rawError);
    if (!asset) {
        *errorText = QStringLiteral("%1: %2").arg(
            source.mediaName(), error ? QString::fromUtf8(error->message) : QStringLiteral("?"));
        return status::kUnknownFileType;
    }
    const GESTrackType wanted = video ? GES_TRACK_TYPE_VIDEO : GES_TRACK_TYPE_AUDIO;
    if (!(ges_clip_asset_get_supported_formats(GES_CLIP_ASSET(asset.get())) & wanted)) {
        return status::kFalse;
    }
    rawError = nullptr;
    GESClip* clip = ges_layer_add_asset_full(
        layer, GES_ASSET(asset.get()), toNanoseconds(source.start()),
        toNanoseconds(source.mediaStart()), toNanoseconds(source.mediaStop() - source.mediaStart()),
        wanted, &rawError);
    error.reset(rawError);
    if (!clip) {
        *errorText = QStringLiteral("%1: %2").arg(
            source.mediaName(), error ? QString::fromUtf8(error->message) : QStringLiteral("?"));
        return status::kInvalidArgument;
    }
    if (video && source.stretchMode() == kStretchToFrame) {
        // Keeping the aspect ratio with borders is the editing services' own placement; filling
        // the frame means placing the picture at the corner at the frame's full size.
        GObjectPtr<GESTrackElement> element(
            ges_clip_find_track_element(clip, track, GES_TYPE_VIDEO_SOURCE));
        if (element) {
            ges_timeline_element_set_child_properties(GES_TIMELINE_ELEMENT(element.get()), "posx",
                                                      0, "posy", 0, "width", frame.width, "height",
                                                      std::abs(frame.height), nullptr);
        }
    }
    return status::kOk;
}

}  // namespace

namespace {

// Whether a video source of the timeline starts its decoding off an IDR picture.
bool startsOffIdr(const Timeline& timeline) {
    constexpr int64_t kNsPerUnit = 100;
    for (int index = 0; index < timeline.groupCount(); ++index) {
        for (const auto& track : timeline.group(index)->tracks()) {
            for (const auto& source : track->sources()) {
                if (source->mediaStart() > 0 &&
                    startsOffIdrPicture(source->mediaName(), source->mediaStart() * kNsPerUnit)) {
                    return true;
                }
            }
        }
    }
    return false;
}

std::unique_ptr<RenderEngineParts> newParts(bool direct, bool busyCompressor, bool offIdr) {
    auto parts = std::make_unique<RenderEngineParts>();
    parts->tuning->direct = direct;
    parts->tuning->busyCompressor = busyCompressor;
    parts->tuning->startsOffIdr = offIdr;
    parts->pipeline = refSink(gst_pipeline_new("conversion"));
    g_signal_connect(parts->pipeline.get(), "deep-element-added", G_CALLBACK(&tuneTimelineElement),
                     parts->tuning.get());
    return parts;
}

}  // namespace

Status RenderEngine::connectFrontEnd(QString* errorText) {
    QString ignored;
    QString& error = errorText ? *errorText : ignored;
    if (!timeline_) {
        error = QStringLiteral("No timeline to render.");
        return status::kPointer;
    }
    scrapIt();
    const bool offIdr = startsOffIdr(*timeline_);
    if (DirectFrontEnd::suits(*timeline_)) {
        auto parts = newParts(true, busyCompressor_, offIdr);
        parts->direct = std::make_unique<DirectFrontEnd>();
        const Status built =
            parts->direct->build(*timeline_, GST_PIPELINE(parts->pipeline.get()), &error);
        if (succeeded(built)) {
            for (int group = 0; group < parts->direct->groupCount(); ++group) {
                parts->groups.push_back(
                    {nullptr, parts->direct->groupPad(group), parts->direct->groupIsVideo(group)});
            }
            parts_ = std::move(parts);
            return status::kOk;
        }
        if (built != status::kNotImplemented) {
            return built;
        }
        error.clear();  // a file for the editing services after all
    }
    auto parts = newParts(false, busyCompressor_, offIdr);
    const Status connected = connectTimeline(*parts, error);
    if (succeeded(connected)) {
        parts_ = std::move(parts);
    }
    return connected;
}

Status RenderEngine::connectTimeline(RenderEngineParts& partsRef, QString& error) {
    RenderEngineParts* parts = &partsRef;
    if (const Status started = initEditingServices(&error); failed(started)) {
        return started;
    }
    GESTimeline* gesTimeline = ges_timeline_new();
    gst_bin_add(GST_BIN(parts->pipeline.get()), GST_ELEMENT(gesTimeline));
    parts->gesTimeline = gesTimeline;

    for (int index = 0; index < timeline_->groupCount(); ++index) {
        const TimelineGroup& group = *timeline_->group(index);
        const bool video = group.mediaType().major == GroupMediaType::Major::Video;
        GESTrack* track =
            video ? GES_TRACK(ges_video_track_new()) : GES_TRACK(ges_audio_track_new());
        GstCapsPtr restriction(video ? videoRestriction(group.mediaType(), group.outputFps())
                                     : audioRestriction());
        ges_track_set_restriction_caps(track, restriction.get());
        if (!ges_timeline_add_track(gesTimeline, track)) {
            error = QStringLiteral("The editing timeline refused a track.");
            return status::kFail;
        }
        bool delivers = false;
        for (const auto& modelTrack : group.tracks()) {
            GESLayer* layer = ges_timeline_append_layer(gesTimeline);
            for (const auto& source : modelTrack->sources()) {
                const Status added =
                    addSource(layer, track, *source, video, group.mediaType(), &error);
                if (failed(added)) {
                    return added;
                }
                delivers = delivers || added == status::kOk;
            }
        }
        if (!delivers && !video) {
            // A sound group without sound adds no track to the written file.
            ges_timeline_remove_track(gesTimeline, track);
            continue;
        }
        parts->groups.push_back({track, nullptr, video});
    }
    // A false result only means nothing had to change since the last commit.
    ges_timeline_commit_sync(gesTimeline);
    for (OutputGroup& group : parts->groups) {
        group.pad = ges_timeline_get_pad_for_track(gesTimeline, group.track);
        if (!group.pad) {
            error = QStringLiteral("The editing timeline has no output for a track.");
            return status::kFail;
        }
    }
    return status::kOk;
}

void RenderEngine::start() {
    if (parts_ && parts_->direct) {
        parts_->direct->release();
    }
}

bool RenderEngine::isDirect() const {
    return parts_ && parts_->direct;
}

GstPipeline* RenderEngine::filterGraph() const {
    return parts_ ? GST_PIPELINE(parts_->pipeline.get()) : nullptr;
}

int RenderEngine::groupCount() const {
    return parts_ ? static_cast<int>(parts_->groups.size()) : 0;
}

Status RenderEngine::groupOutputPin(int group, GstPad** pad) const {
    if (!parts_ || group < 0 || group >= groupCount()) {
        return status::kInvalidArgument;
    }
    *pad = parts_->groups[static_cast<size_t>(group)].pad;
    return status::kOk;
}

bool RenderEngine::groupIsVideo(int group) const {
    return parts_ && group >= 0 && group < groupCount() &&
           parts_->groups[static_cast<size_t>(group)].video;
}

StreamsReached RenderEngine::sourceReach() const {
    return parts_ ? parts_->tuning->reach.both() : StreamsReached{};
}

void RenderEngine::scrapIt() {
    parts_.reset();
}
