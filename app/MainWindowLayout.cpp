#include "app/MainWindowLayout.h"

#include <array>

#include "app/MainWindowState.h"
#include "language/TextIds.h"
#include "resources/ProgramResources.h"

namespace {

using namespace main_window_control;
using control_style::kCenter;
using control_style::kVCenter;

constexpr std::array kControls = {
    ControlTemplate{0, ControlKind::GroupBox, "", 7, 0, 343, 39, 0, 0, "Commands"},
    ControlTemplate{kOpenVideo, ControlKind::Custom, "Open Video", 9, 5, 66, 32},
    ControlTemplate{kOptions, ControlKind::Custom, "Options", 77, 5, 66, 32},
    ControlTemplate{kConvert, ControlKind::Custom, "Convert", 145, 5, 66, 32},
    ControlTemplate{kHelp, ControlKind::Custom, "&Help", 213, 5, 66, 32},
    ControlTemplate{kAbout, ControlKind::Custom, "About", 281, 5, 66, 32},
    ControlTemplate{kPosition, ControlKind::SunkenText, "", 68, 43, 202, 14, kCenter},
    ControlTemplate{kSlider, ControlKind::Slider, "", 7, 63, 343, 17, 0, 0, "Position slider"},
    ControlTemplate{kPlay, ControlKind::PushButton, "Play", 14, 87, 66, 14},
    ControlTemplate{kPause, ControlKind::PushButton, "Pause", 132, 87, 66, 14},
    ControlTemplate{kStop, ControlKind::PushButton, "Stop", 250, 87, 66, 14},
    ControlTemplate{kStartTime, ControlKind::PushButton, "Start Time", 14, 116, 66, 14},
    ControlTemplate{kStartTimeText, ControlKind::SunkenText, "", 82, 116, 66, 14, kCenter},
    ControlTemplate{kEndTime, ControlKind::PushButton, "End Time", 180, 116, 66, 14},
    ControlTemplate{kEndTimeText, ControlKind::SunkenText, "", 248, 116, 66, 14, kCenter},
    ControlTemplate{kHomepage, ControlKind::Custom, "Homepage", 133, 141, 66, 22},
    ControlTemplate{kExit, ControlKind::Custom, "Exit", 252, 141, 66, 22},
    ControlTemplate{kStatusLine, ControlKind::SunkenText, "", 7, 175, 343, 14, kVCenter},
};

constexpr DialogTemplate kTemplate{kMainWindowTemplateId, "Quenzel", 357, 196, kControls};

constexpr std::array kDecorations = {
    ButtonDecoration{kOpenVideo, resource_id::kOpenVideoIcon, text_id::kOpenFile, "", true},
    ButtonDecoration{kOptions, resource_id::kOptionsIcon, text_id::kOptionsTip, "", true},
    ButtonDecoration{kConvert, resource_id::kProgramIcon, text_id::kConvertTip, "", true},
    ButtonDecoration{kHelp, resource_id::kHelpIcon, 0, "Help", true},
    ButtonDecoration{kAbout, resource_id::kAboutIcon, 0, "About", true},
    ButtonDecoration{kHomepage, resource_id::kHomepageIcon, 0, "Homepage", false},
    ButtonDecoration{kExit, resource_id::kExitIcon, 0, "Exit", false},
};

constexpr std::array kTextRoles = {
    TextRole{kStatusLine, "Status line"},
    TextRole{kPosition, "Position"},
    TextRole{kStartTimeText, "Start time"},
    TextRole{kEndTimeText, "End time"},
};

}  // namespace

const DialogTemplate& mainWindowTemplate() {
    return kTemplate;
}

std::span<const ButtonDecoration> mainWindowButtonDecorations() {
    return kDecorations;
}

std::span<const TextRole> mainWindowTextRoles() {
    return kTextRoles;
}
