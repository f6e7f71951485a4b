#pragma once

#include <QFont>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

#include "language/InterfaceFont.h"
#include "language/LanguageFile.h"
#include "language/LanguageFolder.h"
#include "language/TextTable.h"

class SettingsStore;
class UserDialogs;

// The interface texts of Quenzel and the interface font, by language. One object serves the whole
// program. Texts are looked up by numeric identifier: the current language file's text when it
// has one, else the built-in English text. Language files are INI files in the "language" folder
// of the base folder, one per language, named after it ("German.ini"); a name ending in "_utf-8"
// or "_unicode" marks a UTF-8 or UTF-16 file. Each language keeps its own interface font in the
// settings store, in a section named after the language.
//
// Order of use: FindBaseFolder, Init, then any number of look-ups, SelectLanguage calls and
// ApplyDialogTexts/ApplyMenuTexts (language/DialogTexts.h, language/MenuTexts.h). UI thread only.
class CLanguage {
  public:
    // Built-in English texts only, and no place to keep fonts or show messages: for tools and
    // tests that need texts but no language files.
    CLanguage();
    // The program's object: fonts are kept in `settings`, messages shown through `dialogs`. Both
    // must outlive the language object.
    CLanguage(SettingsStore& settings, UserDialogs& dialogs);

    CLanguage(const CLanguage&) = delete;
    CLanguage& operator=(const CLanguage&) = delete;

    // The folder that holds the "language" folder, found from the program's own folder (see
    // findBaseFolder); the installed data folder is the last choice.
    static QString FindBaseFolder();

    // Lists the language files of baseFolder and selects languageName. False, changing nothing
    // else, when there is no language file at all: the built-in texts stay.
    bool Init(const QString& baseFolder, const QString& languageName);
    // Loads the language named ignoring case, keeping the name as passed; "english" when no
    // language file has that name.
    void SelectLanguage(const QString& languageName);
    // Reads the language's texts, sets the locale and loads its font. False when the language
    // list is empty. Shows a message when the name identifies no locale (the texts still load).
    bool LoadLanguage(const QString& languageName);

    // The language file's text, else the built-in string of the same identifier, else empty.
    QString GetMessageText(int id) const;
    QString GetDialogText(int id) const;
    // The language file's text only (empty when the file has none): what dialogs and menus are
    // retitled with.
    QString LookUpDialogText(int id) const { return dialogTexts_.lookUp(id); }
    QString LookUpMenuText(int id) const { return menuTexts_.lookUp(id); }
    // The English caption of a control, dialog or menu item before any language applies: what
    // windows build their controls with. Empty for an identifier no text key has.
    static QString GetTemplateText(int id);

    int GetLanguageCount() const { return int(languages_.size()); }
    // Empty for an index outside the list.
    QString GetLanguageName(int index) const;
    QString GetCurrentLanguage() const { return currentLanguage_; }

    // What the last load found out, for the curious and for tests.
    QString GetBaseFolder() const { return baseFolder_; }
    QString GetLanguageFilePath() const { return languageFilePath_; }
    LanguageFileState GetLanguageFileState() const { return fileState_; }
    FileEncoding GetEncoding() const { return encoding_; }
    // Sublanguage << 10 | primary language; 0x0409 (English, United States) at first. Kept as
    // information: Linux has no thread locale to set.
    uint16_t GetLanguageId() const { return uint16_t((sublanguage_ << 10) | primaryLanguage_); }
    // Lower case, e.g. "deu"; "english" for English; empty when the name was not identified.
    QString GetLocaleAbbreviation() const { return localeAbbreviation_; }
    // The C library locale the last load set, empty when it was left as it was.
    QString GetRuntimeLocale() const { return runtimeLocale_; }

    // Builds the current language's font from its stored values (defaults when missing). On
    // failure shows "Failed to create font" and the font stays empty.
    bool LoadInterfaceFont();
    // Stores the current font's values under the current language. Always true; nothing is
    // written when there is no font or no settings store.
    bool SaveInterfaceFont();
    // Empty when no font was made: never loaded, or the stored values make no usable font.
    std::optional<QFont> GetInterfaceFont() const;
    std::optional<LogFont> GetInterfaceLogFont() const;
    // Replaces the font with one made from logFont, without any message; false (and no font)
    // when it makes no usable font.
    bool ReplaceInterfaceFont(const LogFont& logFont);

  private:
    QString fileNameOf(const QString& languageName) const;
    void readTexts(const QString& path);
    void showMessage(const QString& text, const QString& caption);

    SettingsStore* settings_ = nullptr;
    UserDialogs* dialogs_ = nullptr;

    QString currentLanguage_ = QStringLiteral("english");
    QList<LanguageEntry> languages_;
    TextTable menuTexts_;
    TextTable messageTexts_;
    TextTable dialogTexts_;
    QString baseFolder_;
    int sublanguage_ = 1;
    int primaryLanguage_ = 9;
    QString languageFilePath_;
    FileEncoding encoding_ = FileEncoding::Ansi;
    std::optional<InterfaceFont> font_;

    LanguageFileState fileState_ = LanguageFileState::NotRead;
    QString localeAbbreviation_;
    QString runtimeLocale_;
};
