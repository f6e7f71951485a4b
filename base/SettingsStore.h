#pragma once

#include <QString>
#include <cstdint>

// The per-user settings of Quenzel: an INI file in the user's configuration folder, under the
// maker "Harrowfield" and the program's name. Every read has a default and never fails; a missing
// or unreadable value yields that default. Values are read when needed and never cached here.
class SettingsStore {
  public:
    static constexpr const char* kMaker = "Harrowfield";

    enum class Access { ReadWrite, ReadOnly };

    // application: the program file's name without its extension, e.g. "quenzel". A read-only
    // store (the command line's) sees the stored values but never changes them.
    explicit SettingsStore(QString application, Access access = Access::ReadWrite);

    int32_t readInt(const QString& section, const QString& name, int32_t defaultValue) const;
    QString readText(const QString& section, const QString& name,
                     const QString& defaultValue) const;
    // Failed writes are ignored, as the program has nothing better to do with them.
    void writeInt(const QString& section, const QString& name, int32_t value);
    void writeText(const QString& section, const QString& name, const QString& value);

    const QString& application() const { return application_; }

  private:
    QString application_;
    Access access_;
};
