#pragma once

#include <optional>

// Identifiers of the main window's popup menu (menu template 160) and its commands.
inline constexpr int kLanguagePopupMenuId = 160;
inline constexpr int kFontCommandId = 32780;
inline constexpr int kAboutCommandId = 32778;
// The language list's entries are commands 45400 + index; only the first 1000 can be chosen.
inline constexpr int kFirstLanguageCommandId = 45400;
inline constexpr int kLanguageCommandCount = 1000;

// Dialog identifiers whose captions and controls ApplyDialogTexts retitles.
inline constexpr int kMainWindowDialogId = 102;
inline constexpr int kAboutBoxDialogId = 100;
inline constexpr int kOutputOptionsDialogId = 129;

// The language list index a command stands for; empty for any other command.
inline std::optional<int> languageIndexOfCommand(int commandId) {
    const int index = commandId - kFirstLanguageCommandId;
    if (commandId < kFirstLanguageCommandId || index >= kLanguageCommandCount) {
        return std::nullopt;
    }
    return index;
}
