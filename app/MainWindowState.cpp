#include "app/MainWindowState.h"

#include <algorithm>

namespace {

using namespace main_window_control;

// What each state disables; everything else stays usable. The times of a source keep their
// texts enabled while it is converted: only the commands that change the project are off.
constexpr std::array kDisabledWithoutSource = {
    kConvert, kSlider, kPlay, kPause, kStop, kStartTime, kStartTimeText, kEndTime, kEndTimeText};
constexpr std::array kDisabledWhileConverting = {kOpenVideo, kOptions, kStartTime, kEndTime};

template <typename List>
bool contains(const List& list, int id) {
    return std::find(list.begin(), list.end(), id) != list.end();
}

}  // namespace

bool isControlEnabled(MainWindowState state, int controlId) {
    switch (state) {
        case MainWindowState::NoSource:
            return !contains(kDisabledWithoutSource, controlId);
        case MainWindowState::SourceOpen:
            return true;
        case MainWindowState::Converting:
            return !contains(kDisabledWhileConverting, controlId);
    }
    return true;
}
