#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>

#include "media/MediaFramework.h"

// Every test program runs inside a Qt application (offscreen) with GStreamer started, and never
// sees the user's own configuration.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QStandardPaths::setTestModeEnabled(true);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    QString error;
    if (failed(initMediaFramework(&error))) {
        fprintf(stderr, "GStreamer could not start: %s\n", qPrintable(error));
        return 1;
    }
    return RUN_ALL_TESTS();
}
