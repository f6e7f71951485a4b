#include "base/SettingsStore.h"

#include <QSettings>
#include <limits>

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
    // The INI reader turns an unquoted text with commas into a list; give it back whole.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QStringLiteral(", "));
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
