#pragma once

#include <gst/gst.h>

#include "media/GPtr.h"

// The element the player's sound goes into: the default output when one can start, else a sink
// that keeps time and discards the sound, so that a machine without any sound output still plays
// (silently) instead of failing. The default output comes back already started (READY): whoever
// drops it sets it to NULL first.
GObjectPtr<GstElement> makeAudioOutput();
