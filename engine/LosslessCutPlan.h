#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Which pictures of a copied cut keep the source's coded bytes and which are encoded again. The
// pictures written are those with Start Time <= time < End Time, as in a re-encoded conversion;
// whole groups of pictures inside the span are copied, the pictures before the first copied group
// and after the last one are decoded and encoded again.

// One coded picture of the source, in decoding order.
struct CodedPicture {
    int64_t time = 0;  // presentation time on the file's clock (the cut uses nanoseconds)
    // Decoding can start here with nothing before it: an IDR picture or an I picture that is its
    // own recovery point (H.264), an IRAP one (H.265), a key frame (VP8, VP9). An I picture
    // alone is not one.
    bool randomAccess = false;
    // A leading picture (it follows a random-access picture in decoding order and shows before
    // it) that no picture after the leading ones refers to: H.265's RASL pictures, the leading
    // pictures of an H.264 recovery point. A group may open the copied run without them.
    bool skippable = false;
    // A leading picture that refers to nothing before its group (H.265's RADL pictures): it is
    // copied as any other.
    bool leadsOnItsOwn = false;
};

struct LosslessCutPlan {
    // Decoding order: [copyFrom, copyTo) is copied byte for byte, except `skipped` (the leading
    // pictures of the first copied group, which refer to what is not copied). Empty when no group
    // lies wholly inside the span.
    size_t copyFrom = 0;
    size_t copyTo = 0;
    std::vector<size_t> skipped;
    // The head is decoded from headDecodeFrom up to (not including) headDecodeTo, and its
    // pictures with Start Time <= time < headStop are encoded; the tail is decoded from
    // tailDecodeFrom, and its pictures with tailStart <= time < End Time are encoded.
    size_t headDecodeFrom = 0;
    size_t headDecodeTo = 0;
    int64_t headStop = 0;
    size_t tailDecodeFrom = 0;
    int64_t tailStart = 0;
    size_t headPictures = 0;
    size_t tailPictures = 0;
    size_t copiedPictures() const { return copyTo - copyFrom - skipped.size(); }
};

// Plans the cut [start, stop). An open group (pictures after its random-access picture show
// before it and refer to the group before) opens the copied run only when those pictures can be
// skipped: they are encoded again with the head. After the run, the tail is decoded from the
// last copied group when the group that follows is open, so that its leading pictures decode.
LosslessCutPlan planLosslessCut(const std::vector<CodedPicture>& pictures, int64_t start,
                                int64_t stop);

// The decoding times of pictures written in decoding order with these presentation times (an
// encoded edge, copied groups, an encoded edge): the presentation times in order, moved back by
// the most that any picture shows after its turn, so that every picture is decoded before it
// shows, in order, each at a time of its own.
std::vector<int64_t> decodingTimes(const std::vector<int64_t>& shown);
