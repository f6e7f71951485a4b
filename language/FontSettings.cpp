#include "language/FontSettings.h"

#include "base/SettingsStore.h"

namespace {

template <typename Field>
struct StoredField {
    const char* name;
    Field LogFont::*member;
};

// In the order they are read and written; the quality is never stored.
constexpr StoredField<int32_t> kNumberFields[] = {
    {"lfHeight", &LogFont::height},         {"lfWidth", &LogFont::width},
    {"lfEscapement", &LogFont::escapement}, {"lfOrientation", &LogFont::orientation},
    {"lfWeight", &LogFont::weight},
};
constexpr StoredField<uint8_t> kByteFields[] = {
    {"lfItalic", &LogFont::italic},
    {"lfUnderline", &LogFont::underline},
    {"lfStrikeOut", &LogFont::strikeOut},
    {"lfCharSet", &LogFont::charSet},
    {"lfOutPrecision", &LogFont::outPrecision},
    {"lfClipPrecision", &LogFont::clipPrecision},
    {"lfPitchAndFamily", &LogFont::pitchAndFamily},
};
const QString kFaceName = QStringLiteral("lfFaceName");

}  // namespace

LogFont defaultLogFont() {
    LogFont font;
    font.height = -11;
    font.weight = 400;
    font.charSet = 1;
    font.faceName = QStringLiteral("Microsoft Sans Serif");
    return font;
}

LogFont readStoredLogFont(const SettingsStore& store, const QString& section) {
    const LogFont defaults = defaultLogFont();
    LogFont font;
    for (const auto& field : kNumberFields) {
        font.*field.member =
            store.readInt(section, QString::fromLatin1(field.name), defaults.*field.member);
    }
    // Byte-wide fields are stored zero-extended and keep their low byte.
    for (const auto& field : kByteFields) {
        font.*field.member = static_cast<uint8_t>(
            store.readInt(section, QString::fromLatin1(field.name), defaults.*field.member) & 0xFF);
    }
    font.faceName = limitFaceName(store.readText(section, kFaceName, defaults.faceName));
    return font;
}

void writeStoredLogFont(SettingsStore& store, const QString& section, const LogFont& font) {
    for (const auto& field : kNumberFields) {
        store.writeInt(section, QString::fromLatin1(field.name), font.*field.member);
    }
    for (const auto& field : kByteFields) {
        store.writeInt(section, QString::fromLatin1(field.name), font.*field.member);
    }
    store.writeText(section, kFaceName, font.faceName);
}
