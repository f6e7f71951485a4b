#pragma once

#include <QFont>
#include <optional>
#include <utility>

#include "language/LogFont.h"

// The interface font of the current language: the LOGFONT values it was made from, which are
// what gets stored, and the QFont they give.
class InterfaceFont {
  public:
    // Heights beyond this many pixels are refused: they make every window unusable and every
    // glyph drawn at that size costs a great deal of memory.
    static constexpr int kMaxPixelSize = 1000;

    // Empty when the values make no usable font: a height beyond kMaxPixelSize or a weight
    // outside 0-1000.
    static std::optional<InterfaceFont> create(const LogFont& logFont);

    const LogFont& logFont() const { return logFont_; }
    const QFont& font() const { return font_; }

  private:
    InterfaceFont(LogFont logFont, QFont font)
        : logFont_(std::move(logFont)), font_(std::move(font)) {}

    LogFont logFont_;
    QFont font_;
};

// The mapping to Qt: a negative height is the character height in pixels, a positive one the cell
// height (taken as the pixel size), 0 the default size; weight 0 is normal; italic, underline and
// strike-out; the face name; the family bits of pitch-and-family give the style hint and the
// fixed-pitch bit fixed pitch; quality 3 turns antialiasing off, 4-6 ask for it. Width,
// escapement, orientation, character set and the precisions have no Qt counterpart and are only
// kept.
std::optional<QFont> fontFromLogFont(const LogFont& logFont);

// The LOGFONT of a font chosen in the font dialog. Fields a QFont does not carry (width,
// escapement, orientation, character set, precisions) are kept from `current`.
LogFont logFontFromFont(const QFont& chosen, const LogFont& current);
