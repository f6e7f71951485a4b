#pragma once

#include <gst/gst.h>

#include <QString>

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
    QString streamId;             // the source stream it takes; empty: the first of its kind
};

// Adds the chain for `group` to `bin`, linked inside but not to its input.
Status makeGroupChain(GstBin* bin, const TimelineGroup& group, const TimelineSource& source,
                      GroupChain* chain);

// Puts what the decoded pictures (`decoded`, with caps) need behind the chain's queue: a depth
// reducer for more than 8 bits a sample, a black background for transparent ones, a converter
// for formats the flipper refuses; nothing has flowed yet.
void adaptDecodedPictures(GstPipeline* pipeline, GstElement* queue, GstPad* decoded);
