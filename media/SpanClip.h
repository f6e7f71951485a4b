#pragma once

#include <gst/audio/audio.h>
#include <gst/gst.h>

#include <atomic>
#include <cstdint>

// Holds a decoded stream to a span of its file's own clock (the buffers' times, 100-ns units),
// whatever the reader delivers: the segment starts at the span's start, so that its first picture
// comes at time 0 of the output; what lies before the start is dropped (sound cut to the sample),
// and the stream ends at the span's stop (never, for a negative stop).
//
// After an accurate seek a good reader delivers just that, and nothing changes. Others do not:
// GStreamer 1.22's MPEG program stream reader starts its segment at 0 for a clock that starts
// late (the output would open with a frozen picture) and lands a second or more after the time
// a seek asked for.
class SpanClip {
  public:
    // Watches a decoded stream; it is held to the span once begin() is called. The clip belongs
    // to the pad's probe and goes with it.
    static SpanClip* attach(GstPad* decoded, int64_t start, int64_t stop);

    // From the next segment on (the one a seek brings), the stream is held to the span.
    void begin() { active_ = true; }

  private:
    SpanClip(int64_t start, int64_t stop);
    static GstPadProbeReturn onData(GstPad* pad, GstPadProbeInfo* info, gpointer self);
    GstPadProbeReturn onEvent(GstPadProbeInfo* info);
    GstPadProbeReturn onBuffer(GstPad* pad, GstPadProbeInfo* info);
    void narrow(GstSegment* segment) const;

    GstClockTime start_ = 0;  // buffer times
    GstClockTime stop_ = GST_CLOCK_TIME_NONE;
    GstSegment segment_;  // as sent on, in the buffers' times
    GstAudioInfo sound_;  // rate 0 for pictures
    bool ended_ = false;
    bool holding_ = false;  // the segment in force came after begin()
    std::atomic<bool> active_{false};
};
