#pragma once

#include <gst/gst.h>

#include <QString>
#include <memory>
#include <vector>

#include "media/Status.h"

class Timeline;
struct DirectFrontEndParts;

// The front end of a conversion whose timeline holds one source file per group, all trimmed
// alike (what Open Video makes): the file is decoded once and each stream goes straight to its
// group's output, its pictures turned upright, brought to the output rate and scaled into the
// frame in one pass. The editing services would decode the same, then mix every picture onto a
// black frame, at a third more of the whole conversion's time.
//
// The trim is an accurate seek made before anything reaches the writer: the decoded streams wait
// at gates at the front end's entrance until the seek has been done, and flow once release() is
// called, when the writer is in place.
class DirectFrontEnd {
  public:
    // Whether a timeline is one this front end renders the same as the editing services. Animated
    // GIFs are left to the editing services: their decoder stamps every picture with time 0.
    static bool suits(const Timeline& timeline);

    DirectFrontEnd();
    ~DirectFrontEnd();
    DirectFrontEnd(const DirectFrontEnd&) = delete;
    DirectFrontEnd& operator=(const DirectFrontEnd&) = delete;

    // Builds the front end for `timeline` inside `pipeline` (left PAUSED), decodes up to the
    // start of the span and waits there. Sound groups of a file without sound are left out, as
    // the editing services leave them out. On failure errorText says why; kNotImplemented means
    // the file is one to leave to the editing services after all (an animated GIF).
    Status build(const Timeline& timeline, GstPipeline* pipeline, QString* errorText);

    // The output pad of each delivering group, in timeline order (borrowed), and its kind.
    int groupCount() const;
    GstPad* groupPad(int group) const;
    bool groupIsVideo(int group) const;

    // Lets the streams flow from the start of the span.
    void release();

  private:
    std::unique_ptr<DirectFrontEndParts> parts_;
};
