#pragma once

#include <QByteArray>
#include <QString>

#include "media/PictureKinds.h"

// The codecs whose pictures a cut can copy, one row each: how their packets are read for the
// index of pictures and for the writer, and which encoder makes the pictures at the cut's edges.
struct CopyCodec {
    const char* caps;  // the media types, "video/x-h264"; "|" between several
    const char* name;  // for messages
    PictureCodec pictures;
    // Read for the index: one picture a packet, in a form whose NAL units can be walked.
    const char* indexChain;
    // Read for the writer: parameter sets in the stream before every random-access picture, so
    // that a decoder finds them again after each seam (avc3, hev1).
    const char* copyChain;
    // Between the decoded pictures and the writer: the encoder, with no reordering (the edges'
    // decoding times are then their presentation times) and a constant quality at which the
    // edges look like the copied pictures; "%1" takes the source's profile.
    const char* edgeChain;
    // Closes the encoded head so that the copied picture after it starts a new sequence, where
    // its parameter sets may differ (H.265's end of sequence); empty: none needed.
    QByteArray endOfSequence;
};

// The row for a video media type, or nullptr when its pictures cannot be copied.
const CopyCodec* copyCodecFor(const QString& mediaType);

// Whether the edge encoder of a row is installed.
bool edgeEncoderInstalled(const CopyCodec& codec);
