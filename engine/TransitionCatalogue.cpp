#include "engine/TransitionCatalogue.h"

#include <array>

#include "base/UserDialogs.h"
#include "media/Timeline.h"

const char* const kSmpteWipeGuid = "{DE75D012-7A65-11D2-8CEA-00A0C9441E20}";

namespace {

constexpr const char* kWipe = "{DE75D012-7A65-11D2-8CEA-00A0C9441E20}";

constexpr std::array<TransitionEntry, kTransitionCount> kCatalogue = {{
    {"None", TransitionKind::None, nullptr, 0},
    {"Iris", TransitionKind::Effect, "{049F2CE6-D996-4721-897A-DB15CE9EB73D}", 0},
    {"RadialWipe", TransitionKind::Effect, "{164484A9-35D9-4FB7-9FAB-48273B96AA1D}", 0},
    {"Fade", TransitionKind::Effect, "{16B280C5-EE70-11D1-9066-00C04FD9189D}", 0},
    {"ZigZag", TransitionKind::Effect, "{23E26328-3928-40F2-95E5-93CAD69016EB}", 0},
    {"RandomBars", TransitionKind::Effect, "{2E7700B7-27C4-437F-9FBF-1E8BE2817566}", 0},
    {"Spiral", TransitionKind::Effect, "{4A03DCB9-6E17-4A39-8845-4EE7DC5331A5}", 0},
    {"Pixelate", TransitionKind::Effect, "{4CCEA634-FBE0-11D1-906A-00C04FD9189D}", 0},
    {"Wheel", TransitionKind::Effect, "{5AE1DAE0-1461-11D2-A484-00C04F8EFB69}", 0},
    {"Strips", TransitionKind::Effect, "{63A4B1FC-259A-4A5B-8129-A83B8C9E6F4F}", 0},
    {"Inset", TransitionKind::Effect, "{76F363F2-7E9F-4ED7-A6A7-EE30351B6628}", 0},
    {"Blinds", TransitionKind::Effect, "{9A4A4A51-FB3A-4F4B-9B57-A2912A289769}", 0},
    {"Wipe", TransitionKind::Effect, "{AF279B30-86EB-11D1-81BF-0000F87557DB}", 0},
    {"CheckerBoard", TransitionKind::Effect, "{B3EE7802-8224-4787-A1EA-F0DE16DEABD3}", 0},
    {"Slide", TransitionKind::Effect, "{D1C5A1E7-CC47-4E32-BDD2-4B3C5FC50AF5}", 0},
    {"Stretch", TransitionKind::Effect, "{F088DE73-BDD0-4E3C-81F8-6D32F4FE9D28}", 0},
    {"RandomDissolve", TransitionKind::Effect, "{F7F4A1B6-8E87-452F-A2D7-3077F508DBC0}", 0},
    {"Horizontal", TransitionKind::SmpteWipe, kWipe, 1},
    {"Vertical", TransitionKind::SmpteWipe, kWipe, 2},
    {"Four corners", TransitionKind::SmpteWipe, kWipe, 7},
    {"Barn doors, horizontal", TransitionKind::SmpteWipe, kWipe, 22},
    {"Diagonal, NW to SE", TransitionKind::SmpteWipe, kWipe, 41},
    {"Triangles, top/bottom", TransitionKind::SmpteWipe, kWipe, 43},
    {"Triangles, left/right", TransitionKind::SmpteWipe, kWipe, 44},
    {"Diagonal stripe, SW to NE", TransitionKind::SmpteWipe, kWipe, 45},
    {"Cross", TransitionKind::SmpteWipe, kWipe, 47},
    {"Diamond Box", TransitionKind::SmpteWipe, kWipe, 48},
    {"Wedge, top", TransitionKind::SmpteWipe, kWipe, 61},
    {"Wedge, left", TransitionKind::SmpteWipe, kWipe, 64},
    {"Sawtooth, left", TransitionKind::SmpteWipe, kWipe, 71},
    {"Sawtooth, top", TransitionKind::SmpteWipe, kWipe, 72},
    {"Sawtooth, vertical", TransitionKind::SmpteWipe, kWipe, 73},
    {"Sawtooth, horizontal", TransitionKind::SmpteWipe, kWipe, 74},
    {"Box", TransitionKind::SmpteWipe, kWipe, 101},
    {"Diamond", TransitionKind::SmpteWipe, kWipe, 102},
    {"Hexagon", TransitionKind::SmpteWipe, kWipe, 113},
    {"Circle", TransitionKind::SmpteWipe, kWipe, 119},
    {"Oval, horizontal", TransitionKind::SmpteWipe, kWipe, 120},
    {"Rounded rectangle, horizontal", TransitionKind::SmpteWipe, kWipe, 124},
    {"4-point star", TransitionKind::SmpteWipe, kWipe, 127},
    {"5-point star", TransitionKind::SmpteWipe, kWipe, 128},
    {"Heart", TransitionKind::SmpteWipe, kWipe, 130},
    {"Radial, left", TransitionKind::SmpteWipe, kWipe, 224},
    {"Radial, top split", TransitionKind::SmpteWipe, kWipe, 231},
    {"Radial, top-right corner", TransitionKind::SmpteWipe, kWipe, 244},
    {"Center radial, top", TransitionKind::SmpteWipe, kWipe, 251},
    {"Matrix, horizontal", TransitionKind::SmpteWipe, kWipe, 301},
}};

constexpr int32_t kFirstWipeIndex = 17;

// The index's effect; an index outside the table takes the wipe with its default pattern.
const char* guidFor(int32_t index) {
    const TransitionEntry* entry = transitionEntry(index);
    return entry && entry->guid ? entry->guid : kSmpteWipeGuid;
}

Status attachMaskNumber(TimelineTransition& transition, int32_t maskNumber) {
    auto setter = std::make_shared<PropertySetter>();
    const Status added = setter->addProp(
        {QStringLiteral("MaskNum"), maskNumber, 0, PropertySetter::Interpolation::Jump});
    const Status attached = transition.setPropertySetter(setter);
    return failed(added) ? added : attached;
}

}  // namespace

