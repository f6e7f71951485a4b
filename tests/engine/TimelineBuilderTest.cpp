#include <gtest/gtest.h>

#include "engine/TimelineBuilder.h"
#include "media/Timeline.h"
#include "output/settings/OutputSettings.h"
#include "project/ConversionProject.h"
#include "tests/common/ScriptedDialogs.h"
#include "tests/common/TestMedia.h"

namespace {

class BuildTimeline : public ::testing::Test {
  protected:
    BuildTimeline() {
        const QString clip = clips::tenPointNineSeconds();
        project.videos.push_back({clip, 100'000'000, 0});
        project.audios.push_back({clip, 109'000'000});
        project.startTime = 0;
        project.endTime = 100'000'000;
        settings.outputWidth = 641;
        settings.outputHeight = 480;
        settings.frameRate = 29.97;
        settings.resizeMode = OutputSettings::kStretch;
    }

    std::shared_ptr<Timeline> build() {
        std::shared_ptr<Timeline> timeline;
        EXPECT_EQ(createTimeline(project, settings, dialogs, &timeline), status::kOk);
        return timeline;
    }

    ConversionProject project;
    OutputSettings settings;
    ScriptedDialogs dialogs;
};

TEST_F(BuildTimeline, WholeClipOnAVideoAndASoundGroup) {
    const auto timeline = build();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.texts().join('|').toStdString();
    ASSERT_EQ(timeline->groupCount(), 2);

    const auto video = timeline->group(0);
    EXPECT_EQ(video->mediaType().major, GroupMediaType::Major::Video);
    EXPECT_EQ(video->mediaType().width, 641);
    EXPECT_EQ(video->mediaType().imageSize, 923520);
    EXPECT_DOUBLE_EQ(video->outputFps(), 29.97);
    ASSERT_EQ(video->tracks().size(), 1u);
    const auto& source = video->tracks()[0]->sources().at(0);
    EXPECT_EQ(source->start(), 0);
    EXPECT_EQ(source->stop(), 100'000'000);
    EXPECT_EQ(source->mediaStart(), 0);
    EXPECT_EQ(source->mediaStop(), 100'000'000);
    EXPECT_EQ(source->stretchMode(), OutputSettings::kStretch);
    EXPECT_TRUE(video->tracks()[0]->transitions().empty());

    const auto audio = timeline->group(1);
    EXPECT_EQ(audio->mediaType().major, GroupMediaType::Major::Audio);
    ASSERT_EQ(audio->tracks().size(), 1u);
    EXPECT_EQ(audio->tracks()[0]->sources().at(0)->mediaName(), project.audios[0].path);
}

TEST_F(BuildTimeline, TrimmedSpanStartsEverySourceAtZero) {
    project.startTime = 20'000'000;
    project.endTime = 75'000'000;
    project.videos.push_back({clips::halfSecond(), 0, 17});
    const auto timeline = build();
    const auto video = timeline->group(0);
    ASSERT_EQ(video->tracks().size(), 2u);
    for (const auto& track : video->tracks()) {
        const auto& source = track->sources().at(0);
        EXPECT_EQ(source->start(), 0);
        EXPECT_EQ(source->stop(), 55'000'000);
        EXPECT_EQ(source->mediaStart(), 20'000'000);
        EXPECT_EQ(source->mediaStop(), 75'000'000);
    }
    EXPECT_EQ(video->tracks()[1]->sources()[0]->mediaName(), clips::halfSecond());
    ASSERT_EQ(video->tracks()[1]->transitions().size(), 1u);
    const auto& transition = video->tracks()[1]->transitions()[0];
    EXPECT_EQ(transition->start(), 0);
    EXPECT_EQ(transition->stop(), 0);
    const auto audioSource = timeline->group(1)->tracks()[0]->sources()[0];
    EXPECT_EQ(audioSource->stop(), 55'000'000);
}

TEST_F(BuildTimeline, EndBeforeStartIsRefusedForEverySource) {
    project.startTime = 50'000'000;
    project.endTime = 10'000'000;
    project.videos[0].transition = 5;
    const auto timeline = build();
    EXPECT_EQ(dialogs.texts(), (QStringList{"Could not configure media source",
                                            "Could not set audio start and eng time!"}));
    ASSERT_EQ(timeline->groupCount(), 2);
    EXPECT_TRUE(timeline->group(0)->tracks()[0]->sources().empty());
    EXPECT_TRUE(timeline->group(0)->tracks()[0]->transitions().empty());
}

TEST_F(BuildTimeline, NoSoundItemNoSoundGroup) {
    project.audios.clear();
    EXPECT_EQ(build()->groupCount(), 1);
}

TEST_F(BuildTimeline, AFailingStepIsShownAndTheRestStillBuilt) {
    const std::pair<const char*, const char*> cases[] = {
        {"Group.SetMediaType", "Could not pVideoGroup->SetMediaType(&mtGroup)"},
        {"Group.SetOutputFPS", "Could not SetOutputFPS"},
        {"Timeline.AddGroup", "Could not add video group"},
        {"Group.VTrackInsBefore", "Could not insert track"},
        {"Track.SrcAdd", "Could not add source to track"},
        {"Timeline.CreateEmptyNode.Track", "Could not create empty track"},
        {"Source.SetMediaName", "Could not configure media source"},
    };
    for (const auto& [operation, message] : cases) {
        Timeline timeline;
        timeline.injectFault(operation, status::kOutOfMemory);
        ScriptedDialogs seen;
        project.audios.clear();
        buildTimeline(project, settings, seen, timeline);
        ASSERT_FALSE(seen.messages.isEmpty()) << operation;
        EXPECT_EQ(seen.messages.front().text, message) << operation;
    }
}

TEST_F(BuildTimeline, SoundStepsHaveTheirOwnMessages) {
    const std::pair<const char*, const char*> cases[] = {
        {"Source.SetMediaName", "Could not configure pSource3Src"},
        {"Track.SrcAdd", "Could not add pSource3Obj to track"},
        {"Timeline.AddGroup", "Could not add audio group"},
    };
    project.videos.clear();
    for (const auto& [operation, message] : cases) {
        Timeline timeline;
        timeline.injectFault(operation, status::kFail);
        ScriptedDialogs seen;
        buildTimeline(project, settings, seen, timeline);
        EXPECT_EQ(seen.texts(), QStringList{message}) << operation;
    }
}

}  // namespace
