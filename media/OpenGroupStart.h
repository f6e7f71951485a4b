#pragma once

#include <gst/gst.h>

#include <QString>
#include <cstdint>
#include <memory>

// Lets an H.264 stream copied from an open group's key picture (an I picture that is its own
// recovery point, not an IDR one) follow pictures encoded elsewhere, as a sequence of its own:
// - the key picture becomes an IDR picture;
// - frame numbers and picture orders are counted from it;
// - marking commands that name pictures before it are left out;
// - its sequence parameter sets allow gaps in the frame numbers, where the leading pictures that
//   referred to the group before were left out.
// The coded pictures themselves stay as they are. Packets are avc3 (4-byte lengths), one picture
// each, in decoding order, starting with the key picture.
class OpenGroupStart {
  public:
    OpenGroupStart();
    ~OpenGroupStart();
    OpenGroupStart(const OpenGroupStart&) = delete;
    OpenGroupStart& operator=(const OpenGroupStart&) = delete;

    // The packet as the joined stream holds it (a new buffer, times and flags kept), or null with
    // the reason in `error` where the stream uses what this does not rewrite (fields, long-term
    // pictures, slice groups, scaling lists in the sequence set). The first packet must carry
    // the sequence and picture parameter sets.
    GstBuffer* rewrite(GstBuffer* packet, QString* error);

  private:
    struct State;
    std::unique_ptr<State> state_;
};
