#pragma once

#include <gst/gst.h>

#include "media/Status.h"

class TimelineGroup;
class TimelineSource;

// The elements that bring one decoded stream to its group's output: pictures brought to the
// output rate, turned upright and scaled into the frame in one pass; sound resampled to the
// output's rate and channels. The editing services' tracks do the same inside their mixers.
struct GroupChain {
    bool video = false;
    GstElement* first = nullptr;  // owned by the pipeline
    GstElement* queue = nullptr;  // video only; owned by the pipeline
    GstPad* output = nullptr;     // owned by the chain's last element
    bool linked = false;          // whether a decoded stream feeds it
    double outputFps = 0;         // video only
};

// Adds the chain for `group` to `bin`, linked inside but not to its input.
Status makeGroupChain(GstBin* bin, const TimelineGroup& group, const TimelineSource& source,
                      GroupChain* chain);

// Puts a depth reducer behind the chain's queue when the decoded pictures (`decoded`, with caps)
// have more than 8 bits a sample; nothing has flowed yet.
void reduceDepthIfNeeded(GstPipeline* pipeline, GstElement* queue, GstPad* decoded);
