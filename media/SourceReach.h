#pragma once

#include <gst/gst.h>

#include <atomic>
#include <cstdint>

// How far the sources of a conversion were read, per kind of stream, on the sources' own clock
// (the packets' times, 100-ns units): the end of the last packet each demuxer gave out. A timeline
// fills what a source does not deliver with black and silence, so a source cut off early shows only
// here. Packets are watched rather than decoded pictures: decoders do not all stamp their output
// (the animated GIF decoder stamps every picture 0).
// The end of the last packet read of each kind of stream, -1 before any was read.
struct StreamsReached {
    int64_t video = -1;
    int64_t audio = -1;
};

class SourceReach {
  public:
    // Watches the packets of a demuxer's output pads, from the pads it adds from now on.
    void watchDemuxer(GstElement* demuxer);

    // -1 before anything of that kind was read.
    int64_t video() const { return video_.load(); }
    int64_t audio() const { return audio_.load(); }
    StreamsReached both() const { return {.video = video(), .audio = audio()}; }

  private:
    friend struct DemuxedPad;
    std::atomic<int64_t> video_{-1};
    std::atomic<int64_t> audio_{-1};
};

// libav's demuxers start the stream after a seek with a segment, and end it, with events of
// their own numbering instead of the seek's. The editing services' composition seeks each source
// and waits for the end of exactly that seek (its mixer numbers its end-of-stream after the
// segments it receives), so a source read through them (animated GIFs are) never ends. This makes
// the demuxer's pads give both events the number of the last seek they saw.
void keepSeekNumbers(GstElement* demuxer);

bool isDemuxer(GstElement* element);
bool isLibavDemuxer(GstElement* element);
