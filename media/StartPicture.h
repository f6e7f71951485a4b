#pragma once

#include <QString>
#include <cstdint>

// Whether decoding the file's first video stream from `from` (ns) starts on an H.264 picture that
// is not an IDR one, as at an open group's key picture (the demuxer's random-access point at or
// before `from`). False for other codecs, and when the file cannot be read.
bool startsOffIdrPicture(const QString& path, int64_t from);
