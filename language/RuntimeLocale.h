#pragma once

#include <QString>
#include <optional>

#include "language/LocaleTable.h"

// The POSIX locale name that matches an identified locale, e.g. "de_DE.UTF-8" for German (a
// neutral language takes its main region); empty when Qt knows no such language.
QString posixLocaleFor(const LocaleIdentity& identity);

// Sets the C library's locale for a language: the matching POSIX locale when it is installed
// (else the locale is left as it is), or the user's default when the language was not
// identified. Numbers are then always read and written with a decimal point. Returns the locale
// now set for all other categories, or empty when it was left unchanged.
QString applyRuntimeLocale(const std::optional<LocaleIdentity>& identity);
