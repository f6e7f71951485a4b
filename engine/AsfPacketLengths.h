#pragma once

#include <QString>

#include "media/Status.h"

// GStreamer 1.22's ASF writer ends a file with a partly filled data packet whose length field
// holds the length of its data, while the file declares packets of one fixed size and the packet
// is written at that size with the rest as padding. Players take that padding for an error and
// drop the packet: the last pictures and sound of a WMV or ASF file are lost. This puts the fixed
// size into the length field of the last packet of a finished file, in place, reading and writing
// only the header and that packet. A file that does not look like an ASF file written that way
// is left untouched (kFalse).
Status fixAsfPacketLengths(const QString& path);
