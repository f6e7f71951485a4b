#pragma once

#include <memory>

#include "media/Status.h"

class Timeline;
class UserDialogs;
struct ConversionProject;
struct OutputSettings;

// Lays the project on an editing timeline: a video group at the output size and rate with one
// track per video item, each carrying its source trimmed to the start and end time, and a sound
// group with the first audio item over the same span. Failures of single steps are shown through
// `dialogs` and the rest is still built; the result is a failure only when no timeline could be
// made at all.
Status createTimeline(const ConversionProject& project, const OutputSettings& settings,
                      UserDialogs& dialogs, std::shared_ptr<Timeline>* timeline);

// The same on a timeline the caller made, empty.
void buildTimeline(const ConversionProject& project, const OutputSettings& settings,
                   UserDialogs& dialogs, Timeline& timeline);
