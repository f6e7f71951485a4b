#pragma once

#include <gst/gst.h>

#include <memory>

// What a coded picture is to someone who starts or stops decoding around it, read from its NAL
// units (H.264 and H.265 in byte-stream form, one picture a buffer), its start codes (MPEG-4
// Part 2) or its buffer flags (the other codecs).
struct PictureKind {
    // A copied group can start here: an IDR or recovery-point I picture (H.264), an IRAP picture
    // (H.265), a key frame (the others).
    bool randomAccess = false;
    // Shows before the random-access picture it follows and may refer to the group before it;
    // nothing after the leading pictures refers to it (H.265 RASL).
    bool skippable = false;
    // Shows before its random-access picture but refers only to its own group (H.265 RADL).
    bool leadsOnItsOwn = false;
    // An H.264 I picture that is its own recovery point but no IDR picture (an open group's key
    // picture): random access, and its leading pictures are known only by their times.
    bool recoveryPoint = false;
    // An MPEG-4 Part 2 B picture: it refers to a picture shown after it. Those after an I
    // picture in decoding order lead it, and refer to the group before (skippable).
    bool bidirectional = false;
};

enum class PictureCodec { H264, H265, Mpeg4, Other };

// Reads the pictures of one stream in decoding order; it keeps the parameter sets it has seen.
class PictureKindReader {
  public:
    explicit PictureKindReader(PictureCodec codec);
    ~PictureKindReader();
    PictureKindReader(const PictureKindReader&) = delete;
    PictureKindReader& operator=(const PictureKindReader&) = delete;

    PictureKind read(GstBuffer* picture);

  private:
    PictureKind readH264(const guint8* data, gsize size);
    PictureKind readH265(const guint8* data, gsize size);

    PictureCodec codec_;
    bool lastAnchorIntra_ = false;  // MPEG-4 Part 2: the last I or P picture read was an I one
    struct Parsers;
    std::unique_ptr<Parsers> parsers_;
};
