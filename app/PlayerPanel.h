#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class CVcdCore;
class QLabel;
class QSlider;
class QWidget;
class UserDialogs;

// The main window's side of the player: makes and closes the player of the opened file, and keeps
// the position text and the slider in step with it. While the user holds the slider, position
// updates leave it alone; releasing it seeks.
class PlayerPanel : public QObject {
    Q_OBJECT
  public:
    // isDragging: true while the user holds the slider (the application's drag flag).
    PlayerPanel(QWidget* mainWindow, UserDialogs& dialogs, QLabel* positionText, QSlider* slider,
                std::function<bool()> isDragging, QObject* parent = nullptr);
    ~PlayerPanel() override;

    // Closes any player, then opens the file in a new one. False when it cannot be played (the
    // player has said why and is gone again).
    bool open(const QString& path);
    // Closes the player, if any, and puts the slider at 0.
    void close();

    CVcdCore* player() const { return player_.get(); }
    // The player's position, when there is a player.
    std::optional<int64_t> currentPosition() const;

    void play();
    void pause();
    void stop();

    // The player's once-a-second notice: shows its position, unless the slider is held.
    void showPosition();
    // The slider was let go (or moved by keyboard or a click on its track): seek there.
    void seekToSlider();

    int sliderPosition() const { return sliderPosition_; }

  Q_SIGNALS:
    // The player window was asked to close (command 1056).
    void closeRequested();

  private:
    void setSlider(int position);

    QPointer<QWidget> mainWindow_;
    UserDialogs& dialogs_;
    QLabel* positionText_;
    QSlider* slider_;
    std::function<bool()> isDragging_;
    std::unique_ptr<CVcdCore> player_;
    int sliderPosition_ = 0;
};
