#include <gtest/gtest.h>

#include "engine/KeptTracks.h"
#include "media/SubtitleCues.h"

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

TEST(KeptTracks, SubtitlesAreKeptBurntOrLeftOutAsTheFormatAllows) {
    std::vector<SourceTrack> tracks = kFilm;
    tracks[3].text = true;
    tracks.push_back(track(SourceTrack::Kind::Subtitles, 2, "dvd"));  // pictures
    tracks.back().format = "subpicture/x-dvd";
    tracks.back().codec = "DVD subtitles";
    tracks.push_back(track(SourceTrack::Kind::Subtitles, 3, ""));
    tracks.back().text = true;
    tracks.back().file = "clip.en.srt";
    tracks.push_back(track(SourceTrack::Kind::Subtitles, 4, "pgs"));
    tracks.back().format = "subpicture/x-pgs";
    tracks.back().codec = "PGS subtitles";
    const auto mkv = [](const QString& format) { return format != "subpicture/x-pgs"; };
    const auto mp4 = [](const QString& format) { return format == "text/x-raw"; };
    const auto avi = [](const QString&) { return false; };
    const KeptSubtitles kept = keptSubtitleTracks(tracks, "keep", 0, mkv);
    ASSERT_EQ(kept.tracks.size(), 3u);
    EXPECT_EQ(kept.tracks[1].format, "subpicture/x-dvd");
    EXPECT_EQ(kept.tracks[2].file, "clip.en.srt");
    EXPECT_EQ(kept.picturesLeftOut, QStringList({"PGS subtitles"}));
    EXPECT_FALSE(kept.burn);
    EXPECT_EQ(keptSubtitleTracks(tracks, "keep", 0, mp4).picturesLeftOut.size(), 2);
    const KeptSubtitles inAvi = keptSubtitleTracks(tracks, "keep", 3, avi);
    EXPECT_TRUE(inAvi.tracks.empty());
    EXPECT_EQ(inAvi.leftOut, 1);
    EXPECT_TRUE(inAvi.picturesLeftOut.isEmpty());
    const KeptSubtitles burnt = keptSubtitleTracks(tracks, "burn", 0, avi);
    ASSERT_EQ(burnt.tracks.size(), 1u);
    EXPECT_TRUE(burnt.burn && burnt.tracks[0].text);
    EXPECT_TRUE(keptSubtitleTracks(tracks, "none", 0, mkv).tracks.empty());
    EXPECT_EQ(keptSubtitleTracks(tracks, "keep", 5, mkv).missingNumber, 5);
}

TEST(KeptTracks, ACueThatBeganBeforeTheStartKeepsWhatRemains) {
    constexpr int64_t kSecond = 10'000'000;
    const std::vector<SubtitleCue> cues = {{1 * kSecond, 2 * kSecond, "Vorher"},
                                           {2 * kSecond, 4 * kSecond, "Grüße"},
                                           {10 * kSecond, 14 * kSecond, "Aussicht"}};
    EXPECT_EQ(cuesInSpan(cues, 3 * kSecond, 12 * kSecond),
              (std::vector<SubtitleCue>{{0, 1 * kSecond, "Grüße"},
                                        {7 * kSecond, 9 * kSecond, "Aussicht"}}));
    EXPECT_EQ(subtitleTextOfMarkup("<span foreground=\"red\"><i>Fish &amp; chips</i></span> "
                                   "&lt;3"),
              "<i>Fish & chips</i> <3");
    EXPECT_EQ(subtitleMarkupOfText("<i>Fish & chips</i>"), "<i>Fish &amp; chips</i>");
}

}  // namespace
