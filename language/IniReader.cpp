#include "language/IniReader.h"

#include "language/TextDecoding.h"

namespace {

std::string_view trimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

IniDocument::IniDocument(std::string_view utf8Text) {
    std::size_t start = 0;
    while (start < utf8Text.size()) {
        std::size_t end = utf8Text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            end = utf8Text.size();
        }
        parseLine(utf8Text.substr(start, end - start));
        start = end + 1;
    }
}

void IniDocument::parseLine(std::string_view rawLine) {
    const std::string_view line = trimBlanks(rawLine);
    if (line.empty() || line.front() == ';') {
        return;
    }
    if (line.front() == '[') {
        const std::size_t close = line.rfind(']');
        if (close != std::string_view::npos) {
            sections_.push_back({std::string(trimBlanks(line.substr(1, close - 1))), {}});
        }
        return;
    }
    const std::size_t equals = line.find('=');
    if (sections_.empty() || equals == std::string_view::npos) {
        return;
    }
    const std::string_view key = trimBlanks(line.substr(0, equals));
    if (key.empty()) {
        return;
    }
    std::string_view value = unquote(trimBlanks(line.substr(equals + 1)));
    value = value.substr(0, value.find('\0'));
    sections_.back().entries.push_back(
        {std::string(key), std::string(cutUtf8(value, kMaxValueBytes))});
}

std::string IniDocument::value(std::string_view section, std::string_view key) const {
    for (const Section& candidate : sections_) {
        if (!equalsIgnoringAsciiCase(candidate.name, section)) {
            continue;
        }
        for (const Entry& entry : candidate.entries) {
            if (equalsIgnoringAsciiCase(entry.key, key)) {
                return entry.value;
            }
        }
    }
    return {};
}
