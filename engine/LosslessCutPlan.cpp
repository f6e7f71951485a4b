#include "engine/LosslessCutPlan.h"

#include <algorithm>
#include <iterator>

namespace {

struct Group {
    size_t begin = 0;  // its random-access picture
    size_t end = 0;
    int64_t earliest = 0;  // the earliest and latest presentation times in it
    int64_t latest = 0;
    std::vector<size_t> leading;  // pictures that show before its random-access picture
    bool leadingSkippable = true;
};

std::vector<Group> groupsOf(const std::vector<CodedPicture>& pictures) {
    std::vector<Group> groups;
    for (size_t i = 0; i < pictures.size(); ++i) {
        if (pictures[i].randomAccess || groups.empty()) {
            groups.push_back({.begin = i,
                              .end = i,
                              .earliest = pictures[i].time,
                              .latest = pictures[i].time,
                              .leading = {},
                              .leadingSkippable = true});
        }
        Group& group = groups.back();
        group.end = i + 1;
        group.earliest = std::min(group.earliest, pictures[i].time);
        group.latest = std::max(group.latest, pictures[i].time);
        if (pictures[i].time < pictures[group.begin].time && !pictures[i].leadsOnItsOwn) {
            group.leading.push_back(i);
            group.leadingSkippable = group.leadingSkippable && pictures[i].skippable;
        }
    }
    return groups;
}

}  // namespace

LosslessCutPlan planLosslessCut(const std::vector<CodedPicture>& pictures, int64_t start,
                                int64_t stop) {
    const std::vector<Group> groups = groupsOf(pictures);
    // A group is copied when every picture it keeps shows inside the span: the first copied
    // group keeps its leading pictures out.
    const auto inside = [&](const Group& group, bool opensRun) {
        const int64_t earliest =
            opensRun && !group.leading.empty() ? pictures[group.begin].time : group.earliest;
        return earliest >= start && group.latest < stop;
    };
    auto first = std::find_if(groups.begin(), groups.end(), [&](const Group& group) {
        return (group.leading.empty() || group.leadingSkippable) && inside(group, true);
    });
    auto last = first;
    if (first != groups.end()) {
        ++last;
        while (last != groups.end() && inside(*last, false)) {
            ++last;
        }
    }
    LosslessCutPlan plan;
    const auto startGroup = std::find_if(groups.rbegin(), groups.rend(), [&](const Group& group) {
        return pictures[group.begin].time <= start;
    });
    plan.headDecodeFrom = startGroup != groups.rend() ? startGroup->begin : 0;
    const auto countIn = [&](size_t from, size_t to, int64_t low, int64_t high) {
        return size_t(std::count_if(pictures.begin() + std::ptrdiff_t(from),
                                    pictures.begin() + std::ptrdiff_t(to),
                                    [&](const CodedPicture& picture) {
                                        return picture.time >= low && picture.time < high;
                                    }));
    };
    if (first == groups.end()) {
        // Nothing to copy: the span is encoded again as a whole.
        plan.copyFrom = plan.copyTo = plan.headDecodeTo = plan.tailDecodeFrom = pictures.size();
        plan.headStop = stop;
        plan.tailStart = stop;
        plan.headPictures = countIn(plan.headDecodeFrom, pictures.size(), start, stop);
        return plan;
    }
    plan.copyFrom = first->begin;
    plan.copyTo = std::prev(last)->end;
    plan.skipped = first->leading;
    // The head runs up to the copied random-access picture and takes its leading pictures: they
    // refer to both sides.
    plan.headStop = pictures[first->begin].time;
    plan.headDecodeTo = first->leading.empty() ? first->begin : first->leading.back() + 1;
    plan.headPictures = countIn(plan.headDecodeFrom, plan.headDecodeTo, start, plan.headStop);
    plan.tailStart = std::prev(last)->latest + 1;
    const bool nextOpen = last != groups.end() && !last->leading.empty();
    plan.tailDecodeFrom = nextOpen ? std::prev(last)->begin : plan.copyTo;
    plan.tailPictures = countIn(plan.tailDecodeFrom, pictures.size(), plan.tailStart, stop);
    return plan;
}

std::vector<int64_t> decodingTimes(const std::vector<int64_t>& shown) {
    std::vector<int64_t> sorted = shown;
    std::sort(sorted.begin(), sorted.end());
    int64_t delay = 0;
    for (size_t i = 0; i < shown.size(); ++i) {
        delay = std::max(delay, sorted[i] - shown[i]);
    }
    for (int64_t& time : sorted) {
        time -= delay;
    }
    return sorted;
}
