#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// An INI text held in memory, read the way Windows reads ordinary profile files:
// - "[name]" starts a section (text after the closing bracket is ignored); lines before the
//   first section, lines starting with ';', lines without '=' and a '[' without ']' are ignored;
// - "key = value": blanks and tabs around key and value are removed, then one pair of matching
//   surrounding quotes (" or ') around the value;
// - sections and keys match ignoring ASCII case; the first matching line wins, also across
//   repeated sections of the same name;
// - a value ends at a zero character and is cut to kMaxValueBytes bytes, between characters.
// Lines end at LF, CR or CR LF. Plain C++: the fuzz target runs it without Qt.
class IniDocument {
  public:
    static constexpr std::size_t kMaxValueBytes = 2047;

    // utf8Text: valid UTF-8 (see decodeLanguageFile).
    explicit IniDocument(std::string_view utf8Text);

    // The value of key in section; empty when the section or the key is missing.
    std::string value(std::string_view section, std::string_view key) const;

  private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };

    void parseLine(std::string_view line);

    std::vector<Section> sections_;
};
