#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <ostream>

#include "base/SettingsStore.h"
#include "language/Language.h"
#include "tests/common/ScriptedDialogs.h"
#include "tests/common/TempConfig.h"

// A base folder in a temporary directory whose "language" folder tests fill with their own files.
class LanguageFiles {
  public:
    LanguageFiles() { QDir(dir_.path()).mkpath(QStringLiteral("language")); }

    QString baseFolder() const { return dir_.path(); }
    QString languageFolder() const { return dir_.path() + QStringLiteral("/language"); }

    void write(const QString& fileName, const QByteArray& bytes) const {
        QFile file(languageFolder() + '/' + fileName);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(bytes);
        }
    }
    // A language file "<language>.ini" written as UTF-8.
    void writeLanguage(const QString& language, const QString& text) const {
        write(language + QStringLiteral(".ini"), text.toUtf8());
    }

  private:
    QTemporaryDir dir_;
};

// Failing comparisons show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// A language object of the program's kind, with an empty configuration, answered dialogs and a
// base folder of its own.
class LanguageTestBase : public ::testing::Test {
  protected:
    static inline const QString kApplication = QStringLiteral("quenzel-language-test");

    TempConfig config;
    SettingsStore settings{kApplication};
    ScriptedDialogs dialogs;
    LanguageFiles files;
    CLanguage language{settings, dialogs};
};
