#pragma once

#include <QString>
#include <optional>

#include "base/UserDialogs.h"

class CLanguage;
class QMimeData;
class SettingsStore;

// The file dialog of Open Video: titled "Open a video file", "Any Files" first, then "Video
// Files" with the containers people have today, starting in the folder last opened from.
FileDialogRequest openVideoRequest(const SettingsStore& store, const CLanguage& language);

// The local file a drag brings (the first, when it brings several); empty for anything else.
std::optional<QString> droppedFile(const QMimeData* data);
