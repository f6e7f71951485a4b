#pragma once

#include <QString>
#include <cstdint>

#include "media/Status.h"

class Timeline;
class TimelineObject;
class UserDialogs;

// The 47 transition kinds a video item can carry. Index 0 is no transition, 1 to 16 are effects
// of their own, 17 to 46 patterns of the one SMPTE wipe, told apart by its "MaskNum" property.
constexpr int32_t kTransitionCount = 47;

enum class TransitionKind { None, Effect, SmpteWipe };

struct TransitionEntry {
    const char* name;
    TransitionKind kind;
    const char* guid;    // class identifier of the effect; nullptr for "None"
    int32_t maskNumber;  // SMPTE wipe code; 0 for the others
};

extern const char* const kSmpteWipeGuid;

// The entry of an index; an index outside 0..46 has no entry (nullptr).
const TransitionEntry* transitionEntry(int32_t index);

// Lays the transition `transitionIndex` from start to stop on a track of the timeline. Index 0
// creates nothing. A failing step is shown through `dialogs` and its code returned.
Status addTransition(Timeline& timeline, TimelineObject& track, int64_t start, int64_t stop,
                     int32_t transitionIndex, UserDialogs& dialogs);
