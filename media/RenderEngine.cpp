#include "media/RenderEngine.h"

#include <ges/ges.h>

#include <cstdlib>

#include "media/Elements.h"
#include "media/MediaFile.h"
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

}  // namespace

struct RenderEngineParts {
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

Status RenderEngine::connectFrontEnd(QString* errorText) {
    QString ignored;
    QString& error = errorText ? *errorText : ignored;
    if (!timeline_) {
        error = QStringLiteral("No timeline to render.");
        return status::kPointer;
    }
    scrapIt();
    auto parts = std::make_unique<RenderEngineParts>();
    parts->pipeline = refSink(gst_pipeline_new("conversion"));
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
    parts_ = std::move(parts);
    return status::kOk;
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

void RenderEngine::scrapIt() {
    parts_.reset();
}
