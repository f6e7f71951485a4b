#pragma once

#include <QString>

#include "media/Status.h"

// Starts GStreamer and its Editing Services once for the process. Safe to call again; later calls
// return the first result. On failure errorText (when given) receives the framework's reason.
Status initMediaFramework(QString* errorText = nullptr);
