#pragma once

#include <QString>

#include "language/LogFont.h"

class SettingsStore;

// The interface font of each language is kept in the settings store, in a section named after
// the language, one value per LOGFONT field (all but the quality).

// The values a first start shows: "Microsoft Sans Serif", 11 pixels, weight 400, character set 1.
LogFont defaultLogFont();

// Missing values take the defaults; byte-wide fields keep their low byte; a longer face name is
// cut to the field's size.
LogFont readStoredLogFont(const SettingsStore& store, const QString& section);
void writeStoredLogFont(SettingsStore& store, const QString& section, const LogFont& font);
