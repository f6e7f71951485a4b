#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <cstring>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "app/ReelcraftApp.h"

namespace {

constexpr const char* kUsage =
    "Usage: quenzel [FILE]\n"
    "Quenzel converts a video into AVI, WMV, MKV, MP4, WebM or ASF, trimmed to the part you mark.\n"
    "\n"
    "  FILE        a video to open at start, as Open Video would\n"
    "  --help      print this text and exit\n"
    "  --version   print the version and exit\n"
    "\n"
    "Converting from the command line: quenzel-convert --help\n";

// Pictures of 720p and more get pages of their own, which go back to the system when the clip
// is closed. Left to itself the allocator raises this bound after the first large free, and the
// pictures of every clip opened after that stay in its heaps.
constexpr int kOwnPagesFromBytes = 1024 * 1024;

}  // namespace

int main(int argc, char** argv) {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, kOwnPagesFromBytes);
#endif
    // Answered before any window system is touched, so they work without a display.
    QString file;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("quenzel %s\n", QUENZEL_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--") == 0) {
            if (i + 1 < argc) {
                file = QString::fromLocal8Bit(argv[i + 1]);
            }
            break;
        }
        if (argv[i][0] == '-' && argv[i][1] != '\0') {
            // Qt's own options (-platform, -style, ...) are left to QApplication.
            continue;
        }
        if (file.isEmpty()) {
            file = QString::fromLocal8Bit(argv[i]);
        }
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quenzel"));
    QApplication::setApplicationVersion(QStringLiteral(QUENZEL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.harrowfield.Quenzel"));
    if (!file.isEmpty()) {
        file = QFileInfo(file).absoluteFilePath();
    }
    CReelcraftApp app;
    return app.InitInstance(file);
}
