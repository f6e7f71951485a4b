#include "tests/common/TempConfig.h"

#include <QSettings>

#include "app/SettingsStore.h"

TempConfig::TempConfig() {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
}

TempConfig::~TempConfig() {
    // Leave no path to a deleted folder behind for the next test.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString());
}

QString TempConfig::iniFile(const QString& application) const {
    return dir_.path() + '/' + SettingsStore::kMaker + '/' + application + ".ini";
}
