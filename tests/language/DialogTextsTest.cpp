#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>

#include "base/SettingsStore.h"
#include "base/ControlId.h"
#include "language/DialogTexts.h"
#include "language/Language.h"
#include "language/LanguageCommands.h"
#include "language/LanguageMenu.h"
#include "language/MenuTexts.h"
#include "tests/common/ScriptedDialogs.h"
#include "tests/common/TempConfig.h"
#include "tests/language/LanguageFiles.h"

namespace {

const QString kGermanFile = QStringLiteral(
    "[DIALOG]\n"
    "IDD_DIALOG_OUTPUT_OPTIONS=Ausgabeoptionen\n"
    "IDD_PROGRAM_CAPTION=Quenzel\n"
    "IDC_BUTTON_BROWSE=Durchsuchen\n"
    "IDC_STATIC_OUTPUT_FILE=Ausgabedatei:\n"
    "IDC_STATIC_RESOLUTION=Original\\nBenutzerdefiniert\\n\n"
    "IDC_BUTTON_OPTIONS_OK=OK <b>fett</b>\n"
    "IDC_BUTTON_OPTIONS_CANCEL=\n"
    "IDC_STATIC_FRAME_RATE=Bildrate:\n"
    "IDC_STATIC_RESIZE_MODE=Skalierung:\n"
    "IDC_STATIC_VIDEO_COMPRESSOR=Videokompressor:\n"
    "IDC_BUTTON_ADD_VIDEO=Video öffnen\n"
    "[STRING]\n"
    "IDS_MESSAGE_WARNING=Warnung\n"
    "IDS_MESSAGE_RESTART_PROGRAM=Bitte starten Sie das Programm neu\n"
    "[MENU]\n"
    "IDM_SELECT_LANGUAGE=Sprache\n"
    "IDM_POPUPMENU_FONT=Schriftart\n");

class DialogTextsTest : public LanguageTestBase {
  protected:
    void SetUp() override {
        files.writeLanguage(QStringLiteral("German"), kGermanFile);
        files.writeLanguage(QStringLiteral("English"), QStringLiteral("[DIALOG]\n"));
        settings.writeInt(QStringLiteral("German"), QStringLiteral("lfHeight"), -23);
    }

    template <typename Control>
    Control* add(QWidget* parent, int id, const QString& text = QStringLiteral("template")) {
        auto* control = new Control(parent);
        setControlId(control, id);
        if constexpr (requires { control->setText(text); }) {
            control->setText(text);
        }
        return control;
    }
};

}  // namespace

TEST_F(DialogTextsTest, RetitlesControlsByIdentifierAndSendsTheFontOnlyToThem) {
    ASSERT_TRUE(language.Init(files.baseFolder(), QStringLiteral("German")));
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Output options"));
    const QFont templateFont = dialog.font();
    auto* browse = add<QPushButton>(&dialog, 1024);
    auto* label = add<QLabel>(&dialog, 1023);
    auto* combo = add<QComboBox>(&dialog, 1026);
    combo->addItems({QStringLiteral("old")});
    auto* ok = add<QPushButton>(&dialog, 1082);
    auto* cancel = add<QPushButton>(&dialog, 1083);
    auto* edit = add<QLineEdit>(&dialog, 1078);
    auto* spin = new QSpinBox(&dialog);
    setControlId(spin, 1079);
    auto* list = new QListWidget(&dialog);
    setControlId(list, 1080);
    auto* unnamed = add<QLabel>(&dialog, 65535);  // unnamed labels: -1 as 16 bits
    auto* group = new QGroupBox(&dialog);
    auto* nested = add<QPushButton>(group, 1006);
    auto* neighbour = add<QPushButton>(group, 0);

    ASSERT_TRUE(ApplyDialogTexts(language, &dialog, 129));

    const int interfaceSize = 23;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Ausgabeoptionen"));
    EXPECT_EQ(dialog.font().pixelSize(), interfaceSize);
    EXPECT_EQ(browse->text(), QStringLiteral("Durchsuchen"));
    EXPECT_EQ(browse->font().pixelSize(), interfaceSize);
    EXPECT_EQ(label->text(), QStringLiteral("Ausgabedatei:"));
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(ok->text(), QStringLiteral("OK <b>fett</b>"));
    EXPECT_EQ(nested->text(), QStringLiteral("Video öffnen"));
    EXPECT_EQ(nested->font().pixelSize(), interfaceSize);

    // A combo box takes one entry per line, the empty last one too, and keeps its font.
    QStringList entries;
    for (int index = 0; index < combo->count(); ++index) {
        entries.append(combo->itemText(index));
    }
    EXPECT_EQ(entries, QStringList({"Original", "Benutzerdefiniert", ""}));
    EXPECT_EQ(combo->font(), templateFont);

    // Untouched: no text, edit boxes, spin boxes, lists and unnamed controls; nor do they take
    // the font the dialog was given.
    for (QWidget* widget :
         std::initializer_list<QWidget*>{cancel, edit, spin, list, unnamed, neighbour, group}) {
        EXPECT_EQ(widget->font(), templateFont) << widget->metaObject()->className();
    }
    EXPECT_EQ(cancel->text(), QStringLiteral("template"));
    EXPECT_EQ(edit->text(), QStringLiteral("template"));
    EXPECT_EQ(unnamed->text(), QStringLiteral("template"));
    EXPECT_EQ(list->count(), 0);
}

