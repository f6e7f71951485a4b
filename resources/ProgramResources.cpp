#include "resources/ProgramResources.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <array>

#include "base/InstalledData.h"

namespace {

struct IconEntry {
    int id;
    const char* name;  // icons/<name>.png
};

constexpr std::array kIcons = {
    IconEntry{resource_id::kProgramIcon, "convert"},
    IconEntry{resource_id::kOpenVideoIcon, "open-video"},
    IconEntry{resource_id::kOptionsIcon, "options"},
    IconEntry{resource_id::kHelpIcon, "help"},
    IconEntry{resource_id::kAboutIcon, "about"},
    IconEntry{resource_id::kHomepageIcon, "homepage"},
    IconEntry{resource_id::kExitIcon, "exit"},
};

constexpr std::array kProgramIconSizes = {16, 24, 32, 48, 64, 128, 256};

const char* iconName(int id) {
    for (const IconEntry& entry : kIcons) {
        if (entry.id == id) {
            return entry.name;
        }
    }
    return nullptr;
}

}  // namespace

QString resourceIconPath(int id) {
    const char* name = iconName(id);
    return name ? QStringLiteral(":/icons/%1.png").arg(QLatin1String(name)) : QString();
}

QIcon resourceIcon(int id) {
    if (id == resource_id::kProgramIcon) {
        QIcon icon;
        for (int size : kProgramIconSizes) {
            icon.addFile(QStringLiteral(":/icons/quenzel-%1.png").arg(size), QSize(size, size));
        }
        return icon;
    }
    const QString path = resourceIconPath(id);
    return path.isEmpty() ? QIcon() : QIcon(path);
}

QString resourceBitmapPath(int id) {
    return id == resource_id::kBackgroundTile ? QStringLiteral(":/images/background-tile.png")
                                              : QString();
}

QPixmap resourceBitmap(int id) {
    const QString path = resourceBitmapPath(id);
    return path.isEmpty() ? QPixmap() : QPixmap(path);
}

QString resourceSoundPath(int id) {
    return id == resource_id::kHoverSound ? QStringLiteral(":/sounds/hover.wav") : QString();
}

QCursor resourceCursor(int id) {
    return QCursor(id == resource_id::kHandCursor ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

QString findHelpFile(const QString& programFolder, const QString& installedDataFolder) {
    for (const QString& folder : {programFolder, installedDataFolder}) {
        const QString page = folder + QStringLiteral("/help/Introduction.htm");
        if (!folder.isEmpty() && QFileInfo(page).isFile()) {
            return page;
        }
    }
    return {};
}

QString findHelpFile() {
    return findHelpFile(QCoreApplication::applicationDirPath(), installedDataFolder());
}
