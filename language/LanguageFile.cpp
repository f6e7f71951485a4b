#include "language/LanguageFile.h"

#include <QFile>
#include <QFileInfo>

LanguageFileContent readLanguageFile(const QString& path, FileEncoding encoding) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return {LanguageFileState::Missing, {}};
    }
    // Only regular files: opening a pipe or a device would block or never end.
    if (!info.isFile()) {
        return {LanguageFileState::Unreadable, {}};
    }
    if (info.size() > kMaxLanguageFileBytes) {
        return {LanguageFileState::TooLarge, {}};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {LanguageFileState::Unreadable, {}};
    }
    // Bounded read: the file may have grown since its size was taken.
    const QByteArray bytes = file.read(kMaxLanguageFileBytes + 1);
    if (bytes.size() > kMaxLanguageFileBytes) {
        return {LanguageFileState::TooLarge, {}};
    }
    return {LanguageFileState::Read,
            parseLanguageFile(std::string_view(bytes.constData(), size_t(bytes.size())), encoding)};
}
