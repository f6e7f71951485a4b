#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "base/UserDialogs.h"

// The file-name rules of the output formats: which extension a format gives the output path and
// which filter the save dialog offers for it.

struct SaveFilter {
    QString description;  // e.g. "Audio Video Interleave file(*.avi)"
    QString pattern;      // e.g. "*.avi"
};

// The save dialog's filter for a format; none for formats without a file of their own.
std::optional<SaveFilter> saveFilterForFormat(int32_t format);

// The path with the format's extension, or nullopt when the format has no extension rule.
// Formats with a file (AVI, WMV, MKV, ASF) cut the path at its last "." (anywhere in the path,
// folder names included) and append their extension; format 4 keeps the path as typed.
std::optional<QString> formatExtensionOf(int32_t format, const QString& path);

struct ExtensionResult {
    bool accepted = false;
    QString path;  // the new path when accepted, else the path given
};

// As formatExtensionOf, but tells the user when the format has no rule; the caller then keeps the
// text it had.
ExtensionResult applyFormatExtension(int32_t format, const QString& path, UserDialogs& dialogs);

extern const char* const kUnsupportedFormatText;  // "Does not support the video format"
