#pragma once

#include <string>

// Turns the escapes of a language file value into control characters: every backslash-t becomes
// a TAB, then every backslash-n a line feed, then every backslash-r a carriage return. No other
// escape exists; any other backslash stays. (So a path like C:\temp shows a TAB: that is how
// language files have always been read, and translators write paths without that sequence.)
std::string applyTextEscapes(std::string text);
