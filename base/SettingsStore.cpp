#include "base/SettingsStore.h"

#include <QFile>
#include <QSettings>
#include <limits>
#include <optional>

namespace {

QSettings openSettings(const QString& application) {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, SettingsStore::kMaker,
                     application);
}

// The stored spelling of a name that matches ignoring case, else the name as given: section and
// value names are not case-sensitive, as in the per-user store the settings come from.
QString storedSpelling(const QStringList& stored, const QString& name) {
    for (const QString& candidate : stored) {
        if (candidate.compare(name, Qt::CaseInsensitive) == 0) {
            return candidate;
        }
    }
    return name;
}

// The text of a key as it stands in an INI file, quotes removed: what the user wrote there.
std::optional<QString> rawIniValue(const QString& fileName, const QString& section,
                                   const QString& key) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return std::nullopt;
    }
    QString group;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            group = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0 || group != section || line.left(equals).trimmed() != key) {
            continue;
        }
        QString value = line.mid(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) &&
            value.endsWith(QLatin1Char('"'))) {
            value = value.mid(1, value.size() - 2);
        }
        return value;
    }
    return std::nullopt;
}

QString keyOf(QSettings& settings, const QString& section, const QString& name) {
    const QString group = storedSpelling(settings.childGroups(), section);
    settings.beginGroup(group);
    const QString key = storedSpelling(settings.childKeys(), name);
    settings.endGroup();
    return group + '/' + key;
}

}  // namespace

SettingsStore::SettingsStore(QString application, Access access)
    : application_(std::move(application)), access_(access) {}

int32_t SettingsStore::readInt(const QString& section, const QString& name,
                               int32_t defaultValue) const {
    QSettings settings = openSettings(application_);
    const QVariant value = settings.value(keyOf(settings, section, name));
    if (!value.isValid()) {
        return defaultValue;
    }
    bool ok = false;
    const qlonglong number = value.toString().trimmed().toLongLong(&ok);
    if (!ok || number < std::numeric_limits<int32_t>::min() ||
        number > std::numeric_limits<uint32_t>::max()) {
        return defaultValue;
    }
    // A 32-bit registry number written unsigned reads back as the same bits.
    return static_cast<int32_t>(static_cast<uint32_t>(number));
}

QString SettingsStore::readText(const QString& section, const QString& name,
                                const QString& defaultValue) const {
    QSettings settings = openSettings(application_);
    const QVariant value = settings.value(keyOf(settings, section, name));
    if (!value.isValid()) {
        return defaultValue;
    }
    // The INI reader turns an unquoted text with commas into a list; give it back as written.
    if (value.typeId() == QMetaType::QStringList) {
        const QString key = keyOf(settings, section, name);
        return rawIniValue(settings.fileName(), key.section(QLatin1Char('/'), 0, 0),
                           key.section(QLatin1Char('/'), 1))
            .value_or(value.toStringList().join(QStringLiteral(", ")));
    }
    if (!value.canConvert<QString>()) {
        return defaultValue;
    }
    return value.toString();
}

void SettingsStore::writeInt(const QString& section, const QString& name, int32_t value) {
    if (access_ == Access::ReadOnly) {
        return;
    }
    QSettings settings = openSettings(application_);
    settings.setValue(keyOf(settings, section, name), value);
}

void SettingsStore::writeText(const QString& section, const QString& name, const QString& value) {
    if (access_ == Access::ReadOnly) {
        return;
    }
    QSettings settings = openSettings(application_);
    settings.setValue(keyOf(settings, section, name), value);
}
