#pragma once

#include <gst/gst.h>

#include <QByteArray>
#include <QString>
#include <deque>

#include "media/PacketReader.h"
#include "media/Status.h"

struct LosslessCutJob;

// What joins copied MPEG-4 Part 2 pictures to the encoded edges: the source's own setup (its
// video object layer) before the first copied picture and in the writer's caps, and the edges'
// setup saying what the source's says of B-VOPs.
class Mpeg4Seam {
  public:
    // Reads the source's setup from the copy's caps or, where they carry none (an AVI file
    // holds it in its first picture only), from the stream's first packet.
    Status read(const LosslessCutJob& job, const GstCaps* copyCaps, QString* error);
    bool isRead() const { return !setup_.isEmpty(); }

    // The first copied picture, with the source's setup before it where it carries none: the
    // edges' encoder writes a setup of its own.
    GstBufferPtr opening(GstBufferPtr firstCopied) const;
    // The writer's caps, with the setup as their codec_data where they carry none.
    GstCapsPtr withSetup(GstCapsPtr caps) const;
    // A decoder holds each picture back until the next when the setup says B-VOPs may come
    // (low_delay unset), and shows each at once otherwise. Switching between the two at a seam
    // shows a picture twice or loses one, so the edges (which have no B-VOPs) are made to say
    // what the source says; `bFrames`: whether the source has B-VOPs, where its setup is silent.
    Status matchEdges(std::deque<GstBufferPtr>* head, std::deque<GstBufferPtr>* tail, bool bFrames,
                      QString* error) const;

  private:
    QByteArray setup_;
};
