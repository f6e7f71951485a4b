#pragma once

#include <gst/gst.h>

#include <vector>

#include "media/SourceTracks.h"

// Gives a writer that keeps chapters (a GstTocSetter, such as the Matroska writer) these
// chapters, times counted from the start of the file; does nothing for other writers.
void setWriterChapters(GstElement* writer, const std::vector<SourceChapter>& chapters);

// Keeps the source's own table of contents, on the source's clock, out of the stream through
// `pad`: the writer gets the chapters of the span instead.
void dropSourceChapters(GstPad* pad);
