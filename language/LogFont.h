#pragma once

#include <QString>
#include <cstdint>

// The font description the interface font is stored as: the fields of a Windows LOGFONT, so that
// the stored values keep their meaning (height in pixels, negative for the character height;
// weight 0-1000, 400 normal; byte-wide flags).
struct LogFont {
    // The face-name field holds 32 bytes with the terminating zero.
    static constexpr int kMaxFaceNameLength = 31;

    int32_t height = 0;
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 0;
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 0;
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;  // never stored; 0 (default quality) whenever the font is loaded
    uint8_t pitchAndFamily = 0;
    QString faceName;

    bool operator==(const LogFont&) const = default;
};

// The face name cut to what the field holds, never inside a character.
QString limitFaceName(const QString& faceName);
