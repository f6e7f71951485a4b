#include <gtest/gtest.h>

#include "engine/LosslessCutPlan.h"

namespace {

constexpr int64_t kFrame = 10'000'000 / 30;

// 30 fps, a random-access picture every `group` pictures, in decoding order with two B-pictures
// before each P-picture (I P B B P B B ...); an open group starts with its B-pictures, which show
// before its I-picture and refer to the group before.
std::vector<CodedPicture> stream(int count, int group, bool open = false) {
    std::vector<CodedPicture> pictures;
    for (int first = 0; first < count; first += group) {
        // An open group's last two pictures are the next one's leading pictures.
        const int end = std::min(count, first + group) - (open && first + group < count ? 2 : 0);
        int shown = first;
        pictures.push_back({.time = shown * kFrame, .randomAccess = true});
        if (open && first > 0) {
            pictures.push_back({.time = (first - 2) * kFrame, .skippable = true});
            pictures.push_back({.time = (first - 1) * kFrame, .skippable = true});
        }
        for (int p = shown + 3; p < end + 2; p += 3) {
            const int reference = std::min(p, end - 1);
            if (reference <= shown) {
                break;
            }
            pictures.push_back({.time = reference * kFrame});
            for (int b = shown + 1; b < reference && b < shown + 3; ++b) {
                pictures.push_back({.time = b * kFrame});
            }
            shown = reference;
        }
    }
    return pictures;
}

TEST(LosslessCutPlan, WholeGroupsInsideAreCopiedAndTheEdgesEncoded) {
    // 1080p30 with 2-second groups, cut 10.5 to 40.2 s: 891 pictures from picture 315.
    const std::vector<CodedPicture> pictures = stream(1350, 60);
    const LosslessCutPlan plan = planLosslessCut(pictures, 315 * kFrame, 1206 * kFrame);
    EXPECT_EQ(pictures[plan.copyFrom].time, 360 * kFrame);
    EXPECT_EQ(pictures[plan.copyTo].time, 1200 * kFrame);
    EXPECT_EQ(plan.copiedPictures(), 840u);
    EXPECT_EQ(pictures[plan.headDecodeFrom].time, 300 * kFrame);
    EXPECT_EQ(plan.headPictures, 45u);  // 315 to 359, not from the key frame before the mark
    EXPECT_EQ(plan.tailPictures, 6u);   // 1200 to 1205
    EXPECT_EQ(plan.headPictures + plan.copiedPictures() + plan.tailPictures, 891u);

    // A start on a random-access picture encodes no head.
    const LosslessCutPlan onKey = planLosslessCut(pictures, 360 * kFrame, 1206 * kFrame);
    EXPECT_EQ(onKey.headPictures, 0u);
    EXPECT_EQ(pictures[onKey.copyFrom].time, 360 * kFrame);
}

TEST(LosslessCutPlan, OpenGroupsAreCopiedWithoutTheirLeadingPicturesWhichAreEncodedAgain) {
    // A random-access picture every 12, accurate start at picture 17.
    std::vector<CodedPicture> pictures = stream(300, 12, true);
    LosslessCutPlan plan = planLosslessCut(pictures, 17 * kFrame, 245 * kFrame);
    EXPECT_EQ(pictures[plan.copyFrom].time, 24 * kFrame);
    ASSERT_EQ(plan.skipped.size(), 2u);  // 22 and 23 refer back to the head's group
    EXPECT_EQ(pictures[plan.skipped.front()].time, 22 * kFrame);
    EXPECT_EQ(plan.headPictures, 7u);  // 17 to 23
    EXPECT_EQ(pictures[plan.copyTo].time, 240 * kFrame);
    // 238 and 239 lead the group at 240: decoded from the group at 228, which stays copied.
    EXPECT_EQ(pictures[plan.tailDecodeFrom].time, 228 * kFrame);
    EXPECT_EQ(plan.tailPictures, 7u);  // 238 to 244
    EXPECT_EQ(plan.headPictures + plan.copiedPictures() + plan.tailPictures, 228u);

    // Leading pictures that others refer to cannot be left out: that group is encoded again.
    for (CodedPicture& picture : pictures) {
        if (picture.time == 22 * kFrame) {
            picture.skippable = false;
        }
    }
    plan = planLosslessCut(pictures, 17 * kFrame, 245 * kFrame);
    EXPECT_EQ(pictures[plan.copyFrom].time, 36 * kFrame);
    EXPECT_EQ(plan.headPictures, 19u);  // 17 to 35
}

TEST(LosslessCutPlan, ASpanWithinOneGroupIsEncodedAsAWhole) {
    const std::vector<CodedPicture> pictures = stream(120, 60);
    const LosslessCutPlan plan = planLosslessCut(pictures, 5 * kFrame, 50 * kFrame);
    EXPECT_EQ(plan.copiedPictures(), 0u);
    EXPECT_EQ(plan.headDecodeFrom, 0u);
    EXPECT_EQ(plan.headPictures, 45u);
    EXPECT_EQ(plan.tailPictures, 0u);
}

// An encoded head without reordering, then copied groups with two B-pictures, then an encoded
// tail: every picture is decoded before it shows, and the decoding times never go back at the
// seams (a writer refuses them, or a player stalls there).
TEST(LosslessCutPlan, DecodingTimesRunOnAcrossTheSeams) {
    std::vector<int64_t> shown = {0, 1, 2};  // the head
    for (int64_t group = 3; group < 9; group += 3) {
        shown.insert(shown.end(), {group, group + 2, group + 1});  // I P B
    }
    shown.insert(shown.end(), {9, 10});  // the tail
    const std::vector<int64_t> decoding = decodingTimes(shown);
    ASSERT_EQ(decoding.size(), shown.size());
    for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_LE(decoding[i], shown[i]) << i;
        if (i > 0) {
            EXPECT_LT(decoding[i - 1], decoding[i]) << i;
        }
    }
    EXPECT_EQ(decoding.front(), -1);  // moved back by the one picture a P waits for its B
}

}  // namespace
