#include "app/PlayerPanel.h"

#include <QLabel>
#include <QSlider>
#include <QWidget>

#include "app/DisplayText.h"
#include "app/MainWindowTexts.h"
#include "player/VcdCore.h"

PlayerPanel::PlayerPanel(QWidget* mainWindow, UserDialogs& dialogs, QLabel* positionText,
                         QSlider* slider, std::function<bool()> isDragging, QObject* parent)
    : QObject(parent),
      mainWindow_(mainWindow),
      dialogs_(dialogs),
      positionText_(positionText),
      slider_(slider),
      isDragging_(std::move(isDragging)) {}

PlayerPanel::~PlayerPanel() {
    close();
}

bool PlayerPanel::open(const QString& path) {
    close();
    player_ = std::make_unique<CVcdCore>(mainWindow_.data(), dialogs_);
    player_->clipPath = path;
    if (!player_->OpenClip()) {
        close();
        return false;
    }
    connect(player_.get(), &CVcdCore::positionUpdated, this, &PlayerPanel::showPosition);
    // The player tells after its window's event has ended, so it may be closed at once.
    connect(player_.get(), &CVcdCore::closeRequested, this, &PlayerPanel::closeRequested);
    return true;
}

void PlayerPanel::close() {
    if (player_) {
        if (player_->state() != PlayState::Init) {
            player_->CloseClip();
        }
        player_.reset();
    }
    setSlider(0);
    if (mainWindow_) {
        mainWindow_->update();
    }
}

std::optional<int64_t> PlayerPanel::currentPosition() const {
    if (!player_) {
        return std::nullopt;
    }
    return player_->currentPosition();
}

void PlayerPanel::play() {
    if (player_) {
        player_->PlayClip();
    }
}

void PlayerPanel::pause() {
    if (player_) {
        player_->PauseClip();
    }
}

void PlayerPanel::stop() {
    if (player_) {
        player_->StopClip();
    }
}

void PlayerPanel::showPosition() {
    if (isDragging_ && isDragging_()) {
        return;
    }
    if (!player_) {
        showDisplayText(positionText_, QString());
        return;
    }
    const int64_t position = player_->currentPosition();
    const int64_t length = player_->stopPosition();
    showDisplayText(positionText_, positionText(position, length));
    setSlider(sliderPositionFor(position, length));
}

void PlayerPanel::seekToSlider() {
    sliderPosition_ = slider_->sliderPosition();
    if (!player_ || player_->stopPosition() == 0) {
        return;
    }
    player_->SeekClip(seekPositionFor(sliderPosition_, player_->stopPosition()));
}

void PlayerPanel::setSlider(int position) {
    sliderPosition_ = position;
    const QSignalBlocker quiet(slider_);
    slider_->setValue(position);
}
