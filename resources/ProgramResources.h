#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>
#include <QString>

// The program's own pictures and sounds, by the numbers its windows know them by. They are
// compiled into the program (":/icons/...", ":/images/...", ":/sounds/...").
namespace resource_id {
inline constexpr int kProgramIcon = 128;  // also the Convert button's icon
inline constexpr int kBackgroundTile = 139;
inline constexpr int kOpenVideoIcon = 140;
inline constexpr int kHandCursor = 141;
inline constexpr int kHoverSound = 144;
inline constexpr int kOptionsIcon = 146;
inline constexpr int kHelpIcon = 148;
inline constexpr int kAboutIcon = 156;
inline constexpr int kHomepageIcon = 158;
inline constexpr int kExitIcon = 159;
}  // namespace resource_id

// The resource path of an icon at its button size, 32 pixels (an "@2x" twin of 64 pixels
// beside it serves dense screens); empty for a number that is no icon.
QString resourceIconPath(int id);

// The icon in every size there is: 16 to 256 pixels for the program icon, 32 and 64 for the
// others. A null icon for a number that is no icon.
QIcon resourceIcon(int id);

// The background tile 139; empty path or a null pixmap for any other number.
QString resourceBitmapPath(int id);
QPixmap resourceBitmap(int id);

// The WAV file of sound 144; empty for any other number.
QString resourceSoundPath(int id);

// Cursor 141 is the desktop's own pointing hand, so that it matches the user's cursor theme;
// any other number gives the arrow.
QCursor resourceCursor(int id);

// The manual's first page: help/Introduction.htm beside the program (a build tree) or in the
// installed data folder. Empty when neither has it.
QString findHelpFile(const QString& programFolder, const QString& installedDataFolder);
// The same for the running program.
QString findHelpFile();
