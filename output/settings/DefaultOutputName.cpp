#include "output/settings/DefaultOutputName.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString defaultOutputName(UserDialogs& dialogs) {
    const QString fileName = QStringLiteral("/output.avi");
    const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (videos.isEmpty()) {
        dialogs.showMessage({QStringLiteral("Can not get My Video directory!"),
                             QStringLiteral("Error"), MessageButtons::Ok, MessageIcon::Error,
                             false});
    } else if (QFileInfo(videos).isDir()) {
        return videos + fileName;
    }
    // Writing into a folder that does not exist would only fail later.
    return QDir::homePath() + fileName;
}
