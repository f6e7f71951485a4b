#pragma once

#include <gst/gst.h>

#include <QString>
#include <cstdint>
#include <optional>

#include "media/CuePacer.h"
#include "media/GPtr.h"
#include "media/SourceTracks.h"

class Timeline;

// What the single source of a timeline holds beside its pictures and sound, with the span of it
// that is converted (on its own clock): read once for the output graph.
class SourceExtras {
  public:
    // Nullopt for a timeline of several items, or a source whose contents cannot be read.
    static std::optional<SourceExtras> read(const Timeline& timeline);
    // The same for one file cut from `start` to `stop` (100-ns units on its own clock).
    static std::optional<SourceExtras> read(const QString& path, int64_t start, int64_t stop);

    const SourceContents& contents() const { return contents_; }

    // Gives a writer what it keeps of the source beside its tracks: the chapters of the span,
    // moved to it, and the recording time.
    void giveWriter(GstElement* writer) const;

    // An app source of the cues of `track` in the span, as text or (to be drawn into the
    // picture) as markup; nullptr when none shows there or they cannot be read. The cues are
    // given all at once, or by `pacer` as the writer's pictures come.
    GObjectPtr<GstElement> makeCueSource(const SourceTrack& track, bool markup,
                                         CuePacer* pacer = nullptr) const;

  private:
    QString path_;
    SourceContents contents_;
    int64_t start_ = 0;
    int64_t stop_ = 0;
};
