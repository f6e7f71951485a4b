#pragma once

#include <QString>
#include <cstdint>

#include "output/compressors/CompressorCatalogue.h"

class CLanguage;
struct OutputSettings;

// Whether the chosen compressors fit the chosen output format, told before anything is written:
// a writer that cannot take an encoder's output would otherwise fail only when the pipeline links.

// Why the bound compressors cannot be used for the settings' format ("Opus sound cannot be written
// into AVI: choose another audio compressor in Options, or the MKV format."); empty when they can
// or when none is in use.
QString compressorMismatch(const OutputSettings& settings, const CLanguage& language);

// The tooltip of a compressor list entry the format cannot hold; empty when it can.
QString unavailableCompressorTip(const CompressorEntry& entry, int32_t format,
                                 const CLanguage& language);

// "MKV/ASF": the formats an entry works with, as the messages name them.
QString workingFormatNames(const CompressorEntry& entry);
