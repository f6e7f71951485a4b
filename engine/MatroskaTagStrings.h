#pragma once

#include <QString>

#include "media/Status.h"

// GStreamer 1.22's Matroska writer stores each tag as GStreamer's own serialised text: a title
// "Holiday film" is written as "\"Holiday\\ film\"", with quotes and escapes, and every other
// program shows it so. This turns such tag strings of a finished Matroska or WebM file back into
// the text itself, in place: each one shrinks and the bytes it frees become a filler element, so
// nothing else in the file moves. A file whose layout it does not follow is left untouched
// (kFalse).
Status fixMatroskaTagStrings(const QString& path);
