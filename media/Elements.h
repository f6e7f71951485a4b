#pragma once

#include <gst/gst.h>

#include <QString>

#include "media/GPtr.h"
#include "media/Status.h"

// Creates an element of an installed factory, with a full reference of ours. Fails with
// kNoDecoder when no such element is installed.
Status makeElement(const char* factory, const char* name, GObjectPtr<GstElement>* element);

// Whether an installed factory's sink pads take streams of a media type ("video/x-h264", or
// caps such as "video/mpeg,mpegversion=4").
bool factoryTakesMediaType(const char* factory, const QString& mediaType);

// Whether an element factory of that name is installed (the registry is read; nothing loaded).
bool elementInstalled(const char* factory);

// Whether the element has a property of that name (encoders differ by version and build).
bool hasProperty(GstElement* element, const char* name);

// A readable name of a missing element or codec ("Matroska muxer"), for messages.
QString missingElementDescription(const char* factory);

// The framework's text of an error message, or `fallback` when it carries none.
QString errorTextOf(GstMessage* message, const QString& fallback);

// The text of an error the pipeline's bus holds (taken off it), or empty when there is none.
QString takePendingError(GstElement* pipeline, const QString& fallback);

// Whether a pad's caps (its current ones, else those it can give) are of a media type starting
// with `prefix` ("video/", "audio/").
bool padCarries(GstPad* pad, const char* prefix);

// Links a pad to a new sink in `bin` that takes its data as fast as it comes and throws it away
// (borrowed; owned by the bin). Only a sink that `prerolls` holds the bin's pausing until data
// has come.
GstElement* linkToFakeSink(GstBin* bin, GstPad* pad, bool prerolls);

// Links a row of elements already in one bin, naming the first link that fails.
Status linkChain(std::initializer_list<GstElement*> elements, QString* failedLink = nullptr);

// The frame rate as a fraction; the usual NTSC rates get their exact 1000/1001 fractions.
void frameRateFraction(double framesPerSecond, int* numerator, int* denominator);

// The parser a writer needs behind an encoder whose output has these caps (its first structure),
// or nullptr: parsers complete the stream's caps and convert its framing for the writer.
const char* parserForCaps(const GstCaps* caps);

// Watches the buffers and downstream events through a static pad of an element; `state` is
// handed to the callback and freed with `freeState` when the probe goes.
void watchPadData(GstElement* element, const char* pad, GstPadProbeCallback callback,
                  gpointer state, GDestroyNotify freeState);

// Gives an element class of our own its one always-present input, "sink", and output, "src".
void addAlwaysPads(GstElementClass* element, const char* inputCaps, const char* outputCaps);
