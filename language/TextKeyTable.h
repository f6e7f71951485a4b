#pragma once

#include <optional>
#include <span>
#include <string_view>

// The fixed list of every key a language file can hold. Plain C++ on purpose: the language file
// parser built on it also runs inside the fuzz target, which is built without Qt.

enum class TextSection { Menu, Message, Dialog };

struct TextKey {
    const char* key;          // as written in a language file, e.g. "IDS_MESSAGE_ERROR"
    int id;                   // the identifier the text is stored and requested under
    const char* builtinText;  // English text used when the file gives none
    bool inStringTable;       // also requested by identifier alone (GetMessageText/GetDialogText)
};

// All rows, in table order. A key may appear twice, stored under two identifiers.
std::span<const TextKey> textKeys();

// The section a key is read from follows from its first three letters alone.
std::optional<TextSection> sectionOfKey(std::string_view key);
// "MENU", "STRING" or "DIALOG".
const char* sectionName(TextSection section);

// The program's string table: the fallback of GetMessageText and GetDialogText. nullptr when the
// identifier has no built-in string.
const char* builtinStringText(int id);
// The English caption a window or menu shows before any language file applies (first row with
// the identifier); nullptr when no row has it.
const char* builtinTemplateText(int id);
