#pragma once

#include <gst/gst.h>

#include <cstdint>

#include "base/UserDialogs.h"
#include "media/GPtr.h"
#include "media/Status.h"
#include "output/compressors/CompressorCatalogue.h"
#include "output/quality/EncoderQuality.h"

struct OutputSettings;

// The two compressors the program currently works with, shared by the whole process: the output
// options bind them, the output graph uses them, the main window releases them when it closes.
//
// The bound element is the configuration of record and never goes into a pipeline itself: an
// element can belong to one pipeline only, and every conversion needs its own. The output graph
// takes a fresh, equally configured element from makeCompressorElement for each conversion.

// Creates the encoder of catalogue entry `position` and keeps it as the current compressor of the
// kind, releasing the one bound before. A saved configuration of that encoder (the preset named
// kCompressorPresetName) is applied. A position outside the catalogue leaves no compressor bound
// and shows nothing; an encoder that cannot be created shows "Failed to bind to object". Returns
// whether a compressor is bound afterwards.
bool bindCompressor(CompressorKind kind, int32_t position, UserDialogs& dialogs);

// A new encoder of the factory with its saved configuration (the preset kCompressorPresetName)
// applied; nullptr when it cannot be created. The reference is the caller's.
GObjectPtr<GstElement> createCompressor(const QString& factoryName);

// The bound elements, owned by this module; nullptr when none is bound. Valid until the next
// bindCompressor or releaseCompressors.
GstElement* currentCompressor(CompressorKind kind);
GstElement* currentVideoCompressor();
GstElement* currentAudioCompressor();

// A new element of the bound compressor's factory with the bound element's configuration (every
// writable property whose value differs from the factory's); nullptr when none is bound or the
// element cannot be created. The reference is the caller's (not floating): adding the element to
// a bin gives the bin a reference of its own. The factory (gst_element_get_factory) tells which
// encoder it is, for a parser the writer may need after it.
GObjectPtr<GstElement> makeCompressorElement(CompressorKind kind);

// What a conversion with `settings` compresses a kind with: whether it compresses at all, and the
// encoder's factory (empty when none is bound or chosen). WMV's profile chooses its own encoders.
struct CompressorInUse {
    bool compressed = false;
    QString factoryName;
};
CompressorInUse compressorInUse(const OutputSettings& settings, CompressorKind kind);

// A new encoder of the kind for a conversion with `settings`: the bound compressor's encoder for
// the formats sharing it, the chosen one for formats with a choice of their own. It is set for
// the goal (see EncoderQuality.h), and what the user changed in its settings (the bound
// element's configuration, or its saved one) is set on top and wins. nullptr when nothing is to
// be compressed or the encoder cannot be made.
GObjectPtr<GstElement> makeConversionCompressor(const OutputSettings& settings, CompressorKind kind,
                                                const EncoderGoal& goal);

void releaseCompressor(CompressorKind kind);
// Called by the main window when it closes.
void releaseCompressors();

// The name under which a confirmed configuration of an encoder is kept as a GStreamer preset.
extern const char* const kCompressorPresetName;
// Keeps the element's current configuration as its encoder's preset, so binding that encoder
// again applies it. False when the element has no preset support or the preset cannot be written.
bool saveCompressorPreset(GstElement* element);
