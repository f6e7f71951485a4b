#include <gtest/gtest.h>

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "controls/LinkLabel.h"
#include "controls/LinkTarget.h"
#include "tests/common/ScriptedDialogs.h"
#include "tests/controls/ControlWindow.h"

namespace {

class LinkLabelTest : public ::testing::Test {
  protected:
    LinkLabelTest() {
        link = new CLinkLabel(QStringLiteral("Support Email: Click here"), dialogs, &window);
        link->setGeometry(20, 20, 300, 30);
        link->SetTarget(QStringLiteral("https://example.org/support"));
        window.showActive();
    }

    QString lastMessage() const {
        return dialogs.messages.isEmpty() ? QString() : dialogs.messages.constLast().text;
    }

    ScriptedDialogs dialogs;
    ControlWindow window;
    CLinkLabel* link = nullptr;
};

TEST_F(LinkLabelTest, UnderlineModesAfterTheMouseLeaves) {
    EXPECT_EQ(link->underlineMode(), CLinkLabel::UnderlineWhileHovering);
    EXPECT_FALSE(link->isUnderlined());
    window.moveMouseTo(link);
    EXPECT_TRUE(link->isUnderlined());
    EXPECT_EQ(link->textColour(), QColor(255, 0, 0));
    window.moveMouse(ControlWindow::kEmptySpot);
    EXPECT_FALSE(link->isUnderlined());

    link->SetUnderlineMode(CLinkLabel::UnderlineAlways);
    window.moveMouseTo(link);
    window.moveMouse(ControlWindow::kEmptySpot);
    EXPECT_TRUE(link->isUnderlined());

    link->SetUnderlineMode(CLinkLabel::UnderlineNever);
    window.moveMouseTo(link);
    EXPECT_FALSE(link->isUnderlined());
}

TEST_F(LinkLabelTest, OpeningShowsTheLinkVisitedExceptUnderTheMouse) {
    EXPECT_EQ(link->textColour(), QColor(0, 0, 238));
    EXPECT_EQ(link->toolTip(), QStringLiteral("https://example.org/support"));
    window.click(link);
    ASSERT_EQ(dialogs.webPages.size(), 1);
    EXPECT_EQ(dialogs.webPages.constFirst(), QUrl(QStringLiteral("https://example.org/support")));
    EXPECT_TRUE(link->visited());
    EXPECT_EQ(link->textColour(), QColor(85, 26, 139));
    window.moveMouseTo(link, {3, 0});
    EXPECT_EQ(link->textColour(), QColor(255, 0, 0));
    window.moveMouse(ControlWindow::kEmptySpot);
    EXPECT_EQ(link->textColour(), QColor(85, 26, 139));
    EXPECT_TRUE(dialogs.messages.isEmpty());

    // Only the text is the link.
    EXPECT_LT(link->width(), 300);
    EXPECT_EQ(link->x(), 20);
}

TEST_F(LinkLabelTest, TargetThatCannotBeOpenedIsExplained) {
    dialogs.webPagesOpen = false;
    window.click(link);
    EXPECT_FALSE(link->visited());
    EXPECT_EQ(lastMessage(), QStringLiteral("Unable to open hyperlink:\n\n") +
                                 linkFailureText(link_result::kNoProgram));
    EXPECT_EQ(dialogs.messages.constLast().icon, MessageIcon::Warning);

    QTemporaryDir folder;
    link->SetTarget(folder.filePath(QStringLiteral("missing.htm")));
    link->activate();
    EXPECT_EQ(lastMessage(), QStringLiteral("Unable to open hyperlink:\n\n"
                                            "The specified file was not found."));
    link->SetTarget(folder.filePath(QStringLiteral("no folder/missing.htm")));
    link->setFocus();
    QTest::keyClick(link, Qt::Key_Return);
    EXPECT_EQ(lastMessage(), QStringLiteral("Unable to open hyperlink:\n\n"
                                            "The specified path was not found."));
    EXPECT_EQ(dialogs.webPages.size(), 1);  // only the web address was handed on

    // A file that is there, its name with blanks, "%" and non-Latin letters.
    const QString page = folder.filePath(QStringLiteral("Hilfe 100% Справка.htm"));
    QFile(page).open(QIODevice::WriteOnly);
    dialogs.webPagesOpen = true;
    link->SetTarget(page);
    link->activate();
    EXPECT_EQ(dialogs.webPages.constLast(), QUrl::fromLocalFile(page));
    EXPECT_TRUE(link->visited());
}

TEST_F(LinkLabelTest, ScreenReadersMeetAPressableLinkNamedByItsText) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(link);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Link);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Support Email: Click here"));
    QAccessibleActionInterface* actions = accessible->actionInterface();
    ASSERT_NE(actions, nullptr);
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(dialogs.webPages.size(), 1);
}

}  // namespace
