#pragma once

#include <gst/gst.h>

#include <QString>
#include <functional>
#include <memory>

#include "output/quality/EncoderQuality.h"

struct OutputFormat;

class CLanguage;
class ConversionGraph;
class Timeline;
class UserDialogs;
struct OutputSettings;

// Shows the property dialog of the graph's elements before a preview runs (output format 4).
using FilterPropertyDialog = std::function<void(GstPipeline* graph)>;

struct RenderOptions {
    // Shown before a preview with properties (format 4) runs.
    FilterPropertyDialog propertyDialog;
    // Where the file is written; empty: the settings' output name.
    QString writePath;
    // Where a writer may keep a file of its own while it writes (removed with what is written).
    QString scratchPath;
    // How the encoders are set: the quality level, or a size target's bitrate and pass.
    EncoderGoal videoGoal;
    EncoderGoal soundGoal;
    // The first of two passes: the picture goes through its encoder into nothing, and the sound
    // is left unencoded; no file is written.
    bool passWithoutFile = false;
    // What the previews (formats 4 and 5) play into.
    QByteArray previewVideoSink = "autovideosink";
    QByteArray previewAudioSink = "autoaudiosink";
};

// Connects the timeline through the chosen compressors (or, for WMV, the encoders of a Windows
// Media profile) into the writer of the chosen format and starts it. The previews play what the
// compressors made, decoded again. Every failure is shown through `dialogs`, leaves nothing
// running and gives nullptr. The settings are read, never changed.
// Sets a format's writer as every conversion into it does: the format's own properties, and the
// file beside the output where an MP4 writer keeps the media while it puts the index first.
void applyWriterSettings(GstElement* writer, const OutputFormat& format,
                         const QString& scratchPath);

std::unique_ptr<ConversionGraph> renderTimeline(std::shared_ptr<Timeline> timeline,
                                                const OutputSettings& settings,
                                                UserDialogs& dialogs, const CLanguage& language,
                                                const RenderOptions& options = {});
