#pragma once

#include <QRect>
#include <QSize>
#include <QString>

#include "player/PlayState.h"

// The player's rules that need no window: where the picture goes, what the title says, which
// menu items are checked or grayed. Kept apart so they are tested without a display.

// The picture's place inside an area (the window's inside, or the whole screen in full screen):
// as large as fits with its aspect ratio kept, centred. The computation takes ten times the
// picture's size and single-precision ratios, so every picture is scaled to fit and the results
// match to the pixel wherever this rule was used before. An empty picture fills the area.
QRect picturePlacement(QSize area, QSize picture);

// The window's size for "Normal size": the picture's size times multiplier / divider, made
// smaller (aspect kept) when it would not fit into the screen's available area. Empty when the
// divider is 0.
QSize scaledWindowSize(QSize picture, int multiplier, int divider, QSize available);

// Where the player window first appears: beside the work area's left edge, above the main window,
// four thirds as wide as it is high. Never smaller than 1 x 1.
QRect initialPlayerRect(QRect workArea, QRect mainWindowFrame);

// "<file name>  " or "<file name>  (Paused)": the file name is the part after the last '/'.
QString playerTitle(const QString& clipPath, PlayState state);

struct PlayerMenuState {
    bool fullScreenChecked = false;
    bool playEnabled = true;
    bool pauseEnabled = true;
    bool stopEnabled = true;
};

// What the right-click menu offers: Play only when something can start, Pause only while
// running, Stop unless stopped.
PlayerMenuState playerMenuState(PlayState state, bool fullScreen);
