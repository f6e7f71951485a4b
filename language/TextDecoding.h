#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// How a language file's bytes become text. Plain C++ so the fuzz target can run it without Qt.

// Chosen from the language name's marker: "_utf-8" names UTF-8, "_unicode" UTF-16, else ANSI.
enum class FileEncoding { Ansi = 0, Utf16 = 1, Utf8 = 2 };

// Turns a language file's bytes into valid UTF-8.
// - A byte-order mark decides first: UTF-8, UTF-16 little- or big-endian (the mark is dropped).
// - Without one, a UTF-16 file is little-endian, as Windows writes it; but a "UTF-16" file with
//   no zero byte at all cannot hold ASCII keys in UTF-16, so it is read as UTF-8 instead.
// - ANSI files are read as UTF-8: there is no code page to guess on Linux.
// Each byte (or UTF-16 unit) that is not valid becomes U+FFFD on its own, so a stray byte never
// damages the text around it. A trailing odd byte of a UTF-16 file is dropped.
std::string decodeLanguageFile(std::string_view bytes, FileEncoding encoding);

// The longest prefix of the valid UTF-8 text that has at most maxBytes bytes and does not end in
// the middle of a character.
std::string_view cutUtf8(std::string_view text, std::size_t maxBytes);
