#pragma once

#include <QMenu>
#include <memory>

class CLanguage;
class QWidget;
class UserDialogs;

// The main window's popup menu (menu template 160), built afresh each time it is shown: one
// popup holding the submenu "Language" with one item per language file (command 45400 + list
// index, the current language checked), then "Font" (32780) and "About" (32778), retitled in the
// current language by ApplyMenuTexts. The main window shows popup() where the right button was
// released over the window itself (not over a control), and routes the chosen command: language
// commands to RunLanguageCommand, Font to RunFontCommand (language/FontCommand.h), About to its
// about box.
class LanguagePopupMenu {
  public:
    explicit LanguagePopupMenu(const CLanguage& language);

    QMenu* popup() const { return popup_; }
    QMenu* languageSubmenu() const { return languages_; }
    // The template's root, whose first submenu is popup().
    QMenu* templateRoot() const { return root_.get(); }

  private:
    std::unique_ptr<QMenu> root_;
    QMenu* popup_ = nullptr;
    QMenu* languages_ = nullptr;
};

// A language command (45400-46399) whose index names a listed language: selects that language,
// retitles the main window (dialog 102) and tells the user, in the new language, to restart the
// program for the other windows. Any other command is ignored: false.
bool RunLanguageCommand(CLanguage& language, int commandId, QWidget* mainWindow,
                        UserDialogs& dialogs);
