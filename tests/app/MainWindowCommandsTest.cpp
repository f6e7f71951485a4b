#include <QAccessible>
#include <QMimeData>
#include <QUrl>

#include "app/AboutBox.h"
#include "app/MainWindowState.h"
#include "base/ControlId.h"
#include "controls/LinkLabel.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/output/ModalAnswer.h"

using namespace main_window_control;

namespace {

QString nameHeard(QWidget* control) {
    return QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
}

}  // namespace

TEST_F(MainWindowTest, EveryControlHasAnAccessibleName) {
    for (QWidget* control : window->controls().all()) {
        EXPECT_FALSE(nameHeard(control).isEmpty()) << controlId(control);
    }
    EXPECT_EQ(nameHeard(window->controls()[kPosition]), "Position");
    EXPECT_EQ(nameHeard(window->controls()[kHelp]), "Help");
}

TEST_F(MainWindowTest, KeysDropHelpAndHomepage) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

    // A file dropped on the window opens as with Open Video.
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(ninetySecondClip())});
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    // Straight to the window: the application only passes on drops its own drag manager started.
    static_cast<QObject*>(window.get())->event(&drop);
    ASSERT_TRUE(QTest::qWaitFor([&] { return player() != nullptr; }, 10000));
    EXPECT_EQ(window->state(), MainWindowState::SourceOpen);

    // The keys belong to the main window (the player window came up in front of it).
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_Space);
    EXPECT_TRUE(QTest::qWaitFor([&] { return player()->state() == PlayState::Running; }, 10000));
    QTest::keyClick(window.get(), Qt::Key_Space);
    EXPECT_EQ(player()->state(), PlayState::Paused);
    ASSERT_TRUE(succeeded(player()->SeekClip(12 * kSecond)));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return player()->currentPosition() == 12 * kSecond; }, 10000));
    QTest::keyClick(window.get(), Qt::Key_O);
    EXPECT_EQ(text(kEndTimeText), "00:00:12");
    QTest::keyClick(window.get(), Qt::Key_I);
    EXPECT_EQ(text(kStartTimeText), "00:00:12");
    // Enter presses the button with the focus.
    window->controls()[kStop]->setFocus();
    QTest::keyClick(window->controls()[kStop], Qt::Key_Return);
    EXPECT_EQ(player()->state(), PlayState::Stopped);

    // Help opens the manual beside the program; a home page no browser takes is explained.
    window->runCommand(kHelp);
    ASSERT_EQ(dialogs.webPages.size(), 1);
    EXPECT_TRUE(dialogs.webPages[0].toLocalFile().endsWith("help/Introduction.htm"));
    dialogs.webPagesOpen = false;
    window->runCommand(kHomepage);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].caption, "unknown errors");
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(
        "The Program does not launch your web browser to access https://"));
}

TEST_F(MainWindowTest, AboutBoxShowsBothLinks) {
    ModalAnswer answer([](QWidget* dialog) {
        auto* about = qobject_cast<CAboutDlg*>(dialog);
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(about->windowTitle(), "About");
        auto* home = about->controls().get<CLinkLabel>(CAboutDlg::kHomePageLink);
        auto* contact = about->controls().get<CLinkLabel>(CAboutDlg::kContactLink);
        EXPECT_EQ(home->target(), kHomePageAddress);
        EXPECT_EQ(contact->text(), "Support Email: Click here");
        EXPECT_EQ(contact->target(), kContactPageAddress);
        for (CLinkLabel* link : {home, contact}) {
            EXPECT_EQ(link->underlineMode(), CLinkLabel::UnderlineAlways);
            EXPECT_TRUE(link->isUnderlined()) << "without the mouse over it";
        }
        // Enter presses OK, not the first link.
        QTest::keyClick(about->focusWidget() ? about->focusWidget() : about, Qt::Key_Return);
        if (about->isVisible()) {
            ADD_FAILURE() << "Enter did not press OK";
            about->accept();
        }
    });
    window->runCommand(main_window_command::kSystemAbout);
    EXPECT_TRUE(dialogs.webPages.isEmpty());
}

TEST_F(MainWindowTest, TheTitleShowsThePercentWhileConverting) {
    open();
    window->runCommand(kConvert);
    EXPECT_EQ(window->windowTitle(), "0% - Quenzel");
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(window->windowTitle(), "Quenzel");
}
