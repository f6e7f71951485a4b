// Measures the player on one file: time from OpenClip to the first picture on screen, the time of
// accurate seeks to random positions until the new picture is on screen (stopped and while
// playing), and the memory and picture rate over a stretch of playing.
//
//   quenzel-player-bench FILE [SECONDS_OF_PLAYING]

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QScreen>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

#include "base/UserDialogs.h"
#include "media/MediaFramework.h"
#include "player/VcdCore.h"
#include "player/VideoWindow.h"

namespace {

constexpr int64_t kSecond = 10'000'000;

class PrintedDialogs : public UserDialogs {
  public:
    MessageAnswer showMessage(const MessageRequest& request) override {
        std::fprintf(stderr, "message: %s (%s)\n", qPrintable(request.text),
                     qPrintable(request.details));
        return request.defaultAnswer();
    }
    std::optional<QString> chooseFileToOpen(const FileDialogRequest&) override { return {}; }
    std::optional<QString> chooseFileToSave(const FileDialogRequest&) override { return {}; }
    std::optional<QFont> chooseFont(const QFont&) override { return {}; }
    bool openWebPage(const QUrl&) override { return false; }
    void dismissMessage() override {}
};

bool runUntil(const std::function<bool()>& done, int boundMs) {
    QDeadlineTimer bound(boundMs);
    while (!done()) {
        if (bound.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return true;
}

void runFor(int ms) {
    runUntil([] { return false; }, ms);
}

long residentKilobytes() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').front().toLong();
        }
    }
    return -1;
}

struct Figures {
    double median = 0;
    double worst = 0;
    int missed = 0;
};

Figures summary(std::vector<double> times, int missed) {
    Figures figures;
    figures.missed = missed;
    if (times.empty()) {
        return figures;
    }
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    figures.median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    figures.worst = times.back();
    return figures;
}

// Seeks to random positions and times each until the picture at that position has been painted.
Figures timeSeeks(CVcdCore& player, std::mt19937& random, int count, bool playing) {
    VideoWindow* window = player.videoWindow();
    const int64_t frame = kSecond / 30;
    std::uniform_int_distribution<int64_t> anywhere(0, player.stopPosition() - 2 * kSecond);
    std::vector<double> times;
    int missed = 0;
    for (int i = 0; i < count; ++i) {
        const int64_t target = anywhere(random);
        const quint64 before = window->frame().serial;
        QElapsedTimer clock;
        clock.start();
        player.SeekClip(target);
        const bool shown = runUntil(
            [&] {
                const VideoFrame& shownFrame = window->frame();
                if (shownFrame.serial == before || window->paintedSerial() != shownFrame.serial) {
                    return false;
                }
                const int64_t early = target - shownFrame.position;
                return playing ? early < frame && early > -kSecond / 2
                               : early >= 0 && early < frame;
            },
            5000);
        if (shown) {
            times.push_back(clock.nsecsElapsed() / 1e6);
            std::fprintf(stderr, "%.0f ", times.back());
        } else {
            ++missed;
        }
        runFor(playing ? 300 : 50);
    }
    return summary(times, missed);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [SECONDS_OF_PLAYING]\n", argv[0]);
        return 2;
    }
    const int playSeconds = argc > 2 ? std::atoi(argv[2]) : 120;
    QString error;
    if (failed(initMediaFramework(&error))) {
        std::fprintf(stderr, "GStreamer could not start: %s\n", qPrintable(error));
        return 1;
    }
    PrintedDialogs dialogs;
    QWidget mainWindow;
    mainWindow.setGeometry(200, 900, 600, 150);
    mainWindow.show();
    CVcdCore player(&mainWindow, dialogs);
    player.clipPath = QString::fromLocal8Bit(argv[1]);

    // The first opening in a process also loads GStreamer's plugins; in the program, Open Video's
    // probe of the file has done that before the player opens it.
    double firstPicture[2] = {};
    double opened[2] = {};
    VideoWindow* window = nullptr;
    for (int round = 0; round < 2; ++round) {
        if (round > 0) {
            runFor(300);
            player.CloseClip();
            player.clipPath = QString::fromLocal8Bit(argv[1]);
        }
        QElapsedTimer clock;
        clock.start();
        if (!player.OpenClip()) {
            return 1;
        }
        opened[round] = clock.nsecsElapsed() / 1e6;
        window = player.videoWindow();
        if (!window || !runUntil([&] { return window->paintedSerial() > 0; }, 10000)) {
            std::fprintf(stderr, "no picture was shown\n");
            return 1;
        }
        firstPicture[round] = clock.nsecsElapsed() / 1e6;
    }
    runFor(500);  // the window settles at its size
    std::printf("platform %s, screen %dx%d, picture shown at %dx%d\n",
                qPrintable(QGuiApplication::platformName()), window->screen()->size().width(),
                window->screen()->size().height(), window->pictureRect().width(),
                window->pictureRect().height());
    std::printf(
        "first picture after OpenClip: %.0f ms; with the plugins already loaded %.0f ms (target "
        "under 300; OpenClip itself returned after %.0f and %.0f ms)\n",
        firstPicture[0], firstPicture[1], opened[0], opened[1]);

    std::mt19937 random(2024);
    const Figures stopped = timeSeeks(player, random, 20, false);
    std::printf("20 accurate seeks, stopped: median %.0f ms, worst %.0f ms%s (targets 150, 400)\n",
                stopped.median, stopped.worst,
                stopped.missed ? qPrintable(QString(", %1 never shown").arg(stopped.missed)) : "");
    player.PlayClip();
    runFor(1000);
    const Figures playing = timeSeeks(player, random, 20, true);
    std::printf("20 accurate seeks, playing: median %.0f ms, worst %.0f ms%s\n", playing.median,
                playing.worst,
                playing.missed ? qPrintable(QString(", %1 never shown").arg(playing.missed)) : "");

    // Playing from the start: memory, pictures shown, and the clip's time against the wall's.
    player.SeekClip(0);
    runFor(1000);
    int painted = 0;
    QObject::connect(window, &VideoWindow::framePainted, [&] { ++painted; });
    const int64_t startPosition = window->frame().position;
    QElapsedTimer wall;
    wall.start();
    long firstKb = 0;
    long peakKb = 0;
    long lastKb = 0;
    for (int second = 10; second <= playSeconds; second += 10) {
        runFor(10000);
        lastKb = residentKilobytes();
        if (second == 10) {
            firstKb = lastKb;
        }
        peakKb = std::max(peakKb, lastKb);
    }
    const double wallSeconds = wall.nsecsElapsed() / 1e9;
    const double clipSeconds = double(window->frame().position - startPosition) / kSecond;
    std::printf(
        "playing %.0f s: %.1f pictures/s painted, clip advanced %.2f s; memory after 10 s %ld MB, "
        "at the end %ld MB, peak %ld MB\n",
        wallSeconds, painted / wallSeconds, clipSeconds, firstKb / 1024, lastKb / 1024,
        peakKb / 1024);
    player.CloseClip();
    return 0;
}
