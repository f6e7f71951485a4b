#pragma once

#include <gst/gst.h>

#include "media/GPtr.h"
#include "media/Status.h"
#include "output/windowsmedia/WmProfile.h"

struct OutputSettings;

// The profile a WMV file is written with: WMA at the chosen audio bitrate (44.1 kHz stereo) and
// the best installed WMV at the chosen video bitrate, size and whole frame rate. VC-1 (WMV3) is
// asked for first and WMV2 when no installed codec offers it.
Status buildWmvProfile(const OutputSettings& settings, WmProfile* profile);

// The profile stored under the name the writer asks for when the file profile flag is set.
Status mapFileProfile(WmProfile* profile);

// An encoder for the profile's first stream of a kind, configured with its bitrate;
// nullptr when the profile has no such stream or its encoder is not installed.
GObjectPtr<GstElement> makeProfileEncoder(const WmProfile& profile, WmMajorType kind);
