#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>

#include "base/SettingsStore.h"
#include "language/Language.h"
#include "language/LanguageFileParser.h"
#include "language/LanguageFolder.h"
#include "language/LanguageName.h"
#include "language/LocaleTable.h"
#include "language/TextKeyTable.h"
#include "tests/common/ScriptedDialogs.h"
#include "tests/common/TempConfig.h"
#include "tests/language/LanguageFiles.h"

namespace {

const QString kImproperNameMessage =
    QStringLiteral("Your language file name may be not proper,\n please read the help file!");

class LanguageTest : public LanguageTestBase {
  protected:
    QStringList languageList() const {
        QStringList names;
        for (int index = 0; index < language.GetLanguageCount(); ++index) {
            names.append(language.GetLanguageName(index));
        }
        return names;
    }
};

}  // namespace

TEST_F(LanguageTest, ListsIniFilesSortedByteWiseAndCaseSensitive) {
    for (const char* name : {"french.ini", "English.ini", "Zulu.ini", "german.INI", "notes.txt"}) {
        files.write(QString::fromLatin1(name), "[STRING]\n");
    }
    QDir(files.languageFolder()).mkdir(QStringLiteral("Folder.ini"));
    ASSERT_TRUE(language.Init(files.baseFolder(), QStringLiteral("english")));
    EXPECT_EQ(languageList(), QStringList({"English", "Zulu", "french", "german"}));
    EXPECT_EQ(language.GetLanguageName(4), QString());
    EXPECT_EQ(language.GetLanguageName(-1), QString());
}

