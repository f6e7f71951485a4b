#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "language/TextDecoding.h"
#include "language/TextKeyTable.h"

// One text of a language file, for one row of the text-key table.
struct LanguageFileText {
    TextSection section;
    int id;
    std::string text;  // valid UTF-8, escapes applied; empty when the file gives none
};

// Reads every row of the text-key table, in table order, from a language file's bytes: the key's
// value from its section, cut to the reader's limit, with escapes applied. Empty and missing keys
// give an empty text, so the built-in text stays. Never fails: whatever cannot be read is empty.
std::vector<LanguageFileText> parseLanguageFile(std::string_view fileBytes, FileEncoding encoding);
