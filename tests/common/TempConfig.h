#pragma once

#include <QString>
#include <QTemporaryDir>

// Points the settings store at a fresh temporary folder for the lifetime of the object, so a test
// starts from an empty configuration and never touches the user's.
class TempConfig {
  public:
    TempConfig();
    ~TempConfig();
    TempConfig(const TempConfig&) = delete;
    TempConfig& operator=(const TempConfig&) = delete;

    QString path() const { return dir_.path(); }
    // The INI file the store writes for an application name.
    QString iniFile(const QString& application) const;

  private:
    QTemporaryDir dir_;
};
