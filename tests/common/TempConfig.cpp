#include "tests/common/TempConfig.h"

#include <QSettings>

#include "base/SettingsStore.h"

TempConfig::TempConfig() {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
}

namespace {

// Where settings go between tests: never the user's folder, never a deleted one.
QString fallbackFolder() {
    static QTemporaryDir folder;
    return folder.path();
}

}  // namespace

TempConfig::~TempConfig() {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, fallbackFolder());
}

QString TempConfig::iniFile(const QString& application) const {
    return dir_.path() + '/' + SettingsStore::kMaker + '/' + application + ".ini";
}
