#pragma once

#include <QString>

#include "base/UserDialogs.h"

// "output.avi" in the user's Videos folder; in the home folder when there is no Videos folder.
// When the system cannot name a Videos folder at all, the user is told ("Can not get My Video
// directory!") before the home folder is taken.
QString defaultOutputName(UserDialogs& dialogs);
