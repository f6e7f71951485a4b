#pragma once

#include <array>

// The main window's controls by identifier (dialog template 102).
namespace main_window_control {
inline constexpr int kOpenVideo = 1006;
inline constexpr int kOptions = 1003;
inline constexpr int kConvert = 1000;
inline constexpr int kHelp = 1084;
inline constexpr int kAbout = 1042;
inline constexpr int kPosition = 1057;
inline constexpr int kSlider = 1055;
inline constexpr int kPlay = 1058;
inline constexpr int kPause = 1060;
inline constexpr int kStop = 1061;
inline constexpr int kStartTime = 1062;
inline constexpr int kStartTimeText = 1065;
inline constexpr int kEndTime = 1063;
inline constexpr int kEndTimeText = 1064;
inline constexpr int kHomepage = 1047;
inline constexpr int kExit = 1076;
inline constexpr int kStatusLine = 1021;
}  // namespace main_window_control

// Commands that reach the main window other than through its buttons.
namespace main_window_command {
inline constexpr int kSystemAbout = 16;
inline constexpr int kClosePlayer = 1056;
inline constexpr int kHelp = 57670;
}  // namespace main_window_command

// What the window is doing decides which of its controls can be used.
enum class MainWindowState { NoSource, SourceOpen, Converting };

// Every control whose enabled state depends on the window's state.
inline constexpr std::array kStatefulControls = {
    main_window_control::kOpenVideo,     main_window_control::kOptions,
    main_window_control::kConvert,       main_window_control::kHelp,
    main_window_control::kAbout,         main_window_control::kSlider,
    main_window_control::kPlay,          main_window_control::kPause,
    main_window_control::kStop,          main_window_control::kStartTime,
    main_window_control::kStartTimeText, main_window_control::kEndTime,
    main_window_control::kEndTimeText,   main_window_control::kHomepage,
    main_window_control::kExit,
};

// Whether a control is enabled in a state; controls outside kStatefulControls always are.
bool isControlEnabled(MainWindowState state, int controlId);
