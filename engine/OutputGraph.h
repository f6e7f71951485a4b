#pragma once

#include <gst/gst.h>

#include <QString>
#include <functional>
#include <memory>

class ConversionGraph;
class Timeline;
class UserDialogs;
struct OutputSettings;

// Shows the property dialog of the graph's elements before a preview runs (output format 4).
using FilterPropertyDialog = std::function<void(GstPipeline* graph)>;

// Connects the timeline through the chosen compressors (or, for WMV, the encoders of a Windows
// Media profile) into the writer of the chosen format and starts it. Every failure is shown
// through `dialogs`, leaves nothing running and gives nullptr. WMV output clears both compressor
// flags of the settings, as no compressor goes in front of its writer. The file is written at
// `writePath`, or at the settings' output name when that is empty.
std::unique_ptr<ConversionGraph> renderTimeline(std::shared_ptr<Timeline> timeline,
                                                OutputSettings& settings, UserDialogs& dialogs,
                                                const FilterPropertyDialog& propertyDialog = {},
                                                const QString& writePath = {});

// Web pages offered when a writer is not installed.
extern const char* const kMatroskaHelpPage;
extern const char* const kAsfMultiplexerSearchPage;
