#pragma once

#include <QString>

#include "language/TextDecoding.h"

// A language name is its file's name without ".ini", e.g. "German" or "Chinese_Simplified_utf-8".

// "_utf-8" anywhere in the lower-cased name means UTF-8, else "_unicode" means UTF-16, else ANSI.
FileEncoding encodingOfLanguageName(const QString& languageName);

// The name that identifies the locale: lower case, with the marker's length cut from the end
// (the marker belongs at the very end, as in "russian_unicode").
QString localeNameOf(const QString& languageName, FileEncoding encoding);
