#include "language/TextDecoding.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool inRange(unsigned char byte, unsigned char low, unsigned char high) {
    return byte >= low && byte <= high;
}

// Length of the well-formed UTF-8 sequence starting at text[at], or 0 when there is none
// (overlong forms, surrogates and values above U+10FFFF are not well-formed).
std::size_t wellFormedLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t offset) -> unsigned char {
        return at + offset < text.size() ? static_cast<unsigned char>(text[at + offset]) : 0;
    };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    if (inRange(lead, 0xC2, 0xDF)) {
        return inRange(byte(1), 0x80, 0xBF) ? 2 : 0;
    }
    if (inRange(lead, 0xE0, 0xEF)) {
        const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
        const unsigned char high = lead == 0xED ? 0x9F : 0xBF;
        return inRange(byte(1), low, high) && inRange(byte(2), 0x80, 0xBF) ? 3 : 0;
    }
    if (inRange(lead, 0xF0, 0xF4)) {
        const unsigned char low = lead == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = lead == 0xF4 ? 0x8F : 0xBF;
        return inRange(byte(1), low, high) && inRange(byte(2), 0x80, 0xBF) &&
                       inRange(byte(3), 0x80, 0xBF)
                   ? 4
                   : 0;
    }
    return 0;
}

std::string sanitizeUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t length = wellFormedLength(bytes, at);
        if (length == 0) {
            appendUtf8(out, kReplacement);
            ++at;
        } else {
            out.append(bytes.substr(at, length));
            at += length;
        }
    }
    return out;
}

std::string decodeUtf16(std::string_view bytes, bool bigEndian) {
    const std::size_t units = bytes.size() / 2;
    const auto unitAt = [&](std::size_t index) -> char16_t {
        const auto first = static_cast<unsigned char>(bytes[2 * index]);
        const auto second = static_cast<unsigned char>(bytes[2 * index + 1]);
        return static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    };
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t index = 0; index < units; ++index) {
        const char16_t unit = unitAt(index);
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high && index + 1 < units) {
            const char16_t next = unitAt(index + 1);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (next - 0xDC00));
                ++index;
                continue;
            }
        }
        appendUtf8(out, high || low ? kReplacement : char32_t(unit));
    }
    return out;
}

bool startsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::string decodeLanguageFile(std::string_view bytes, FileEncoding encoding) {
    static constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
    static constexpr std::string_view kUtf16LittleMark = "\xFF\xFE";
    static constexpr std::string_view kUtf16BigMark = "\xFE\xFF";
    if (startsWith(bytes, kUtf8Mark)) {
        return sanitizeUtf8(bytes.substr(kUtf8Mark.size()));
    }
    if (startsWith(bytes, kUtf16LittleMark)) {
        return decodeUtf16(bytes.substr(2), false);
    }
    if (startsWith(bytes, kUtf16BigMark)) {
        return decodeUtf16(bytes.substr(2), true);
    }
    if (encoding == FileEncoding::Utf16 && bytes.find('\0') != std::string_view::npos) {
        return decodeUtf16(bytes, false);
    }
    return sanitizeUtf8(bytes);
}

std::string_view cutUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    std::size_t cut = maxBytes;
    // Step back over continuation bytes so the cut falls between characters.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return text.substr(0, cut);
}
