#include "engine/TimelineBuilder.h"

#include "base/UserDialogs.h"
#include "engine/KeptTracks.h"
#include "engine/TransitionCatalogue.h"
#include "media/SourceTracks.h"
#include "media/Timeline.h"
#include "output/formats/OutputFormats.h"
#include "output/settings/OutputSettings.h"
#include "project/ConversionProject.h"

namespace {

class TimelineBuilder {
  public:
    TimelineBuilder(const ConversionProject& project, const OutputSettings& settings,
                    UserDialogs& dialogs, Timeline& timeline)
        : project_(project), settings_(settings), dialogs_(dialogs), timeline_(timeline) {}

    Status buildVideoGroup();
    Status buildAudioGroup();

  private:
    Status addItemTrack(TimelineGroup& group, int position);
    Status addAudioTrack(TimelineGroup& group);
    void keepSoundTracks(TimelineSource& source, const QString& path);
    template <typename T>
    std::shared_ptr<T> createNode(TimelineNodeType type, const char* failureText, Status* result);
    Status fail(const char* text, Status code) {
        dialogs_.inform(QString::fromLatin1(text));
        return code;
    }

    int64_t span() const { return project_.endTime - project_.startTime; }

    const ConversionProject& project_;
    const OutputSettings& settings_;
    UserDialogs& dialogs_;
    Timeline& timeline_;
};

template <typename T>
std::shared_ptr<T> TimelineBuilder::createNode(TimelineNodeType type, const char* failureText,
                                               Status* result) {
    std::shared_ptr<TimelineObject> node;
    *result = timeline_.createEmptyNode(type, &node);
    if (failed(*result)) {
        fail(failureText, *result);
        return nullptr;
    }
    return std::dynamic_pointer_cast<T>(node);
}

Status TimelineBuilder::buildVideoGroup() {
    Status result = status::kOk;
    auto group =
        createNode<TimelineGroup>(TimelineNodeType::Group, "Could not create empty node", &result);
    if (!group) {
        return result;
    }
    result =
        group->setMediaType(GroupMediaType::video(settings_.outputWidth, settings_.outputHeight));
    if (failed(result)) {
        return fail("Could not pVideoGroup->SetMediaType(&mtGroup)", result);
    }
    result = group->setOutputFps(settings_.frameRate);
    if (failed(result)) {
        return fail("Could not SetOutputFPS", result);
    }
    result = timeline_.addGroup(group);
    if (failed(result)) {
        return fail("Could not add video group", result);
    }
    // A failing item has shown its message; the next items are still laid down.
    for (int position = 0; position < project_.videoCount(); ++position) {
        addItemTrack(*group, position);
    }
    return status::kOk;
}

Status TimelineBuilder::addItemTrack(TimelineGroup& group, int position) {
    Status result = status::kOk;
    auto track =
        createNode<TimelineTrack>(TimelineNodeType::Track, "Could not create empty track", &result);
    if (!track) {
        return result;
    }
    result = group.insertTrackBefore(track, -1);
    if (failed(result)) {
        return fail("Could not insert track", result);
    }
    auto source = createNode<TimelineSource>(TimelineNodeType::Source,
                                             "Could not create the timeline source", &result);
    if (!source) {
        return result;
    }
    const VideoItem& item = project_.videos[static_cast<size_t>(position)];
    // All four are tried, so that one message covers any of them.
    const bool configured = succeeded(source->setStartStop(0, span())) &
                            succeeded(source->setMediaTimes(item.origin + project_.startTime,
                                                            item.origin + project_.endTime)) &
                            succeeded(source->setMediaName(item.path)) &
                            succeeded(source->setStretchMode(settings_.resizeMode));
    if (!configured) {
        return fail("Could not configure media source", status::kFail);
    }
    source->setPlaysToEnd(project_.endTime >= item.duration);
    result = track->addSource(source);
    if (failed(result)) {
        return fail("Could not add source to track", result);
    }
    if (span() < 0) {
        dialogs_.inform(QStringLiteral("Transition time should be less than"));
    } else {
        // A zero-length transition at the start of the track; its failure has been shown.
        addTransition(timeline_, *track, 0, 0, item.transition, dialogs_);
    }
    return status::kOk;
}

Status TimelineBuilder::buildAudioGroup() {
    Status result = status::kOk;
    auto group = createNode<TimelineGroup>(TimelineNodeType::Group,
                                           "Could not create pAudioGroupObj", &result);
    if (!group) {
        return result;
    }
    result = group->setMediaType(GroupMediaType::audio());
    if (failed(result)) {
        return fail("Could not set AudioGroupType", result);
    }
    result = timeline_.addGroup(group);
    if (failed(result)) {
        return fail("Could not add audio group", result);
    }
    return addAudioTrack(*group);
}

Status TimelineBuilder::addAudioTrack(TimelineGroup& group) {
    Status result = status::kOk;
    auto track =
        createNode<TimelineTrack>(TimelineNodeType::Track, "Could not create pTrack3Obj", &result);
    if (!track) {
        return result;
    }
    result = group.insertTrackBefore(track, -1);
    if (failed(result)) {
        return fail("Could not insert pTrack3Obj", result);
    }
    auto source = createNode<TimelineSource>(TimelineNodeType::Source,
                                             "Could not create the pSource3Obj", &result);
    if (!source) {
        return result;
    }
    // A span the source refuses shows up in the media times just below.
    source->setStartStop(0, span());
    const AudioItem& item = project_.audios.front();
    if (failed(source->setMediaTimes(item.origin + project_.startTime,
                                     item.origin + project_.endTime))) {
        return fail("Could not set audio start and eng time!", status::kFail);
    }
    // The sound is read as far as the picture is.
    source->setPlaysToEnd(project_.videoCount() > 0 &&
                          project_.endTime >= project_.videos.front().duration);
    if (failed(source->setMediaName(item.path))) {
        return fail("Could not configure pSource3Src", status::kFail);
    }
    keepSoundTracks(*source, item.path);
    result = track->addSource(source);
    if (failed(result)) {
        return fail("Could not add pSource3Obj to track", result);
    }
    return status::kOk;
}

// Which sound tracks the source carries into the file. A file whose tracks cannot be listed keeps
// its first, as before; the conversion then tells what is wrong with the file.
void TimelineBuilder::keepSoundTracks(TimelineSource& source, const QString& path) {
    const std::optional<SoundTrackChoice> choice = parseSoundTrackChoice(settings_.soundTracks);
    const std::optional<SourceContents> contents = readSourceContents(path);
    if (!choice || !contents) {
        return;
    }
    const OutputFormat* format = outputFormat(settings_.outputFormat);
    const KeptSound kept =
        keptSoundTracks(contents->tracks, *choice, format && format->holdsSeveralSoundTracks);
    if (kept.missingNumber > 0) {
        // A choice made for another file: its first track is written rather than no sound.
        dialogs_.inform(QStringLiteral("The source has no sound track %1; its first is written.")
                            .arg(kept.missingNumber));
        return;
    }
    if (kept.leftOut > 0) {
        dialogs_.inform(
            QStringLiteral("%1 holds one sound track: the first is written, %2 left out.")
                .arg(formatName(settings_.outputFormat))
                .arg(kept.leftOut == 1 ? QStringLiteral("1 other is")
                                       : QStringLiteral("%1 others are").arg(kept.leftOut)));
    }
    source.setKeptStreams(kept.streamIds);
    return;
}

}  // namespace

void buildTimeline(const ConversionProject& project, const OutputSettings& settings,
                   UserDialogs& dialogs, Timeline& timeline) {
    TimelineBuilder builder(project, settings, dialogs, timeline);
    if (project.videoCount() > 0) {
        builder.buildVideoGroup();
    }
    const std::optional<SoundTrackChoice> sound = parseSoundTrackChoice(settings.soundTracks);
    if (project.audioCount() > 0 && !(sound && !sound->all && sound->numbers.empty())) {
        builder.buildAudioGroup();
    }
    timeline.validateSourceNames(Timeline::kValidateCheck | Timeline::kValidatePopup |
                                 Timeline::kValidateReplace);
}

Status createTimeline(const ConversionProject& project, const OutputSettings& settings,
                      UserDialogs& dialogs, std::shared_ptr<Timeline>* timeline) {
    *timeline = std::make_shared<Timeline>();
    buildTimeline(project, settings, dialogs, **timeline);
    return status::kOk;
}
