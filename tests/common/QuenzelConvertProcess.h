#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// What a run of the built quenzel-convert gave.
struct CommandResult {
    int exitCode = -1;     // -1 when it crashed or did not finish
    bool crashed = false;  // ended by a signal (a crash, an abort of the sanitizers)
    bool finished = false;
    QString out;
    QString err;
};

// Runs the built quenzel-convert (from QUENZEL_BIN_DIR) with its configuration in
// `configFolder`; a run that takes longer than `timeoutMs` is killed. With `stopWhen`, it is
// asked to stop (SIGTERM, as Ctrl+C) once that returns true (asked every 50 ms).
CommandResult runQuenzelConvert(const QStringList& arguments, const QString& configFolder,
                                int timeoutMs = 120000, const std::function<bool()>& stopWhen = {});
