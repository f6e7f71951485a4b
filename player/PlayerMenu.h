#pragma once

#include <QMenu>

#include "player/PlayerRules.h"

// Command identifiers of the player's right-click menu.
namespace player_command {
inline constexpr int kFullScreen = 32771;
inline constexpr int kNormalSize = 32772;
inline constexpr int kPlay = 32773;
inline constexpr int kPause = 32774;
inline constexpr int kStop = 32775;
inline constexpr int kClose = 32776;
}  // namespace player_command

// The "PREVIEW" menu: Full screen, Normal size | Play, Pause, Stop | Close. Each action carries its
// command identifier (base/ControlId.h).
QMenu* makePlayerMenu(QWidget* parent);

// Checks and grays the items for the player's present state.
void applyPlayerMenuState(QMenu* menu, const PlayerMenuState& state);

// The menu's action for a command; nullptr when there is none.
QAction* playerMenuAction(const QMenu* menu, int commandId);
