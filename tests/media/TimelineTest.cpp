#include <gtest/gtest.h>

#include <cmath>

#include "media/Timeline.h"
#include "tests/common/TestMedia.h"

namespace {

template <typename T>
std::shared_ptr<T> makeNode(Timeline& timeline, TimelineNodeType type) {
    std::shared_ptr<TimelineObject> node;
    EXPECT_TRUE(succeeded(timeline.createEmptyNode(type, &node)));
    return std::dynamic_pointer_cast<T>(node);
}

TEST(TimelineMediaType, RowsArePaddedToFourBytes) {
    EXPECT_EQ(rgb24RowStride(641), 1924);
    EXPECT_EQ(rgb24RowStride(640), 1920);
    EXPECT_EQ(rgb24RowStride(1), 4);
    const GroupMediaType type = GroupMediaType::video(641, 480);
    EXPECT_EQ(type.imageSize, 923520);
    EXPECT_EQ(type.bitCount, 24);
    EXPECT_EQ(GroupMediaType::video(640, -480).imageSize, 1920 * 480);
}

TEST(TimelineNodes, EachNodeAnswersOnlyForItsOwnType) {
    Timeline timeline;
    auto track = makeNode<TimelineObject>(timeline, TimelineNodeType::Track);
    ASSERT_TRUE(track);
    EXPECT_TRUE(track->asTrack());
    EXPECT_FALSE(track->asGroup());
    EXPECT_FALSE(track->asSource());
    EXPECT_EQ(track->type(), TimelineNodeType::Track);
}

TEST(TimelineNodes, RejectsTimesAndValuesThatMakeNoSense) {
    Timeline timeline;
    auto source = makeNode<TimelineSource>(timeline, TimelineNodeType::Source);
    EXPECT_EQ(source->setStartStop(10, 5), status::kInvalidArgument);
    EXPECT_EQ(source->setMediaTimes(20, 10), status::kInvalidArgument);
    EXPECT_EQ(source->setMediaName(""), status::kInvalidArgument);
    EXPECT_EQ(source->setMediaName(QString(260, 'a')), status::kInvalidArgument);
    EXPECT_EQ(source->setStretchMode(7), status::kInvalidArgument);
    EXPECT_TRUE(succeeded(source->setStartStop(0, 0)));
    EXPECT_TRUE(succeeded(source->setMediaTimes(5, 10)));
    EXPECT_EQ(source->mediaStart(), 5);

    auto group = makeNode<TimelineGroup>(timeline, TimelineNodeType::Group);
    EXPECT_EQ(group->setMediaType(GroupMediaType{}), status::kInvalidMediaType);
    EXPECT_EQ(group->setMediaType(GroupMediaType::video(0, 480)), status::kInvalidMediaType);
    EXPECT_EQ(group->setOutputFps(0), status::kInvalidArgument);
    EXPECT_EQ(group->setOutputFps(std::nan("")), status::kInvalidArgument);
    EXPECT_TRUE(succeeded(group->setOutputFps(29.97)));
}

TEST(TimelineNodes, TracksAppendOrGoBeforeAPosition) {
    Timeline timeline;
    auto group = makeNode<TimelineGroup>(timeline, TimelineNodeType::Group);
    auto first = makeNode<TimelineTrack>(timeline, TimelineNodeType::Track);
    auto second = makeNode<TimelineTrack>(timeline, TimelineNodeType::Track);
    auto front = makeNode<TimelineTrack>(timeline, TimelineNodeType::Track);
    ASSERT_TRUE(succeeded(group->insertTrackBefore(first, -1)));
    ASSERT_TRUE(succeeded(group->insertTrackBefore(second, -1)));
    ASSERT_TRUE(succeeded(group->insertTrackBefore(front, 0)));
    ASSERT_EQ(group->tracks().size(), 3u);
    EXPECT_EQ(group->tracks()[0], front);
    EXPECT_EQ(group->tracks()[2], second);
}

TEST(TimelineNodes, TransitionsOnOneTrackMayNotOverlap) {
    Timeline timeline;
    auto track = makeNode<TimelineTrack>(timeline, TimelineNodeType::Track);
    auto atZero = makeNode<TimelineTransition>(timeline, TimelineNodeType::Transition);
    auto alsoAtZero = makeNode<TimelineTransition>(timeline, TimelineNodeType::Transition);
    auto later = makeNode<TimelineTransition>(timeline, TimelineNodeType::Transition);
    ASSERT_TRUE(succeeded(later->setStartStop(10, 20)));
    EXPECT_TRUE(succeeded(track->addTransition(atZero)));
    EXPECT_TRUE(failed(track->addTransition(alsoAtZero)));
    EXPECT_TRUE(succeeded(track->addTransition(later)));
    EXPECT_EQ(track->transitions().size(), 2u);
}

TEST(Timeline, ValidationFindsAMissingSourceFile) {
    Timeline timeline;
    auto group = makeNode<TimelineGroup>(timeline, TimelineNodeType::Group);
    auto track = makeNode<TimelineTrack>(timeline, TimelineNodeType::Track);
    auto present = makeNode<TimelineSource>(timeline, TimelineNodeType::Source);
    auto missing = makeNode<TimelineSource>(timeline, TimelineNodeType::Source);
    ASSERT_TRUE(succeeded(present->setMediaName(clips::halfSecond())));
    ASSERT_TRUE(succeeded(missing->setMediaName(testMediaFolder() + "/gone.avi")));
    ASSERT_TRUE(succeeded(track->addSource(present)));
    ASSERT_TRUE(succeeded(group->insertTrackBefore(track, -1)));
    ASSERT_TRUE(succeeded(timeline.addGroup(group)));
    EXPECT_TRUE(succeeded(timeline.validateSourceNames(11)));
    ASSERT_TRUE(succeeded(track->addSource(missing)));
    QString name;
    EXPECT_EQ(timeline.validateSourceNames(11, &name), status::kFileNotFound);
    EXPECT_TRUE(name.endsWith("gone.avi"));
}

TEST(Timeline, InjectedFaultsHitOnlyTheirOperation) {
    Timeline timeline;
    timeline.injectFault("Source.SetMediaTimes", status::kOutOfMemory);
    timeline.injectFault("Timeline.CreateEmptyNode.Group", status::kFail);
    std::shared_ptr<TimelineObject> node;
    EXPECT_EQ(timeline.createEmptyNode(TimelineNodeType::Group, &node), status::kFail);
    EXPECT_FALSE(node);
    auto source = makeNode<TimelineSource>(timeline, TimelineNodeType::Source);
    EXPECT_EQ(source->setMediaTimes(0, 10), status::kOutOfMemory);
    EXPECT_TRUE(succeeded(source->setStartStop(0, 10)));
}

}  // namespace
