#pragma once

#include <QString>

// The folder the program's shared data (language files, help) is installed in, found from
// where the running program is: <prefix>/bin/quenzel reads <prefix>/share/quenzel, whatever
// the prefix (/usr for the Debian package, /usr/local or a folder of one's own otherwise).
QString installedDataFolder();

// The same from a given program folder.
QString installedDataFolderOf(const QString& programFolder);
