#include <gtest/gtest.h>

#include "engine/KeptTracks.h"

namespace {

SourceTrack track(SourceTrack::Kind kind, int number, const char* id) {
    SourceTrack made;
    made.kind = kind;
    made.number = number;
    made.streamId = id;
    return made;
}

const std::vector<SourceTrack> kFilm = {
    track(SourceTrack::Kind::Video, 1, "v"), track(SourceTrack::Kind::Sound, 1, "main"),
    track(SourceTrack::Kind::Sound, 2, "commentary"), track(SourceTrack::Kind::Subtitles, 1, "s")};

TEST(KeptTracks, ChoicesAreReadAsTheCommandLineWritesThem) {
    EXPECT_TRUE(parseSoundTrackChoice("all")->all);
    const auto none = parseSoundTrackChoice(" None ");
    ASSERT_TRUE(none);
    EXPECT_FALSE(none->all);
    EXPECT_TRUE(none->numbers.empty());
    EXPECT_EQ(parseSoundTrackChoice("3,1,3")->numbers, (std::vector<int>{3, 1}));
    for (const char* wrong : {"", "0", "-1", "1,", "two", "1;2"}) {
        EXPECT_FALSE(parseSoundTrackChoice(wrong)) << wrong;
    }
}

TEST(KeptTracks, EveryTrackOrTheChosenOnesGoInTheFilesOrder) {
    EXPECT_EQ(keptSoundTracks(kFilm, {}, true).streamIds,
              (std::vector<QString>{"main", "commentary"}));
    EXPECT_EQ(keptSoundTracks(kFilm, *parseSoundTrackChoice("2,1"), true).streamIds,
              (std::vector<QString>{"main", "commentary"}));
    EXPECT_EQ(keptSoundTracks(kFilm, *parseSoundTrackChoice("2"), true).streamIds,
              (std::vector<QString>{"commentary"}));
    EXPECT_TRUE(keptSoundTracks(kFilm, *parseSoundTrackChoice("none"), true).streamIds.empty());
}

TEST(KeptTracks, AFormatOfOneTrackTakesTheFirstChosenAndCountsTheRest) {
    const KeptSound all = keptSoundTracks(kFilm, {}, false);
    EXPECT_EQ(all.streamIds, (std::vector<QString>{"main"}));
    EXPECT_EQ(all.leftOut, 1);
    const KeptSound second = keptSoundTracks(kFilm, *parseSoundTrackChoice("2"), false);
    EXPECT_EQ(second.streamIds, (std::vector<QString>{"commentary"}));
    EXPECT_EQ(second.leftOut, 0);
    const KeptSound missing = keptSoundTracks(kFilm, *parseSoundTrackChoice("1,3"), true);
    EXPECT_EQ(missing.missingNumber, 3);
    EXPECT_TRUE(missing.streamIds.empty());
}

TEST(KeptTracks, ChaptersAreMovedToTheSpanAndCutToIt) {
    constexpr int64_t kSecond = 10'000'000;
    const std::vector<SourceChapter> chapters = {{0, 7 * kSecond, "Beach"},
                                                 {7 * kSecond, 15 * kSecond, "Mountains"},
                                                 {15 * kSecond, 20 * kSecond, "Home"}};
    EXPECT_EQ(chaptersInSpan(chapters, 3 * kSecond, 12 * kSecond),
              (std::vector<SourceChapter>{{0, 4 * kSecond, "Beach"},
                                          {4 * kSecond, 9 * kSecond, "Mountains"}}));
    EXPECT_EQ(chaptersInSpan(chapters, 7 * kSecond, 15 * kSecond),
              (std::vector<SourceChapter>{{0, 8 * kSecond, "Mountains"}}));
}

}  // namespace
