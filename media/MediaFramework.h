#pragma once

#include <QString>

#include "media/Status.h"

// Starts GStreamer once for the process. Safe to call again; later calls return the first result.
// On failure errorText (when given) receives the framework's reason.
Status initMediaFramework(QString* errorText = nullptr);

// Starts GStreamer's Editing Services once for the process, on first need: they bring an embedded
// Python interpreter along, which a conversion of one file never needs.
Status initEditingServices(QString* errorText = nullptr);
