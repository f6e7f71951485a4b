#pragma once

#include <QString>

struct OutputFormat;

// Mends in a closed file what its GStreamer 1.22 writer leaves wrong (ASF packet lengths,
// Matroska tag strings, the MP4 recording time), as the format's row asks. `source` is the one
// source of the conversion, empty when there were several.
void mendClosedFile(const QString& path, const OutputFormat& format, const QString& source);