const TransitionEntry* transitionEntry(int32_t index) {
    if (index < 0 || index >= kTransitionCount) {
        return nullptr;
    }
    return &kCatalogue[static_cast<size_t>(index)];
}

Status addTransition(Timeline& timeline, TimelineObject& track, int64_t start, int64_t stop,
                     int32_t transitionIndex, UserDialogs& dialogs) {
    if (transitionIndex == 0) {
        return status::kOk;
    }
    std::shared_ptr<TimelineObject> node;
    Status result = timeline.createEmptyNode(TimelineNodeType::Transition, &node);
    if (failed(result)) {
        dialogs.inform(QStringLiteral("Could not CreateEmptyNode TIMELINE_MAJOR_TYPE_TRANSITION"));
        return result;
    }
    auto transition = std::static_pointer_cast<TimelineTransition>(node);
    result = transition->setSubObjectGuid(QString::fromLatin1(guidFor(transitionIndex)));
    if (failed(result)) {
        dialogs.inform(QStringLiteral("Could not SetSubObjectGUID"));
        return result;
    }
    result = transition->setStartStop(start, stop);
    if (failed(result)) {
        dialogs.inform(QStringLiteral("Could not SetStartStop(TLTranStart, TLTranStop);"));
        return result;
    }
    TimelineTrack* transable = track.asTrack();
    if (!transable) {
        dialogs.inform(QStringLiteral("Could not get *pTransable"));
        return status::kNoInterface;
    }
    // The transition goes on the track before its pattern is attached.
    result = transable->addTransition(transition);
    if (failed(result)) {
        dialogs.inform(QStringLiteral("Could not TransAdd(pTransObj)"));
        return result;
    }
    if (transitionIndex >= kFirstWipeIndex && transitionIndex < kTransitionCount) {
        result = attachMaskNumber(*transition, transitionEntry(transitionIndex)->maskNumber);
        if (failed(result)) {
            dialogs.inform(QStringLiteral("Could not SetPropertySetter"));
            return result;
        }
    }
    return status::kOk;
}
