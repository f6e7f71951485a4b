#pragma once

// Where the player is with its clip. The values are fixed: the main window stores and compares
// them.
enum class PlayState { Stopped = 0, Paused = 1, Running = 2, Init = 3 };