TEST_F(DialogTextsTest, WithoutACaptionTextTheDialogKeepsItsFontAndChildWindowsAreLeftAlone) {
    files.writeLanguage(QStringLiteral("German"),
                        QStringLiteral("[DIALOG]\nIDC_BUTTON_ADD_VIDEO=Video öffnen\n"));
    ASSERT_TRUE(language.Init(files.baseFolder(), QStringLiteral("German")));
    QWidget mainWindow;
    mainWindow.setWindowTitle(QStringLiteral("Quenzel"));
    const QFont templateFont = mainWindow.font();
    auto* open = add<QPushButton>(&mainWindow, 1006);
    auto* player = new QDialog(&mainWindow);
    auto* inPlayer = add<QPushButton>(player, 1006);

    ASSERT_TRUE(ApplyDialogTexts(language, &mainWindow, 102));
    EXPECT_EQ(mainWindow.windowTitle(), QStringLiteral("Quenzel"));
    EXPECT_EQ(mainWindow.font(), templateFont);
    EXPECT_EQ(open->text(), QStringLiteral("Video öffnen"));
    EXPECT_EQ(inPlayer->text(), QStringLiteral("template"));
}

TEST_F(DialogTextsTest, WithoutAUsableFontRetitledControlsGetTheSystemFont) {
    settings.writeInt(QStringLiteral("German"), QStringLiteral("lfHeight"), -5000);
    ASSERT_TRUE(language.Init(files.baseFolder(), QStringLiteral("German")));
    QDialog dialog;
    QFont big;
    big.setPixelSize(40);
    dialog.setFont(big);
    auto* browse = add<QPushButton>(&dialog, 1024);
    ASSERT_TRUE(ApplyDialogTexts(language, &dialog, 129));
    EXPECT_EQ(browse->text(), QStringLiteral("Durchsuchen"));
    EXPECT_NE(browse->font().pixelSize(), 40);
}

TEST_F(DialogTextsTest, NothingChangesWithoutLanguageFiles) {
    LanguageFiles empty;
    EXPECT_FALSE(language.Init(empty.baseFolder(), QStringLiteral("German")));
    QDialog dialog;
    auto* browse = add<QPushButton>(&dialog, 1024);
    QMenu menu;
    EXPECT_FALSE(ApplyDialogTexts(language, &dialog, 129));
    EXPECT_FALSE(ApplyMenuTexts(language, &menu, kLanguagePopupMenuId));
    EXPECT_EQ(browse->text(), QStringLiteral("template"));
}

TEST_F(DialogTextsTest, MenuTextsRetitleSubmenusByCounterAndCommandsByIdentifier) {
    ASSERT_TRUE(language.Init(files.baseFolder(), QStringLiteral("German")));
    QMenu root;
    QMenu* popup = root.addMenu(QStringLiteral("top"));
    QAction* topCommand = root.addAction(QStringLiteral("top command"));
    setCommandId(topCommand, kFontCommandId);
    popup->addSeparator();
    QMenu* first = popup->addMenu(QStringLiteral("first"));
    QMenu* inner = first->addMenu(QStringLiteral("inner"));
    QMenu* second = popup->addMenu(QStringLiteral("second"));
    QAction* font = popup->addAction(QStringLiteral("Font"));
    setCommandId(font, kFontCommandId);
    QAction* about = popup->addAction(QStringLiteral("About"));
    setCommandId(about, kAboutCommandId);

    ASSERT_TRUE(ApplyMenuTexts(language, &root, kLanguagePopupMenuId));
    EXPECT_EQ(popup->title(), QStringLiteral("top"));
    EXPECT_EQ(topCommand->text(), QStringLiteral("top command"));
    EXPECT_EQ(first->title(), QStringLiteral("Sprache"));  // counter 160 * 65536
    EXPECT_EQ(inner->title(), QStringLiteral("inner"));
    EXPECT_EQ(second->title(), QStringLiteral("second"));
    EXPECT_EQ(font->text(), QStringLiteral("Schriftart"));
    EXPECT_EQ(about->text(), QStringLiteral("About"));
    EXPECT_EQ(commandId(font), kFontCommandId);
}

