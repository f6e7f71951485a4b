#pragma once

#include <QString>
#include <cstdint>

#include "media/Status.h"

// GStreamer 1.22's MP4 writer stamps a file with the time it was written and takes no other: the
// recording time of a phone clip would be lost. This writes `unixSeconds` as the creation time of
// the movie, of each track and of each track's media in a finished MP4 file, in place; the fields
// have a fixed size, so nothing else changes. A file it cannot follow is left as it is (kFalse).
Status setMp4CreationTime(const QString& path, int64_t unixSeconds);
