#include "language/RuntimeLocale.h"

#include <QLocale>
#include <clocale>

QString posixLocaleFor(const LocaleIdentity& identity) {
    const QLocale locale(identity.tag);
    if (locale.language() == QLocale::C) {
        return {};
    }
    return locale.name() + QLatin1String(".UTF-8");
}

QString applyRuntimeLocale(const std::optional<LocaleIdentity>& identity) {
    QString applied;
    if (!identity) {
        if (const char* result = std::setlocale(LC_ALL, "")) {
            applied = QString::fromLocal8Bit(result);
        }
    } else if (const QString name = posixLocaleFor(*identity); !name.isEmpty()) {
        if (std::setlocale(LC_ALL, name.toLocal8Bit().constData()) != nullptr) {
            applied = name;
        }
    }
    std::setlocale(LC_NUMERIC, "C");
    return applied;
}
