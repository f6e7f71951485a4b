#pragma once

#include <span>

#include "base/DialogTemplate.h"

// The main window as data: its controls (template 102) and the decoration of its icon buttons.

inline constexpr int kMainWindowTemplateId = 102;

const DialogTemplate& mainWindowTemplate();

struct ButtonDecoration {
    int controlId;
    int iconId;
    // The tooltip: a message text of the language when textId is not 0, else `tip` as it is.
    int textId;
    const char* tip;
    // The tall buttons show the icon above the caption, the low ones a smaller icon beside it.
    bool iconAbove;
};

// The buttons drawn flat with an icon over the tiled background.
std::span<const ButtonDecoration> mainWindowButtonDecorations();

// What the accessible descriptions of the changing texts say they are.
struct TextRole {
    int controlId;
    const char* description;
};
std::span<const TextRole> mainWindowTextRoles();
