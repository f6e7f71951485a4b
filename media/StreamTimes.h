#pragma once

#include <gst/gst.h>

#include <QString>
#include <cstdint>

#include "media/Status.h"

// Where a file's pictures lie on the file's own clock, in 100-ns units: the times its packets
// carry, which seeks in the file take. Many files do not start their clock at their first
// picture: DVD, VOB and camcorder files (MPEG program streams) and broadcast recordings (MPEG
// transport streams) start half a second or more after 0, Matroska files behind their encoder's
// delay. GStreamer measures the length of MPEG streams from clock readings between the packets,
// a few hundredths of a second short of the last picture's end.

// The first picture shown, as a player opening the file shows it: the time it carries, rounded up,
// and the position seeks and lengths count it at (they differ where the reader maps one onto the
// other, as an MP4 file's edit list does).
// An MP4 file's tracks each have their own edit list, so the sound's clock may be shifted
// against the picture's (behind the encoders' different delays): `soundClockTime` is the sound's
// clock at the first picture's position, or the picture's clock where the file has no sound.
struct FirstPicture {
    int64_t clockTime = 0;
    int64_t position = 0;
    int64_t soundClockTime = 0;
};
Status firstShownPicture(const QString& uri, FirstPicture* picture);

// The end of the last picture: the latest end of a picture packet of the file's reader for
// `container` (packets without a duration last one frame at the given rate), read without
// decoding from about `from` on (from the start when the reader cannot go there).
Status lastPictureEnd(const QString& path, const GstCaps* container, int fpsNumerator,
                      int fpsDenominator, int64_t from, int64_t* end);
