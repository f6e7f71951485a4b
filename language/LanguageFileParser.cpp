#include "language/LanguageFileParser.h"

#include "language/IniReader.h"
#include "language/TextEscapes.h"

std::vector<LanguageFileText> parseLanguageFile(std::string_view fileBytes, FileEncoding encoding) {
    const IniDocument document(decodeLanguageFile(fileBytes, encoding));
    std::vector<LanguageFileText> texts;
    texts.reserve(textKeys().size());
    for (const TextKey& row : textKeys()) {
        const std::optional<TextSection> section = sectionOfKey(row.key);
        if (!section) {
            continue;
        }
        texts.push_back(
            {*section, row.id, applyTextEscapes(document.value(sectionName(*section), row.key))});
    }
    return texts;
}
