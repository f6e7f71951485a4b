#include "tests/player/PlayerClips.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <functional>

#include "tests/common/TestMedia.h"

namespace {

bool ffmpeg(const QStringList& arguments) {
    QProcess process;
    process.start("ffmpeg", QStringList{"-v", "error", "-y"} + arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0) {
        ADD_FAILURE() << "ffmpeg failed: " << process.readAllStandardError().toStdString();
        return false;
    }
    return true;
}

// Luma 20 + 20 × digit in each third of the picture.
QString numberedPictures(int seconds) {
    return QString(
               "color=c=black:s=96x64:r=10:d=%1,format=yuv420p,"
               "geq=lum='if(lt(X,32),20+20*trunc(N/100),"
               "if(lt(X,64),20+20*mod(trunc(N/10),10),20+20*mod(N,10)))':cb=128:cr=128")
        .arg(seconds);
}

QString makeNumbered(const QString& name, int seconds) {
    const QString path = testMediaFolder() + '/' + name;
    const bool made = ffmpeg(
        {"-f",   "lavfi",   "-i",        numberedPictures(seconds),
         "-f",   "lavfi",   "-i",        QString("sine=frequency=440:duration=%1").arg(seconds),
         "-c:v", "libx264", "-g",        "20",
         "-crf", "10",      "-pix_fmt",  "yuv420p",
         "-c:a", "aac",     "-shortest", path});
    return made ? path : QString();
}

}  // namespace

QString numberedClip() {
    static const QString path = makeNumbered("numbered.mp4", 90);
    return path;
}

QString shortNumberedClip() {
    static const QString path = makeNumbered("numbered-short.mp4", 1);
    return path;
}

QString cutOffClip() {
    static const QString path = [] {
        const QString whole = makeNumbered("numbered-10s.mkv", 10);
        return whole.isEmpty() ? QString()
                               : makeTruncatedCopy(whole, testMediaFolder(), "cut-off.mkv",
                                                   QFile(whole).size() / 2);
    }();
    return path;
}

QString rotatedClip() {
    static const QString path = [] {
        const QString folder = testMediaFolder();
        const QString stored = folder + "/landscape.mp4";
        const QString phone = folder + "/phone.mp4";
        const bool made =
            ffmpeg({"-f", "lavfi", "-i", "testsrc=s=160x90:r=10:d=2", "-c:v", "libx264", "-pix_fmt",
                    "yuv420p", stored}) &&
            ffmpeg({"-i", stored, "-c", "copy", "-metadata:s:v:0", "rotate=90", phone});
        return made ? phone : QString();
    }();
    return path;
}

int frameNumberShown(const QImage& picture) {
    if (picture.isNull()) {
        return -1;
    }
    int number = 0;
    for (int column = 0; column < 3; ++column) {
        const QPoint centre(picture.width() * (2 * column + 1) / 6, picture.height() / 2);
        // Shown with full-range colours: luma 20 + 20d becomes (4 + 20d) × 255 / 219.
        const double luma = qGray(picture.pixel(centre)) * 219.0 / 255.0 + 16.0;
        const double digit = (luma - 20.0) / 20.0;
        if (digit < -0.3 || digit > 9.3 || std::abs(digit - std::round(digit)) > 0.3) {
            return -1;
        }
        number = number * 10 + static_cast<int>(std::round(digit));
    }
    return number;
}

bool waitFor(const std::function<bool()>& done, int boundMs) {
    QDeadlineTimer bound(boundMs);
    while (!done()) {
        if (bound.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}
