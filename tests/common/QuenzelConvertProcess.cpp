#include "tests/common/QuenzelConvertProcess.h"

#include <QProcess>
#include <QProcessEnvironment>

CommandResult runQuenzelConvert(const QStringList& arguments, const QString& configFolder,
                                int timeoutMs, int stopAfterMs) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", configFolder);
    process.setProcessEnvironment(environment);
    process.start(qEnvironmentVariable("QUENZEL_BIN_DIR") + "/quenzel-convert", arguments);
    CommandResult result;
    result.finished = stopAfterMs > 0 && process.waitForFinished(stopAfterMs);
    if (!result.finished) {
        if (stopAfterMs > 0) {
            process.terminate();
        }
        result.finished = process.waitForFinished(timeoutMs);
    }
    if (!result.finished) {
        process.kill();
        process.waitForFinished();
    }
    result.crashed = result.finished && process.exitStatus() == QProcess::CrashExit;
    result.exitCode = result.finished && !result.crashed ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}
