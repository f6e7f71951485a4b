#pragma once

#include <QList>
#include <QString>

// A language file found in the language folder.
struct LanguageEntry {
    QString name;      // the file name without its last four characters (".ini")
    QString fileName;  // as found on disk
};

// The folder that holds the "language" folder:
// - the parent of the program folder when it holds language/English.ini (a build or unpacked
//   tree with the programs one level down);
// - else the program folder when it holds a "language" folder;
// - else the installed data folder when that holds one (the program installed under a prefix);
// - else the program folder.
QString findBaseFolder(const QString& programFolder, const QString& installedDataFolder);

// The language folder of a base folder.
QString languageFolderOf(const QString& baseFolder);

// Every regular file in the language folder whose name ends in ".ini" (in any case), sorted by
// the bytes of the language name, case-sensitive: "English" comes before "french".
QList<LanguageEntry> findLanguageFiles(const QString& baseFolder);
