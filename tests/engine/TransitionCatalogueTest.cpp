#include <gtest/gtest.h>

#include <QSet>

#include "engine/TransitionCatalogue.h"
#include "media/Timeline.h"
#include "tests/common/ScriptedDialogs.h"

namespace {

class AddTransition : public ::testing::Test {
  protected:
    AddTransition() {
        std::shared_ptr<TimelineObject> node;
        EXPECT_TRUE(succeeded(timeline.createEmptyNode(TimelineNodeType::Track, &node)));
        track = node;
    }

    TimelineTrack& onTrack() { return *track->asTrack(); }
    std::shared_ptr<TimelineTransition> only() {
        EXPECT_EQ(onTrack().transitions().size(), 1u);
        return onTrack().transitions().empty() ? nullptr : onTrack().transitions().front();
    }

    Timeline timeline;
    std::shared_ptr<TimelineObject> track;
    ScriptedDialogs dialogs;
};

TEST(TransitionCatalogue, FortySevenEntriesWithDistinctNamesAndWipeCodes) {
    QSet<QString> names;
    QSet<int32_t> masks;
    for (int32_t index = 0; index < kTransitionCount; ++index) {
        const TransitionEntry* entry = transitionEntry(index);
        ASSERT_TRUE(entry);
        names.insert(entry->name);
        EXPECT_EQ(entry->kind == TransitionKind::SmpteWipe, index >= 17);
        if (entry->kind == TransitionKind::SmpteWipe) {
            masks.insert(entry->maskNumber);
            EXPECT_STREQ(entry->guid, kSmpteWipeGuid);
        }
    }
    EXPECT_EQ(names.size(), 47);
    EXPECT_EQ(masks.size(), 30);
    EXPECT_STREQ(transitionEntry(0)->name, "None");
    EXPECT_STREQ(transitionEntry(46)->name, "Matrix, horizontal");
    EXPECT_EQ(transitionEntry(46)->maskNumber, 301);
    EXPECT_FALSE(transitionEntry(47));
    EXPECT_FALSE(transitionEntry(-1));
}

TEST_F(AddTransition, NoneCreatesNothing) {
    EXPECT_EQ(addTransition(timeline, *track, 0, 0, 0, dialogs), status::kOk);
    EXPECT_TRUE(onTrack().transitions().empty());
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(AddTransition, EffectGetsItsClassAndNoPattern) {
    ASSERT_EQ(addTransition(timeline, *track, 0, 0, 3, dialogs), status::kOk);
    const auto fade = only();
    EXPECT_EQ(fade->subObjectGuid(), "{16B280C5-EE70-11D1-9066-00C04FD9189D}");
    EXPECT_FALSE(fade->propertySetter());
    EXPECT_EQ(fade->start(), 0);
    EXPECT_EQ(fade->stop(), 0);
}

TEST_F(AddTransition, WipeCarriesItsMaskNumber) {
    ASSERT_EQ(addTransition(timeline, *track, 0, 0, 17, dialogs), status::kOk);
    const auto wipe = only();
    EXPECT_EQ(wipe->subObjectGuid(), kSmpteWipeGuid);
    ASSERT_TRUE(wipe->propertySetter());
    int32_t mask = 0;
    ASSERT_TRUE(wipe->propertySetter()->find("MaskNum", &mask));
    EXPECT_EQ(mask, 1);
    EXPECT_EQ(wipe->propertySetter()->properties()[0].interpolation,
              PropertySetter::Interpolation::Jump);
}

TEST_F(AddTransition, IndexOutsideTheTableIsAPlainWipe) {
    for (int32_t index : {47, -3}) {
        Timeline freshTimeline;
        std::shared_ptr<TimelineObject> node;
        ASSERT_TRUE(succeeded(freshTimeline.createEmptyNode(TimelineNodeType::Track, &node)));
        ASSERT_EQ(addTransition(freshTimeline, *node, 0, 0, index, dialogs), status::kOk);
        const auto wipe = node->asTrack()->transitions().front();
        EXPECT_EQ(wipe->subObjectGuid(), kSmpteWipeGuid);
        EXPECT_FALSE(wipe->propertySetter());
    }
}

TEST_F(AddTransition, EachFailingStepShowsItsMessageAndReturnsItsCode) {
    const std::pair<const char*, const char*> cases[] = {
        {"Timeline.CreateEmptyNode.Transition",
         "Could not CreateEmptyNode TIMELINE_MAJOR_TYPE_TRANSITION"},
        {"Transition.SetSubObjectGUID", "Could not SetSubObjectGUID"},
        {"Transition.SetStartStop", "Could not SetStartStop(TLTranStart, TLTranStop);"},
        {"Track.TransAdd", "Could not TransAdd(pTransObj)"},
        {"Transition.SetPropertySetter", "Could not SetPropertySetter"},
    };
    for (const auto& [operation, message] : cases) {
        Timeline failing;
        failing.injectFault(operation, status::kOutOfMemory);
        std::shared_ptr<TimelineObject> node;
        ASSERT_TRUE(succeeded(failing.createEmptyNode(TimelineNodeType::Track, &node)));
        ScriptedDialogs seen;
        EXPECT_EQ(addTransition(failing, *node, 0, 0, 20, seen), status::kOutOfMemory) << operation;
        EXPECT_EQ(seen.texts(), QStringList{message}) << operation;
    }
}

TEST_F(AddTransition, TransitionNeedsATrack) {
    std::shared_ptr<TimelineObject> source;
    ASSERT_TRUE(succeeded(timeline.createEmptyNode(TimelineNodeType::Source, &source)));
    EXPECT_TRUE(failed(addTransition(timeline, *source, 0, 0, 5, dialogs)));
    EXPECT_EQ(dialogs.texts(), QStringList{"Could not get *pTransable"});
}

}  // namespace
