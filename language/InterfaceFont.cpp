#include "language/InterfaceFont.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <cstdlib>

namespace {

// LOGFONT pitch and family values.
constexpr uint8_t kFixedPitch = 0x01;
constexpr uint8_t kFamilyMask = 0xF0;
constexpr uint8_t kFamilyRoman = 0x10;
constexpr uint8_t kFamilySwiss = 0x20;
constexpr uint8_t kFamilyModern = 0x30;
constexpr uint8_t kFamilyScript = 0x40;
constexpr uint8_t kFamilyDecorative = 0x50;

// LOGFONT quality values.
constexpr uint8_t kNonAntialiasedQuality = 3;
constexpr uint8_t kAntialiasedQuality = 4;
constexpr uint8_t kClearTypeNaturalQuality = 6;

constexpr int kMaxWeight = 1000;

QFont::StyleHint styleHintOf(uint8_t pitchAndFamily) {
    switch (pitchAndFamily & kFamilyMask) {
        case kFamilyRoman:
            return QFont::Serif;
        case kFamilySwiss:
            return QFont::SansSerif;
        case kFamilyModern:
            return QFont::TypeWriter;
        case kFamilyScript:
            return QFont::Cursive;
        case kFamilyDecorative:
            return QFont::Decorative;
        default:
            return QFont::AnyStyle;
    }
}

uint8_t familyOf(QFont::StyleHint hint) {
    switch (hint) {
        case QFont::Serif:
            return kFamilyRoman;
        case QFont::SansSerif:
            return kFamilySwiss;
        case QFont::TypeWriter:
            return kFamilyModern;
        case QFont::Cursive:
            return kFamilyScript;
        case QFont::Decorative:
            return kFamilyDecorative;
        default:
            return 0;
    }
}

QFont::StyleStrategy strategyOf(uint8_t quality) {
    if (quality == kNonAntialiasedQuality) {
        return QFont::NoAntialias;
    }
    if (quality >= kAntialiasedQuality && quality <= kClearTypeNaturalQuality) {
        return QFont::PreferAntialias;
    }
    return QFont::PreferDefault;
}

uint8_t qualityOf(const QFont& font) {
    if (font.styleStrategy() & QFont::NoAntialias) {
        return kNonAntialiasedQuality;
    }
    if (font.styleStrategy() & QFont::PreferAntialias) {
        return kAntialiasedQuality;
    }
    return 0;
}

int32_t pixelHeightOf(const QFont& font) {
    if (font.pixelSize() > 0) {
        return -font.pixelSize();
    }
    if (font.pointSizeF() <= 0) {
        return 0;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dotsPerInch = screen != nullptr ? screen->logicalDotsPerInchY() : 96.0;
    return -static_cast<int32_t>(std::lround(font.pointSizeF() * dotsPerInch / 72.0));
}

}  // namespace

std::optional<QFont> fontFromLogFont(const LogFont& logFont) {
    const int64_t pixels = std::llabs(static_cast<int64_t>(logFont.height));
    if (pixels > InterfaceFont::kMaxPixelSize || logFont.weight < 0 ||
        logFont.weight > kMaxWeight) {
        return std::nullopt;
    }
    QFont font;
    if (!logFont.faceName.isEmpty()) {
        font.setFamily(logFont.faceName);
    }
    if (pixels > 0) {
        font.setPixelSize(static_cast<int>(pixels));
    }
    font.setWeight(logFont.weight == 0 ? QFont::Normal : QFont::Weight(logFont.weight));
    font.setItalic(logFont.italic != 0);
    font.setUnderline(logFont.underline != 0);
    font.setStrikeOut(logFont.strikeOut != 0);
    font.setFixedPitch((logFont.pitchAndFamily & kFixedPitch) != 0);
    font.setStyleHint(styleHintOf(logFont.pitchAndFamily), strategyOf(logFont.quality));
    return font;
}

LogFont logFontFromFont(const QFont& chosen, const LogFont& current) {
    LogFont logFont = current;
    logFont.height = pixelHeightOf(chosen);
    logFont.weight = chosen.weight();
    logFont.italic = chosen.italic() ? 1 : 0;
    logFont.underline = chosen.underline() ? 1 : 0;
    logFont.strikeOut = chosen.strikeOut() ? 1 : 0;
    logFont.quality = qualityOf(chosen);
    logFont.pitchAndFamily = static_cast<uint8_t>(familyOf(chosen.styleHint()) |
                                                  (chosen.fixedPitch() ? kFixedPitch : 0));
    logFont.faceName = limitFaceName(chosen.family());
    return logFont;
}

std::optional<InterfaceFont> InterfaceFont::create(const LogFont& logFont) {
    std::optional<QFont> font = fontFromLogFont(logFont);
    if (!font) {
        return std::nullopt;
    }
    return InterfaceFont(logFont, *font);
}
