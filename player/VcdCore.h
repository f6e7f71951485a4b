#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>

#include "media/Status.h"
#include "player/PlayState.h"

class PlaybackEngine;
class UserDialogs;
class VideoWindow;
class ShownSubtitles;
class QWidget;

// The player of one opened file: plays it in its own window, "Video Window", with full screen and
// a right-click menu, and tells the main window where it is once a second.
//
// How the main window uses it:
//   auto player = std::make_unique<CVcdCore>(this, dialogs);
//   player->clipPath = path;
//   if (!player->OpenClip()) { player.reset(); ... }   // the message has been shown
//   connect(player.get(), &CVcdCore::positionUpdated, this, &Main::onPositionUpdate);
//   connect(player.get(), &CVcdCore::closeRequested, this, &Main::onClosePlayer);
// Buttons call PlayClip, PauseClip and StopClip; the slider calls SeekClip with
// slider / 600 × stopPosition(); Start Time and End Time read currentPosition(). Before dropping
// the player the main window calls CloseClip (the destructor does it too when forgotten).
// closeRequested() is delivered after the window's own event has finished, so its handler may
// close and destroy the player at once.
//
// Times are 100-ns units. Everything runs on the thread that made the player.
class CVcdCore : public QObject {
    Q_OBJECT
  public:
    // mainWindow may be nullptr (then there is nothing to reorder or to place the window beside).
    CVcdCore(QWidget* mainWindow, UserDialogs& dialogs);
    ~CVcdCore() override;
    CVcdCore(const CVcdCore&) = delete;
    CVcdCore& operator=(const CVcdCore&) = delete;

    // The file to open: set before OpenClip; emptied by CloseClip.
    QString clipPath;

    // Opens clipPath and shows its first picture (or, for sound only, keeps the window hidden);
    // nothing plays yet. A file that cannot be played gets one message and leaves no window.
    bool OpenClip();
    // Closes the clip and the window; the state becomes Init.
    void CloseClip();
    void PlayClip();
    void PauseClip();
    // Rewinds and shows the first picture; the state reads Stopped.
    void StopClip();
    // Shows the exact picture at the position (negative means 0) in any state, keeping the state.
    Status SeekClip(int64_t position);
    // Sizes the window to the picture's displayed size × multiplier / divider (made smaller when
    // it would not fit on the screen); leaves full screen first.
    Status InitVideoWindow(int multiplier, int divider);
    // The menu's Full screen: nothing for a clip without a picture.
    void ToggleFullScreen();

    PlayState state() const { return state_; }
    // Refreshed every second while a clip is open, and at once after a seek, a pause or a stop.
    int64_t currentPosition() const { return currentPosition_; }
    int64_t stopPosition() const { return stopPosition_; }
    bool isAudioOnly() const { return audioOnly_; }
    bool isFullScreen() const { return fullScreen_; }
    // The player's window; nullptr when no clip is open.
    VideoWindow* videoWindow() const { return window_.get(); }

  Q_SIGNALS:
    // Once a second while a clip is open (and after seeks): read the positions.
    void positionUpdated();
    // The player window was asked to close; it stays until the main window closes the clip.
    void closeRequested();

  private:
    void createWindow();
    bool buildGraph();
    void reportFailure(const char* format, Status code, const QString& details = {});
    void refreshPositions();
    void announcePositions();
    void updateTitle();
    void enterFullScreen();
    void leaveFullScreen();
    void onCommand(int commandId);
    void onLeftReleased();
    void onRightReleased(QPoint globalPosition);
    void onFrameArrived();
    void onPictureAreaChanged();
    void onStreamFailed();

    QPointer<QWidget> mainWindow_;
    UserDialogs& dialogs_;
    std::unique_ptr<VideoWindow> window_;
    std::unique_ptr<PlaybackEngine> engine_;
    std::unique_ptr<ShownSubtitles> subtitles_;

    PlayState state_ = PlayState::Init;
    bool audioOnly_ = true;
    bool fullScreen_ = false;
    bool windowShown_ = false;
    int64_t currentPosition_ = 0;
    int64_t stopPosition_ = 0;
    // Which way the next left click in full screen moves the main window.
    bool mainWindowOnTopToggle_ = true;

    QTimer positionTimer_;
    QTimer redrawTimer_;
};