TEST_F(DialogTextsTest, PopupMenuListsLanguagesAndChecksTheCurrentOne) {
    ASSERT_TRUE(language.Init(files.baseFolder(), QStringLiteral("german")));
    const LanguagePopupMenu menu(language);
    const QList<QAction*> items = menu.popup()->actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->text(), QStringLiteral("Sprache"));
    EXPECT_EQ(items[1]->text(), QStringLiteral("Schriftart"));
    EXPECT_EQ(commandId(items[1]), kFontCommandId);
    EXPECT_EQ(items[2]->text(), QStringLiteral("About"));
    EXPECT_EQ(commandId(items[2]), kAboutCommandId);

    const QList<QAction*> languages = menu.languageSubmenu()->actions();
    ASSERT_EQ(languages.size(), 2);
    EXPECT_EQ(languages[0]->text(), QStringLiteral("English"));
    EXPECT_EQ(commandId(languages[0]), kFirstLanguageCommandId);
    EXPECT_FALSE(languages[0]->isChecked());
    EXPECT_EQ(languages[1]->text(), QStringLiteral("German"));
    EXPECT_EQ(commandId(languages[1]), kFirstLanguageCommandId + 1);
    EXPECT_TRUE(languages[1]->isChecked());
}

TEST_F(DialogTextsTest, LanguageCommandSwitchesRetitlesAndAsksForARestartInTheNewLanguage) {
    ASSERT_TRUE(language.Init(files.baseFolder(), QStringLiteral("english")));
    QWidget mainWindow;
    auto* open = add<QPushButton>(&mainWindow, 1006);

    EXPECT_FALSE(RunLanguageCommand(language, kFirstLanguageCommandId + 2, &mainWindow, dialogs));
    EXPECT_FALSE(RunLanguageCommand(language, kFontCommandId, &mainWindow, dialogs));
    EXPECT_TRUE(dialogs.messages.isEmpty());

    ASSERT_TRUE(RunLanguageCommand(language, kFirstLanguageCommandId + 1, &mainWindow, dialogs));
    EXPECT_EQ(language.GetCurrentLanguage(), QStringLiteral("German"));
    EXPECT_EQ(open->text(), QStringLiteral("Video öffnen"));
    EXPECT_EQ(mainWindow.windowTitle(), QStringLiteral("Quenzel"));
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Bitte starten Sie das Programm neu"));
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Warnung"));
    EXPECT_TRUE(dialogs.messages[0].ownedByMainWindow);
}

TEST_F(DialogTextsTest, OnlyTheFirstThousandOfMoreLanguagesCanBeChosen) {
    LanguageFiles many;
    for (int index = 0; index < 1001; ++index) {
        many.writeLanguage(QStringLiteral("L%1").arg(index, 4, 10, QLatin1Char('0')),
                           QStringLiteral("[STRING]\n"));
    }
    ASSERT_TRUE(language.Init(many.baseFolder(), QStringLiteral("english")));
    ASSERT_EQ(language.GetLanguageCount(), 1001);
    const LanguagePopupMenu menu(language);
    EXPECT_EQ(menu.languageSubmenu()->actions().size(), 1001);

    QWidget mainWindow;
    EXPECT_FALSE(
        RunLanguageCommand(language, kFirstLanguageCommandId + 1000, &mainWindow, dialogs));
    EXPECT_EQ(language.GetCurrentLanguage(), QStringLiteral("english"));
    EXPECT_TRUE(RunLanguageCommand(language, kFirstLanguageCommandId + 999, &mainWindow, dialogs));
    EXPECT_EQ(language.GetCurrentLanguage(), QStringLiteral("L0999"));
}