TEST_F(LanguageTest, WithoutLanguageFilesEverythingStaysBuiltIn) {
    EXPECT_FALSE(language.Init(files.baseFolder(), QStringLiteral("german")));
    EXPECT_FALSE(language.LoadLanguage(QStringLiteral("german")));
    EXPECT_EQ(language.GetCurrentLanguage(), QStringLiteral("english"));
    EXPECT_EQ(language.GetMessageText(126), QStringLiteral("Please restart the program"));
    EXPECT_EQ(language.GetDialogText(125), QStringLiteral("Convert"));
    EXPECT_EQ(language.GetLanguageId(), 0x0409);
    EXPECT_FALSE(language.GetInterfaceFont().has_value());
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(LanguageTest, SelectsIgnoringCaseAndKeepsTheNameAsPassed) {
    files.writeLanguage(QStringLiteral("German"),
                        QStringLiteral("[STRING]\nIDS_MESSAGE_ERROR=Fehler\n"));
    settings.writeInt(QStringLiteral("german"), QStringLiteral("lfHeight"), -17);
    ASSERT_TRUE(language.Init(files.baseFolder(), QStringLiteral("german")));
    EXPECT_EQ(language.GetCurrentLanguage(), QStringLiteral("german"));
    EXPECT_EQ(language.GetMessageText(105), QStringLiteral("Fehler"));
    EXPECT_TRUE(language.GetLanguageFilePath().endsWith(QStringLiteral("/language/German.ini")));
    EXPECT_EQ(language.GetLocaleAbbreviation(), QStringLiteral("deu"));
    EXPECT_EQ(language.GetLanguageId(), 0x0007);
    ASSERT_TRUE(language.GetInterfaceFont().has_value());
    EXPECT_EQ(language.GetInterfaceFont()->pixelSize(), 17);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(LanguageTest, FallsBackToEnglishWhenTheStoredLanguageIsGone) {
    files.writeLanguage(QStringLiteral("English"),
                        QStringLiteral("[STRING]\nIDS_MESSAGE_CONVERSION_DONE=Finished\n"));
    files.writeLanguage(QStringLiteral("German"),
                        QStringLiteral("[STRING]\nIDS_MESSAGE_CONVERSION_DONE=Fertig\n"));
    ASSERT_TRUE(language.Init(files.baseFolder(), QStringLiteral("Klingon")));
    EXPECT_EQ(language.GetCurrentLanguage(), QStringLiteral("english"));
    EXPECT_EQ(language.GetMessageText(163), QStringLiteral("Finished"));
    EXPECT_EQ(language.GetLanguageId(), 0x0409);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(LanguageTest, EnglishWithoutItsFileKeepsBuiltInTextsSilently) {
    files.writeLanguage(QStringLiteral("Deutsch"),
                        QStringLiteral("[STRING]\nIDS_MESSAGE_ERROR=Fehler\n"));
    ASSERT_TRUE(language.Init(files.baseFolder(), QStringLiteral("english")));
    EXPECT_EQ(languageList(), QStringList({"Deutsch"}));
    EXPECT_EQ(language.GetCurrentLanguage(), QStringLiteral("english"));
    EXPECT_EQ(language.GetLanguageFileState(), LanguageFileState::Missing);
    EXPECT_EQ(language.GetMessageText(105), QStringLiteral("Error"));
    EXPECT_EQ(language.GetLocaleAbbreviation(), QStringLiteral("english"));
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(LanguageTest, EncodingMarkersDecideDecodingAndAreStrippedForTheLocale) {
    files.writeLanguage(QStringLiteral("Chinese_Simplified_utf-8"),
                        QStringLiteral("[STRING]\nIDS_MESSAGE_ERROR=错误\n"));
    QByteArray utf16("\xFF\xFE", 2);
    const QString russian = QStringLiteral("[STRING]\r\nIDS_MESSAGE_ERROR=Ошибка\r\n");
    utf16.append(reinterpret_cast<const char*>(russian.utf16()), russian.size() * 2);
    files.write(QStringLiteral("Russian_unicode.ini"), utf16);
    ASSERT_TRUE(language.Init(files.baseFolder(), QStringLiteral("Chinese_Simplified_utf-8")));

    EXPECT_EQ(language.GetEncoding(), FileEncoding::Utf8);
    EXPECT_EQ(language.GetLocaleAbbreviation(), QStringLiteral("chs"));
    EXPECT_EQ(language.GetLanguageId(), 0x0004);
    EXPECT_EQ(language.GetMessageText(105), QStringLiteral("错误"));

    language.SelectLanguage(QStringLiteral("russian_UNICODE"));
    EXPECT_EQ(language.GetCurrentLanguage(), QStringLiteral("russian_UNICODE"));
    EXPECT_EQ(language.GetEncoding(), FileEncoding::Utf16);
    EXPECT_EQ(language.GetLocaleAbbreviation(), QStringLiteral("rus"));
    EXPECT_EQ(language.GetLanguageId(), 0x0019);
    EXPECT_EQ(language.GetMessageText(105), QStringLiteral("Ошибка"));
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(LanguageTest, UnknownNameShowsTheMessageAndStillAppliesItsTexts) {
    files.writeLanguage(QStringLiteral("German"), QStringLiteral("[STRING]\n"));
    files.writeLanguage(QStringLiteral("MyLanguage"),
                        QStringLiteral("[STRING]\nIDS_MESSAGE_ERROR=Oops\n"));
    ASSERT_TRUE(language.Init(files.baseFolder(), QStringLiteral("German")));
    language.SelectLanguage(QStringLiteral("MyLanguage"));

    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, kImproperNameMessage);
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("mylanguage"));
    EXPECT_FALSE(dialogs.messages[0].ownedByMainWindow);
    EXPECT_EQ(language.GetMessageText(105), QStringLiteral("Oops"));
    EXPECT_EQ(language.GetLocaleAbbreviation(), QString());
    // The identifier of the language before stays.
    EXPECT_EQ(language.GetLanguageId(), 0x0007);
}

TEST_F(LanguageTest, EmptyAndMissingKeysKeepBuiltInTextsAndSecondIdentifiersShareTheText) {
    files.writeLanguage(QStringLiteral("English"),
                        QStringLiteral("[STRING]\nIDS_MESSAGE_ERROR=\nIDS_MESSAGE_WARNING=  \n"
                                       "IDS_MESSAGE_FILE_EXIST=Path C:\\temp\\nnext line\n"
                                       "[DIALOG]\nIDC_BUTTON_STOP=Halt\nIDD_PROGRAM_CAPTION=\n"));
    ASSERT_TRUE(language.Init(files.baseFolder(), QStringLiteral("english")));
    EXPECT_EQ(language.GetMessageText(105), QStringLiteral("Error"));
    EXPECT_EQ(language.GetMessageText(108), QStringLiteral("Warning"));
    EXPECT_EQ(language.GetMessageText(126), QStringLiteral("Please restart the program"));
    EXPECT_EQ(language.GetMessageText(127), QStringLiteral("Path C:\temp\nnext line"));
    EXPECT_EQ(language.GetDialogText(124), QStringLiteral("Halt"));
    EXPECT_EQ(language.LookUpDialogText(1061), QStringLiteral("Halt"));
    EXPECT_EQ(language.GetDialogText(125), QStringLiteral("Convert"));
    // Dialog texts fall back to the string table only.
    EXPECT_EQ(language.GetDialogText(102), QString());
    EXPECT_EQ(language.LookUpDialogText(102), QString());
    EXPECT_EQ(language.GetMessageText(99999), QString());
}

TEST_F(LanguageTest, LoadingAnotherLanguageReplacesEveryText) {
    files.writeLanguage(
        QStringLiteral("German"),
        QStringLiteral("[STRING]\nIDS_MESSAGE_ERROR=Fehler\nIDS_MESSAGE_WARNING=Warnung\n"));
    files.writeLanguage(QStringLiteral("French"),
                        QStringLiteral("[STRING]\nIDS_MESSAGE_ERROR=Erreur\n"));
    ASSERT_TRUE(language.Init(files.baseFolder(), QStringLiteral("German")));
    language.LoadLanguage(QStringLiteral("French"));
    EXPECT_EQ(language.GetMessageText(105), QStringLiteral("Erreur"));
    EXPECT_EQ(language.GetMessageText(108), QStringLiteral("Warning"));
}

TEST_F(LanguageTest, BadFilesNeverCrashAndKeepWhatTheyCannotGiveBuiltIn) {
    files.write(QStringLiteral("Latin1.ini"),
                "[STRING]\nIDS_MESSAGE_ERROR=Fehl\xE4r\nIDS_MESSAGE_WARNING=Achtung\n");
    const char truncated[] = "\xFF\xFE[\0S\0T\0R\0I\0N\0G\0]\0\n\0I\0D\0S";
    files.write(QStringLiteral("Truncated_unicode.ini"),
                QByteArray(truncated, sizeof truncated - 1));
    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i) {
        binary[i] = char((i * 7919) % 251);
    }
    files.write(QStringLiteral("Binary.ini"), binary);
    files.write(QStringLiteral("Huge.ini"),
                "[STRING]\nIDS_MESSAGE_ERROR=Huge\n" + QByteArray(kMaxLanguageFileBytes, ';'));
    ASSERT_TRUE(language.Init(files.baseFolder(), QStringLiteral("Latin1")));

    EXPECT_EQ(language.GetMessageText(105), QStringLiteral("Fehl\uFFFDr"));
    EXPECT_EQ(language.GetMessageText(108), QStringLiteral("Achtung"));
    for (const char* name : {"Truncated_unicode", "Binary", "Huge"}) {
        language.SelectLanguage(QString::fromLatin1(name));
        EXPECT_EQ(language.GetMessageText(105), QStringLiteral("Error")) << name;
        EXPECT_EQ(language.GetDialogText(124), QStringLiteral("Stop")) << name;
    }
    EXPECT_EQ(language.GetLanguageFileState(), LanguageFileState::TooLarge);
}

TEST(BaseFolder, PrefersTheParentWithEnglishThenTheProgramFolderThenTheDataFolder) {
    QTemporaryDir top;
    const QString program = top.path() + QStringLiteral("/tree/bin");
    const QString data = top.path() + QStringLiteral("/share/quenzel");
    QDir().mkpath(program);
    QDir().mkpath(data + QStringLiteral("/language"));
    EXPECT_EQ(findBaseFolder(program, data), data);

    QDir().mkpath(program + QStringLiteral("/language"));
    EXPECT_EQ(findBaseFolder(program, data), program);

    QDir().mkpath(top.path() + QStringLiteral("/tree/language"));
    EXPECT_EQ(findBaseFolder(program, data), program);
    QFile english(top.path() + QStringLiteral("/tree/language/English.ini"));
    ASSERT_TRUE(english.open(QIODevice::WriteOnly));
    english.close();
    EXPECT_EQ(findBaseFolder(program, data), top.path() + QStringLiteral("/tree"));

    EXPECT_EQ(findBaseFolder(top.path() + QStringLiteral("/none"), QString()),
              top.path() + QStringLiteral("/none"));
}

TEST(LocaleTable, HoldsTheWindowsLocalesWithUniqueNames) {
    ASSERT_EQ(localeRows().size(), 273u);
    QSet<QString> names;
    for (const LocaleRow& row : localeRows()) {
        const QString abbreviation = QString::fromLatin1(row.abbreviation);
        EXPECT_EQ(abbreviation.size(), 3) << row.name;
        EXPECT_EQ(abbreviation, abbreviation.toUpper()) << row.name;
        EXPECT_NE(row.languageId & 0x3FF, 0) << row.name;
        names.insert(QString::fromLatin1(row.name).toLower());
    }
    EXPECT_EQ(names.size(), 273);
}

TEST(LocaleTable, IdentifiesNamesAndAbbreviationsFirstRowFirst) {
    struct Expected {
        const char* localeName;
        uint16_t languageId;
        const char* abbreviation;
    };
    for (const Expected& expected : {
             Expected{"english", 0x0409, "english"},
             Expected{"enu", 0x0009, "enu"},
             Expected{"english_united_kingdom)", 0x0809, "eng"},
             Expected{"german", 0x0007, "deu"},
             Expected{"deu", 0x0007, "deu"},
             Expected{"chinese_simplified", 0x0004, "chs"},
             Expected{"chinese_traditional", 0x7C04, "cht"},
             Expected{"japanese", 0x0011, "jpn"},
             Expected{"serbian", 0x7C1A, "srb"},
             Expected{"spanish_united states", 0x540A, "est"},
             Expected{"amharic_ethiopia", 0x045E, "amh"},
         }) {
        const std::optional<LocaleIdentity> identity =
            identifyLocale(QString::fromLatin1(expected.localeName));
        ASSERT_TRUE(identity.has_value()) << expected.localeName;
        EXPECT_EQ(identity->languageId(), expected.languageId) << expected.localeName;
        EXPECT_EQ(identity->abbreviation, QString::fromLatin1(expected.abbreviation));
    }
    EXPECT_FALSE(identifyLocale(QStringLiteral("english_united_kingdom")).has_value());
    EXPECT_FALSE(identifyLocale(QStringLiteral("German")).has_value());
    EXPECT_FALSE(identifyLocale(QString()).has_value());
}

namespace {

std::vector<LanguageFileText> parseShippedFile(const QString& fileName) {
    QFile file(qEnvironmentVariable("QUENZEL_BIN_DIR") + QStringLiteral("/language/") + fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << qPrintable(fileName);
        return {};
    }
    const QByteArray bytes = file.readAll();
    return parseLanguageFile(std::string_view(bytes.constData(), size_t(bytes.size())),
                             encodingOfLanguageName(fileName));
}

}  // namespace

TEST(ShippedLanguageFiles, EnglishHoldsTheBuiltInTextsAndTheOthersTranslateEveryKey) {
    if (qEnvironmentVariable("QUENZEL_BIN_DIR").isEmpty()) {
        GTEST_SKIP() << "QUENZEL_BIN_DIR is not set";
    }
    const std::vector<LanguageFileText> english = parseShippedFile(QStringLiteral("English.ini"));
    ASSERT_EQ(english.size(), textKeys().size());
    for (std::size_t row = 0; row < english.size(); ++row) {
        EXPECT_EQ(english[row].text, textKeys()[row].builtinText) << textKeys()[row].key;
    }
    for (const QString& fileName : {QStringLiteral("French.ini"), QStringLiteral("German.ini"),
                                    QStringLiteral("Russian_utf-8.ini")}) {
        const std::vector<LanguageFileText> texts = parseShippedFile(fileName);
        ASSERT_EQ(texts.size(), textKeys().size());
        for (std::size_t row = 0; row < texts.size(); ++row) {
            EXPECT_FALSE(QString::fromStdString(texts[row].text).trimmed().isEmpty())
                << qPrintable(fileName) << " " << textKeys()[row].key;
        }
    }
}

TEST_F(LanguageTest, ShippedFilesLoadBesideTheProgramsWithTheirOwnScript) {
    const QString binFolder = qEnvironmentVariable("QUENZEL_BIN_DIR");
    if (binFolder.isEmpty()) {
        GTEST_SKIP() << "QUENZEL_BIN_DIR is not set";
    }
    ASSERT_TRUE(language.Init(binFolder, QStringLiteral("russian_utf-8")));
    EXPECT_EQ(languageList(), QStringList({"English", "French", "German", "Russian_utf-8"}));
    EXPECT_EQ(language.GetLanguageId(), 0x0019);
    EXPECT_EQ(language.GetMessageText(105), QStringLiteral("Ошибка"));
    EXPECT_EQ(language.GetDialogText(124), QStringLiteral("Стоп"));
    EXPECT_TRUE(dialogs.messages.isEmpty());
}
