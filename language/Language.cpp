#include "language/Language.h"

#include <QCoreApplication>

#include "base/InstalledData.h"
#include "base/UserDialogs.h"
#include "language/FontSettings.h"
#include "language/LanguageName.h"
#include "language/LocaleTable.h"
#include "language/RuntimeLocale.h"
#include "language/TextKeyTable.h"

namespace {

const QString kEnglish = QStringLiteral("english");

QString builtinString(int id) {
    const char* text = builtinStringText(id);
    return text != nullptr ? QString::fromUtf8(text) : QString();
}

}  // namespace

CLanguage::CLanguage() = default;

CLanguage::CLanguage(SettingsStore& settings, UserDialogs& dialogs)
    : settings_(&settings), dialogs_(&dialogs) {}

QString CLanguage::FindBaseFolder() {
    return findBaseFolder(QCoreApplication::applicationDirPath(), installedDataFolder());
}

bool CLanguage::Init(const QString& baseFolder, const QString& languageName) {
    baseFolder_ = baseFolder;
    languages_ = findLanguageFiles(baseFolder);
    if (languages_.isEmpty()) {
        return false;
    }
    SelectLanguage(languageName);
    return true;
}

void CLanguage::SelectLanguage(const QString& languageName) {
    menuTexts_.clear();
    messageTexts_.clear();
    dialogTexts_.clear();
    currentLanguage_ = kEnglish;
    for (const LanguageEntry& entry : languages_) {
        if (entry.name.compare(languageName, Qt::CaseInsensitive) == 0) {
            currentLanguage_ = languageName;
            break;
        }
    }
    LoadLanguage(currentLanguage_);
}

bool CLanguage::LoadLanguage(const QString& languageName) {
    if (languages_.isEmpty()) {
        return false;
    }
    encoding_ = encodingOfLanguageName(languageName);
    const QString localeName = localeNameOf(languageName, encoding_);
    const std::optional<LocaleIdentity> identity = identifyLocale(localeName);
    if (identity) {
        localeAbbreviation_ = identity->abbreviation;
        primaryLanguage_ = identity->primaryLanguage;
        sublanguage_ = identity->sublanguage;
    } else {
        localeAbbreviation_.clear();
        showMessage(QStringLiteral("Your language file name may be not proper,\n please read the "
                                   "help file!"),
                    localeName);
    }
    languageFilePath_ = languageFolderOf(baseFolder_) + QLatin1Char('/') + fileNameOf(languageName);
    readTexts(languageFilePath_);
    runtimeLocale_ = applyRuntimeLocale(identity);
    LoadInterfaceFont();
    return true;
}

QString CLanguage::fileNameOf(const QString& languageName) const {
    // File names are case-sensitive here: take the file the name was matched with.
    const LanguageEntry* caseInsensitiveMatch = nullptr;
    for (const LanguageEntry& entry : languages_) {
        if (entry.name == languageName) {
            return entry.fileName;
        }
        if (caseInsensitiveMatch == nullptr &&
            entry.name.compare(languageName, Qt::CaseInsensitive) == 0) {
            caseInsensitiveMatch = &entry;
        }
    }
    return caseInsensitiveMatch != nullptr ? caseInsensitiveMatch->fileName
                                           : languageName + QLatin1String(".ini");
}

void CLanguage::readTexts(const QString& path) {
    // Emptied here too, so that loading twice never leaves the previous language's texts first.
    menuTexts_.clear();
    messageTexts_.clear();
    dialogTexts_.clear();
    LanguageFileContent content = readLanguageFile(path, encoding_);
    fileState_ = content.state;
    for (LanguageFileText& text : content.texts) {
        TextTable& table = text.section == TextSection::Menu      ? menuTexts_
                           : text.section == TextSection::Message ? messageTexts_
                                                                  : dialogTexts_;
        table.append(text.id, QString::fromStdString(text.text));
    }
}

void CLanguage::showMessage(const QString& text, const QString& caption) {
    if (dialogs_ != nullptr) {
        dialogs_->showMessage({.text = text, .caption = caption, .ownedByMainWindow = false});
    }
}

QString CLanguage::GetMessageText(int id) const {
    const QString text = messageTexts_.lookUp(id);
    return text.isEmpty() ? builtinString(id) : text;
}

QString CLanguage::GetDialogText(int id) const {
    const QString text = dialogTexts_.lookUp(id);
    return text.isEmpty() ? builtinString(id) : text;
}

QString CLanguage::GetTemplateText(int id) {
    const char* text = builtinTemplateText(id);
    return text != nullptr ? QString::fromUtf8(text) : QString();
}

QString CLanguage::GetLanguageName(int index) const {
    return index >= 0 && index < languages_.size() ? languages_.at(index).name : QString();
}

bool CLanguage::LoadInterfaceFont() {
    const LogFont logFont =
        settings_ != nullptr ? readStoredLogFont(*settings_, currentLanguage_) : defaultLogFont();
    font_ = InterfaceFont::create(logFont);
    if (!font_) {
        showMessage(QStringLiteral("Failed to create font"), QStringLiteral("Error"));
        return false;
    }
    return true;
}

bool CLanguage::SaveInterfaceFont() {
    if (settings_ != nullptr && font_) {
        writeStoredLogFont(*settings_, currentLanguage_, font_->logFont());
    }
    return true;
}

std::optional<QFont> CLanguage::GetInterfaceFont() const {
    return font_ ? std::optional<QFont>(font_->font()) : std::nullopt;
}

std::optional<LogFont> CLanguage::GetInterfaceLogFont() const {
    return font_ ? std::optional<LogFont>(font_->logFont()) : std::nullopt;
}

bool CLanguage::ReplaceInterfaceFont(const LogFont& logFont) {
    font_ = InterfaceFont::create(logFont);
    return font_.has_value();
}
