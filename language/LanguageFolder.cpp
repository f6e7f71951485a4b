#include "language/LanguageFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

const QLatin1String kLanguageFolderName("language");
const QLatin1String kIniSuffix(".ini");

bool canOpen(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        return false;
    }
    QFile file(path);
    return file.open(QIODevice::ReadOnly);
}

bool holdsLanguageFolder(const QString& folder) {
    return !folder.isEmpty() && QFileInfo(languageFolderOf(folder)).isDir();
}

}  // namespace

QString findBaseFolder(const QString& programFolder, const QString& installedDataFolder) {
    const QString program = QDir::cleanPath(programFolder);
    const QString parent = QFileInfo(program).path();
    if (canOpen(languageFolderOf(parent) + QLatin1String("/English.ini"))) {
        return parent;
    }
    if (!holdsLanguageFolder(program) && holdsLanguageFolder(installedDataFolder)) {
        return QDir::cleanPath(installedDataFolder);
    }
    return program;
}

QString languageFolderOf(const QString& baseFolder) {
    return baseFolder + QLatin1Char('/') + kLanguageFolderName;
}

QList<LanguageEntry> findLanguageFiles(const QString& baseFolder) {
    const QDir folder(languageFolderOf(baseFolder));
    const QFileInfoList files = folder.entryInfoList({QStringLiteral("*.ini")}, QDir::Files);
    QList<LanguageEntry> entries;
    for (const QFileInfo& file : files) {
        const QString fileName = file.fileName();
        if (!fileName.endsWith(kIniSuffix, Qt::CaseInsensitive) ||
            fileName.size() <= kIniSuffix.size()) {
            continue;
        }
        entries.append({fileName.chopped(kIniSuffix.size()), fileName});
    }
    std::sort(entries.begin(), entries.end(), [](const LanguageEntry& a, const LanguageEntry& b) {
        return a.name.toUtf8() < b.name.toUtf8();
    });
    return entries;
}
