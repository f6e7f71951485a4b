#include <gtest/gtest.h>

#include <set>

#include "base/SettingsStore.h"
#include "engine/TransitionChooser.h"
#include "project/ProjectDefaults.h"
#include "tests/common/TempConfig.h"

namespace {

TEST(TransitionChooser, SameGivesTheStoredChoiceAndSequenceThePosition) {
    TransitionChooser chooser(1);
    chooser.setDefaults({TransitionMode::Same, 5});
    EXPECT_EQ(chooser.chooseTransition(0), 5);
    EXPECT_EQ(chooser.chooseTransition(9), 5);

    chooser.setDefaults({TransitionMode::Sequence, 5});
    EXPECT_EQ(chooser.chooseTransition(0), 0);
    EXPECT_EQ(chooser.chooseTransition(46), 46);
    EXPECT_EQ(chooser.chooseTransition(47), 1);
    EXPECT_EQ(chooser.chooseTransition(92), 46);
    EXPECT_EQ(chooser.chooseTransition(93), 1);
    EXPECT_EQ(chooser.chooseTransition(999), 999 - 21 * 46);
}

TEST(TransitionChooser, RandomCoversTheWholeCatalogueIncludingNone) {
    TransitionChooser chooser(12345);
    chooser.setDefaults({TransitionMode::Random, 0});
    std::set<int32_t> seen;
    for (int draw = 0; draw < 5000; ++draw) {
        const int32_t index = chooser.chooseTransition(0);
        ASSERT_GE(index, 0);
        ASSERT_LE(index, 46);
        seen.insert(index);
    }
    EXPECT_EQ(seen.size(), 47u);
}

TEST(ProjectDefaults, ReadFromTheTransitionSettings) {
    TempConfig config;
    SettingsStore store("quenzel");
    const ProjectDefaults firstRun = loadProjectDefaults(store);
    EXPECT_EQ(firstRun.transitionMode, TransitionMode::Random);
    EXPECT_EQ(firstRun.chosenTransition, 0);
    store.writeInt("TransitionSettings", "TransitionType", 2);
    store.writeInt("TransitionSettings", "TransitionName", 17);
    const ProjectDefaults stored = loadProjectDefaults(store);
    EXPECT_EQ(stored.transitionMode, TransitionMode::Same);
    EXPECT_EQ(stored.chosenTransition, 17);
}

}  // namespace
