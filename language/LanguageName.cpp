#include "language/LanguageName.h"

FileEncoding encodingOfLanguageName(const QString& languageName) {
    const QString lower = languageName.toLower();
    if (lower.contains(QLatin1String("_utf-8"))) {
        return FileEncoding::Utf8;
    }
    if (lower.contains(QLatin1String("_unicode"))) {
        return FileEncoding::Utf16;
    }
    return FileEncoding::Ansi;
}

QString localeNameOf(const QString& languageName, FileEncoding encoding) {
    QString lower = languageName.toLower();
    switch (encoding) {
        case FileEncoding::Utf8:
            lower.chop(int(QLatin1String("_utf-8").size()));
            break;
        case FileEncoding::Utf16:
            lower.chop(int(QLatin1String("_unicode").size()));
            break;
        case FileEncoding::Ansi:
            break;
    }
    return lower;
}
