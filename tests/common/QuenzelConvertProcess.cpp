#include "tests/common/QuenzelConvertProcess.h"

#include <QProcess>
#include <QProcessEnvironment>

CommandResult runQuenzelConvert(const QStringList& arguments, const QString& configFolder,
                                int timeoutMs, const std::function<bool()>& stopWhen) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", configFolder);
    process.setProcessEnvironment(environment);
    process.start(qEnvironmentVariable("QUENZEL_BIN_DIR") + "/quenzel-convert", arguments);
    CommandResult result;
    if (stopWhen) {
        while (!result.finished && !stopWhen()) {
            result.finished = process.waitForFinished(50);
        }
        if (!result.finished) {
            process.terminate();
        }
    }
    if (!result.finished) {
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
