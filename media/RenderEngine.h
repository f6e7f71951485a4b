#pragma once

#include <gst/gst.h>

#include <QString>
#include <memory>
#include <vector>

#include "media/GPtr.h"
#include "media/SourceReach.h"
#include "media/Status.h"

class Timeline;
struct RenderEngineParts;

// Turns a timeline into a running GStreamer pipeline: a GStreamer Editing Services timeline with
// one output pad per group, inside a pipeline that the writing end is added to. Every group
// delivers every frame; nothing is dropped for speed.
class RenderEngine {
  public:
    RenderEngine();
    ~RenderEngine();
    RenderEngine(const RenderEngine&) = delete;
    RenderEngine& operator=(const RenderEngine&) = delete;

    Status setTimelineObject(std::shared_ptr<Timeline> timeline);

    // Whether the compressor after the engine keeps every core busy with threads of its own (the
    // decoder then takes fewer). Set before connectFrontEnd.
    void setBusyCompressor(bool busy) { busyCompressor_ = busy; }

    // Builds the editing timeline and the pipeline. On failure errorText says why.
    Status connectFrontEnd(QString* errorText = nullptr);

    // Lets the sources flow: called once the writing end is in place, before the pipeline plays.
    void start();

    // The pipeline the writing end goes into; nullptr before connectFrontEnd.
    GstPipeline* filterGraph() const;

    // Groups of the timeline that deliver a stream: a sound group whose sources have no sound is
    // left out, so the written file has no empty sound track.
    int groupCount() const;
    // The output pad of a delivering group (borrowed; valid while the engine lives).
    Status groupOutputPin(int group, GstPad** pad) const;
    // Whether a delivering group carries pictures.
    bool groupIsVideo(int group) const;

    // The furthest media time (100-ns units) the sources were read to: the end of their longest
    // stream read so far (see SourceReach); -1 before anything was read.
    StreamsReached sourceReach() const;

    // Stops and drops the pipeline.
    void scrapIt();

    // Whether the last connectFrontEnd went around the editing services (see DirectFrontEnd).
    bool isDirect() const;

  private:
    Status connectTimeline(RenderEngineParts& parts, QString& error);

    std::shared_ptr<Timeline> timeline_;
    std::unique_ptr<RenderEngineParts> parts_;
    bool busyCompressor_ = false;
};
