#include "base/InstalledData.h"

#include <QCoreApplication>
#include <QDir>

QString installedDataFolder() {
    return installedDataFolderOf(QCoreApplication::applicationDirPath());
}

QString installedDataFolderOf(const QString& programFolder) {
    return QDir::cleanPath(programFolder + QLatin1Char('/') +
                           QStringLiteral(QUENZEL_DATA_DIR_FROM_BIN));
}
