#pragma once

#include <gst/gst.h>

#include <QByteArray>
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "media/GPtr.h"

// Gives subtitle cues to a writer no further ahead than its pictures and sound have come, so
// that a conversion stopped midway ends its subtitle tracks where its pictures end. Between
// cues, gaps announced a little ahead keep the writer going. mp4mux waits for every track and
// holds each sample until the next one comes, so for it (and the other aggregating writers)
// the gaps are empty cues, the samples that MP4's timed text has for "nothing shown"; others
// get gap events.
class CuePacer : public std::enable_shared_from_this<CuePacer> {
  public:
    struct Cue {
        GstClockTime start = 0;
        GstClockTime stop = 0;
        QByteArray text;
    };

    // Gives every cue to `source` at once, then its end: for a reader that waits for the
    // pictures itself (the overlay that draws them).
    static void giveAll(GstElement* source, const std::vector<Cue>& cues);

    // `source` is an app source linked to the writer; it is pushed to only from here. The cues
    // lie in [0, spanEnd), the converted span.
    void addTrack(GstElement* source, std::vector<Cue> cues, GstClockTime spanEnd);
    // Watches the writer's pads that are linked now: its pictures and sound.
    void watchPadsOf(GstElement* writer);
    // The pictures and sound have come this far (running time): for a writer fed from one
    // thread, which cannot run ahead of the writer's pads by itself.
    void reached(GstClockTime position);

  private:
    struct Track {
        GObjectPtr<GstElement> source;
        std::vector<Cue> cues;
        GstClockTime spanEnd = 0;
        size_t next = 0;
        GstClockTime cursor = 0;               // where the gaps and cues given so far end
        std::array<GstClockTime, 2> recent{};  // the times of the last two of them
        uint64_t givenCount = 0;
        bool ended = false;
    };

    void mediaEnded();
    void feed(Track& track, GstClockTime position) const;
    static void finish(Track& track, GstClockTime end);

    std::mutex mutex_;
    std::vector<Track> tracks_;
    GstClockTime position_ = 0;
    int watched_ = 0;
    int ended_ = 0;
    bool finished_ = false;
    bool emptyCues_ = false;
};
