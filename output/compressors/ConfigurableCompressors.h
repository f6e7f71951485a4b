#pragma once

#include <gst/gst.h>

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "media/GPtr.h"
#include "output/compressors/CompressorCatalogue.h"

// What the Settings button of the output options configures: the video compressors whose
// settings can be edited, and which of them the selected compressor list entry means.

// The video catalogue's encoders that have editable properties, in catalogue order.
QList<CompressorEntry> configurableVideoCompressors();

// The position in `names` of the configurable compressor the selected list entry names: the last
// name equal to it ignoring case; else, when both name DivX codecs, the first whose version (the
// first run of digits and dots) equals the selected one's. nullopt when none matches.
std::optional<qsizetype> matchConfigurableCompressor(const QString& selected,
                                                     const QStringList& names);

// The element whose settings the Settings button edits for `entry`: the bound video compressor
// itself when it is that encoder (so its configuration changes at once), else a new element of
// the encoder with its saved configuration. nullptr when it cannot be created.
GObjectPtr<GstElement> compressorToConfigure(const CompressorEntry& entry);
