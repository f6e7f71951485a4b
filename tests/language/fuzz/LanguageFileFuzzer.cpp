// libFuzzer target: the language file reader on arbitrary bytes. The first byte picks the
// encoding the file's name would give; the rest is the file. Besides not crashing, every text
// must be valid UTF-8 within the value limit, one per row of the text-key table.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "language/IniReader.h"
#include "language/LanguageFileParser.h"

namespace {

bool isValidUtf8(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        const auto lead = static_cast<unsigned char>(text[at]);
        std::size_t length = 1;
        char32_t value = lead;
        if (lead >= 0xF0) {
            length = 4;
            value = lead & 0x07;
        } else if (lead >= 0xE0) {
            length = 3;
            value = lead & 0x0F;
        } else if (lead >= 0xC0) {
            length = 2;
            value = lead & 0x1F;
        } else if (lead >= 0x80) {
            return false;
        }
        if (at + length > text.size()) {
            return false;
        }
        for (std::size_t i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(text[at + i]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            value = (value << 6) | (next & 0x3F);
        }
        const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (value < smallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return false;
        }
        at += length;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const auto encoding = static_cast<FileEncoding>(data[0] % 3);
    const std::string_view file(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::vector<LanguageFileText> texts = parseLanguageFile(file, encoding);
    if (texts.size() != textKeys().size()) {
        std::abort();
    }
    for (const LanguageFileText& text : texts) {
        if (text.text.size() > IniDocument::kMaxValueBytes || !isValidUtf8(text.text)) {
            std::abort();
        }
    }
    return 0;
}
