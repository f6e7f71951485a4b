#pragma once

#include <QString>
#include <vector>

#include "language/LanguageFileParser.h"

// What became of the last language file read.
enum class LanguageFileState {
    NotRead,     // no language loaded yet
    Read,        // read; its texts are in use
    Missing,     // no such file (for example "english" without english.ini): built-in texts
    Unreadable,  // not a regular readable file: built-in texts
    TooLarge,    // larger than any language file can be: not read, built-in texts
};

struct LanguageFileContent {
    LanguageFileState state = LanguageFileState::NotRead;
    std::vector<LanguageFileText> texts;  // one per text-key row when read, else none
};

// A complete language file is a few kilobytes; anything above this is not one, and reading it
// whole would only cost memory.
constexpr qint64 kMaxLanguageFileBytes = 1024 * 1024;

LanguageFileContent readLanguageFile(const QString& path, FileEncoding encoding);
