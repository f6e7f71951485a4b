#include <gtest/gtest.h>

#include <QPushButton>
#include <QSettings>
#include <QWidget>

#include "base/SettingsStore.h"
#include "base/ControlId.h"
#include "language/FontCommand.h"
#include "language/FontSettings.h"
#include "language/Language.h"
#include "tests/common/ScriptedDialogs.h"
#include "tests/common/TempConfig.h"
#include "tests/language/LanguageFiles.h"

namespace {

class InterfaceFontTest : public LanguageTestBase {
  protected:
    void SetUp() override {
        files.writeLanguage(QStringLiteral("German"),
                            QStringLiteral("[DIALOG]\nIDD_PROGRAM_CAPTION=Quenzel DE\n"
                                           "IDC_BUTTON_EXIT=Beenden\n"));
        files.writeLanguage(QStringLiteral("French"), QStringLiteral("[DIALOG]\n"));
    }

    QVariant storedValue(const QString& section, const QString& name) const {
        QSettings stored(config.iniFile(kApplication), QSettings::IniFormat);
        return stored.value(section + '/' + name);
    }
};

}  // namespace

TEST_F(InterfaceFontTest, EachLanguageKeepsItsOwnFont) {
    settings.writeInt(QStringLiteral("German"), QStringLiteral("lfHeight"), -20);
    settings.writeInt(QStringLiteral("German"), QStringLiteral("lfWeight"), 700);
    settings.writeText(QStringLiteral("German"), QStringLiteral("lfFaceName"),
                       QStringLiteral("DejaVu Serif"));
    ASSERT_TRUE(language.Init(files.baseFolder(), QStringLiteral("German")));
    EXPECT_EQ(language.GetInterfaceFont()->pixelSize(), 20);
    EXPECT_EQ(language.GetInterfaceFont()->weight(), QFont::Bold);
    EXPECT_EQ(language.GetInterfaceFont()->family(), QStringLiteral("DejaVu Serif"));

    // Never used before: the font a first start shows.
    language.SelectLanguage(QStringLiteral("French"));
    EXPECT_EQ(*language.GetInterfaceLogFont(), defaultLogFont());
    EXPECT_EQ(language.GetInterfaceFont()->family(), QStringLiteral("Microsoft Sans Serif"));
    EXPECT_EQ(language.GetInterfaceFont()->pixelSize(), 11);
}

TEST_F(InterfaceFontTest, StoredValuesAreReadAsTheFieldsHoldThem) {
    const QString section = QStringLiteral("German");
    settings.writeInt(section, QStringLiteral("lfItalic"), 0x101);
    settings.writeInt(section, QStringLiteral("lfCharSet"), 0x1CC);
    settings.writeInt(section, QStringLiteral("lfPitchAndFamily"), 0x31);
    settings.writeText(section, QStringLiteral("lfFaceName"), QString(40, QLatin1Char('F')));
    ASSERT_TRUE(language.Init(files.baseFolder(), section));
    const LogFont logFont = *language.GetInterfaceLogFont();
    EXPECT_EQ(logFont.italic, 1);
    EXPECT_EQ(logFont.charSet, 0xCC);
    EXPECT_EQ(logFont.faceName, QString(31, QLatin1Char('F')));
    EXPECT_TRUE(language.GetInterfaceFont()->italic());
    EXPECT_TRUE(language.GetInterfaceFont()->fixedPitch());
    EXPECT_EQ(language.GetInterfaceFont()->styleHint(), QFont::TypeWriter);
    // A face name is never cut inside a character.
    EXPECT_EQ(limitFaceName(QString(30, QLatin1Char('x')) + QStringLiteral("\U0001F600\U0001F600")),
              QString(30, QLatin1Char('x')) + QStringLiteral("\U0001F600"));
}

