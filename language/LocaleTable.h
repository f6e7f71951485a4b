#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <span>

// The Windows locales a language name can stand for: name, language identifier (LANGID) and
// three-letter language abbreviation as the Windows national-language data gives them, plus the
// locale's BCP 47 tag, used to find the matching POSIX locale.
struct LocaleRow {
    const char* name;  // underscores for blanks; neutral languages have no region part
    uint16_t languageId;
    const char* abbreviation;
    const char* tag;
};

std::span<const LocaleRow> localeRows();

// What a language name was identified as.
struct LocaleIdentity {
    QString abbreviation;  // lower case, e.g. "deu"; "english" for English
    int primaryLanguage = 9;
    int sublanguage = 1;
    QString tag;  // BCP 47, e.g. "de"

    uint16_t languageId() const {
        return static_cast<uint16_t>((sublanguage << 10) | primaryLanguage);
    }
};

// localeName: the language name lower-cased and without its encoding marker. "english" is English
// (United States); otherwise the first row whose lower-cased name or abbreviation equals it.
// Empty when no row matches.
std::optional<LocaleIdentity> identifyLocale(const QString& localeName);
