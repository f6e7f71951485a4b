// Shows the main window on the display, for screenshots (scripts/screenshots):
//     quenzel-show-main-window idle|open|converting [--clip FILE] [--output FILE]
//                              [--language NAME]
// "open" opens the clip (the player window shows beside the main window); "converting" also
// starts converting it. Once the window is drawn a line is printed: the X window id, or for
// "open" "root WxH+X+Y", the part of the screen holding both windows. The program ends when a
// line (or the end) arrives on its standard input, and after a minute at the latest. Settings go
// where XDG_CONFIG_HOME points.
#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QLabel>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>

#include "app/ConverterSession.h"
#include "app/MainWindowState.h"
#include "app/PlayerPanel.h"
#include "app/ReelcraftDlg.h"
#include "base/QtUserDialogs.h"
#include "base/SettingsStore.h"
#include "language/Language.h"
#include "player/VcdCore.h"
#include "player/VideoWindow.h"

namespace {

constexpr int kLongestShowMs = 60000;
constexpr int kSettleMs = 1500;

void printWhenDrawn(const std::function<QString()>& line) {
    QTimer::singleShot(kSettleMs, [line] {
        std::printf("%s\n", qPrintable(line()));
        std::fflush(stdout);
    });
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("state"), QStringLiteral("idle|open|converting"));
    parser.addOption(
        {QStringLiteral("clip"), QStringLiteral("video to open"), QStringLiteral("file")});
    parser.addOption(
        {QStringLiteral("output"), QStringLiteral("file to convert into"), QStringLiteral("file")});
    parser.addOption({QStringLiteral("language"), QStringLiteral("language name"),
                      QStringLiteral("name"), QStringLiteral("english")});
    parser.process(application);
    const QString state = parser.positionalArguments().value(0);

    SettingsStore store(QStringLiteral("quenzel"));
    if (parser.isSet(QStringLiteral("output"))) {
        store.writeText(QStringLiteral("Settings"), QStringLiteral("OutputName"),
                        parser.value(QStringLiteral("output")));
    }
    QtUserDialogs dialogs(QStringLiteral("Quenzel"));
    CLanguage language(store, dialogs);
    language.Init(CLanguage::FindBaseFolder(), parser.value(QStringLiteral("language")));
    int32_t dragFlag = 0;
    CReelcraftDlg window({store, dialogs, language, dragFlag});
    dialogs.setMainWindow(&window);
    // Low enough that the player window, which opens above it, leaves it in view.
    window.move(420, 780);
    window.show();

    if (state == QLatin1String("idle")) {
        printWhenDrawn([&] { return QStringLiteral("0x%1").arg(window.winId(), 0, 16); });
    } else if (state == QLatin1String("open") || state == QLatin1String("converting")) {
        if (!window.openFile(parser.value(QStringLiteral("clip")))) {
            return 1;
        }
        window.runCommand(main_window_control::kPlay);
        QTimer::singleShot(1000, [&] { window.runCommand(main_window_control::kPause); });
        if (state == QLatin1String("open")) {
            // The player window just above the main window, so the picture shows both closely.
            QTimer::singleShot(kSettleMs / 2, [&] {
                if (VideoWindow* player = window.playerPanel().player()->videoWindow()) {
                    player->move(window.x(), window.y() - player->frameGeometry().height() - 8);
                }
            });
            printWhenDrawn([&] {
                QRect both = window.frameGeometry();
                if (VideoWindow* player = window.playerPanel().player()->videoWindow()) {
                    both = both.united(player->frameGeometry());
                }
                return QStringLiteral("root %1x%2+%3+%4")
                    .arg(both.width())
                    .arg(both.height())
                    .arg(both.x())
                    .arg(both.y());
            });
        } else {
            QTimer::singleShot(1200, [&] {
                window.runCommand(main_window_control::kConvert);
                printWhenDrawn([&] { return QStringLiteral("0x%1").arg(window.winId(), 0, 16); });
            });
        }
    } else {
        parser.showHelp(2);
    }

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &application, [&] {
        if (window.converter().isConverting()) {
            window.converter().press();
        }
        QApplication::quit();
    });
    QTimer::singleShot(kLongestShowMs, &application, &QApplication::quit);
    return application.exec();
}