TEST_F(InterfaceFontTest, UnusableStoredFontShowsTheMessageAndLeavesNoFont) {
    settings.writeInt(QStringLiteral("German"), QStringLiteral("lfHeight"), -100000);
    ASSERT_TRUE(language.Init(files.baseFolder(), QStringLiteral("German")));
    EXPECT_FALSE(language.GetInterfaceFont().has_value());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Failed to create font"));
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Error"));
    EXPECT_FALSE(dialogs.messages[0].ownedByMainWindow);
    // Nothing to store without a font.
    language.SaveInterfaceFont();
    EXPECT_EQ(storedValue(QStringLiteral("German"), QStringLiteral("lfHeight")).toInt(), -100000);

    settings.writeInt(QStringLiteral("French"), QStringLiteral("lfWeight"), 1001);
    language.SelectLanguage(QStringLiteral("French"));
    EXPECT_FALSE(language.GetInterfaceFont().has_value());
}

TEST_F(InterfaceFontTest, CancelledFontDialogChangesNothing) {
    ASSERT_TRUE(language.Init(files.baseFolder(), QStringLiteral("German")));
    QWidget mainWindow;
    EXPECT_FALSE(RunFontCommand(language, dialogs, &mainWindow));
    EXPECT_FALSE(storedValue(QStringLiteral("German"), QStringLiteral("lfHeight")).isValid());
    EXPECT_EQ(*language.GetInterfaceLogFont(), defaultLogFont());
}

TEST_F(InterfaceFontTest, ChosenFontIsStoredAndSentToTheRetitledMainWindow) {
    ASSERT_TRUE(language.Init(files.baseFolder(), QStringLiteral("German")));
    QWidget mainWindow;
    auto* exitButton = new QPushButton(QStringLiteral("Exit"), &mainWindow);
    setControlId(exitButton, 1076);
    auto* playButton = new QPushButton(QStringLiteral("Play"), &mainWindow);
    setControlId(playButton, 1058);
    const QFont playFontBefore = playButton->font();

    QFont chosen(QStringLiteral("DejaVu Sans"));
    chosen.setPixelSize(15);
    chosen.setWeight(QFont::Bold);
    chosen.setUnderline(true);
    chosen.setStyleStrategy(QFont::NoAntialias);
    dialogs.fonts.push_back(chosen);
    ASSERT_TRUE(RunFontCommand(language, dialogs, &mainWindow));

    const QString section = QStringLiteral("German");
    EXPECT_EQ(storedValue(section, QStringLiteral("lfHeight")).toInt(), -15);
    EXPECT_EQ(storedValue(section, QStringLiteral("lfWeight")).toInt(), 700);
    EXPECT_EQ(storedValue(section, QStringLiteral("lfUnderline")).toInt(), 1);
    EXPECT_EQ(storedValue(section, QStringLiteral("lfFaceName")).toString(),
              QStringLiteral("DejaVu Sans"));
    EXPECT_FALSE(storedValue(section, QStringLiteral("lfQuality")).isValid());

    EXPECT_EQ(mainWindow.windowTitle(), QStringLiteral("Quenzel DE"));
    EXPECT_EQ(mainWindow.font().pixelSize(), 15);
    EXPECT_EQ(exitButton->text(), QStringLiteral("Beenden"));
    EXPECT_EQ(exitButton->font().pixelSize(), 15);
    EXPECT_TRUE(exitButton->font().underline());
    EXPECT_EQ(playButton->font(), playFontBefore);

    // The chosen quality holds until the language is loaded again.
    EXPECT_EQ(language.GetInterfaceLogFont()->quality, 3);
    EXPECT_TRUE(language.GetInterfaceFont()->styleStrategy() & QFont::NoAntialias);
    language.SelectLanguage(QStringLiteral("German"));
    EXPECT_EQ(language.GetInterfaceLogFont()->quality, 0);
    EXPECT_EQ(language.GetInterfaceFont()->styleStrategy(), QFont::PreferDefault);
    EXPECT_EQ(language.GetInterfaceFont()->pixelSize(), 15);
}
