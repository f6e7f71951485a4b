#pragma once

#include <QString>
#include <cstdint>

// The application: prepares the settings and the language, runs the main window until it
// closes, and ends. One object for the whole process.
class CReelcraftApp {
  public:
    // The settings are kept under this name (the program file's).
    static constexpr const char* kSettingsName = "quenzel";

    // Runs the program; `file`, when not empty, is opened once the window is up, as Open Video
    // would. Returns the process's exit status.
    int InitInstance(const QString& file = {});

    // 1 while the left mouse button holds the main window's position slider.
    int32_t dragFlag = 0;
};
