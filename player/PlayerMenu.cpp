#include "player/PlayerMenu.h"

#include "base/ControlId.h"

namespace {

struct MenuItem {
    int command;  // 0: a separator
    const char* text;
};

constexpr MenuItem kItems[] = {
    {player_command::kFullScreen, "Full screen"},
    {player_command::kNormalSize, "Normal size"},
    {0, nullptr},
    {player_command::kPlay, "Play"},
    {player_command::kPause, "Pause"},
    {player_command::kStop, "Stop"},
    {0, nullptr},
    {player_command::kClose, "Close"},
};

}  // namespace

QMenu* makePlayerMenu(QWidget* parent) {
    auto* menu = new QMenu(QStringLiteral("PREVIEW"), parent);
    menu->setAccessibleName(QStringLiteral("PREVIEW"));
    for (const MenuItem& item : kItems) {
        if (item.command == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromLatin1(item.text));
        setCommandId(action, item.command);
    }
    playerMenuAction(menu, player_command::kFullScreen)->setCheckable(true);
    return menu;
}

void applyPlayerMenuState(QMenu* menu, const PlayerMenuState& state) {
    playerMenuAction(menu, player_command::kFullScreen)->setChecked(state.fullScreenChecked);
    playerMenuAction(menu, player_command::kPlay)->setEnabled(state.playEnabled);
    playerMenuAction(menu, player_command::kPause)->setEnabled(state.pauseEnabled);
    playerMenuAction(menu, player_command::kStop)->setEnabled(state.stopEnabled);
}

QAction* playerMenuAction(const QMenu* menu, int command) {
    for (QAction* action : menu->actions()) {
        if (commandId(action) == command) {
            return action;
        }
    }
    return nullptr;
}
