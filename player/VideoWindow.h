#pragma once

#include <QElapsedTimer>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include "player/FrameSink.h"
#include "player/PlayerRules.h"

class QMenu;
class QPainter;

// The player's own top-level window, "Video Window": paints the latest picture where the
// placement rule puts it (black around it), goes full screen and back, hides the pointer in full
// screen after a long time without mouse activity, and reports what the user does with the mouse
// and the keyboard. It decides nothing about playing; CVcdCore does.
class VideoWindow : public QWidget {
    Q_OBJECT
  public:
    VideoWindow();
    ~VideoWindow() override;

    void setFrame(const VideoFrame& frame);
    const VideoFrame& frame() const { return frame_; }
    // The subtitle drawn over the lower part of the picture; empty for none.
    void setSubtitle(const QString& text);
    // The picture's displayed size, which the placement keeps the aspect ratio of.
    void setPictureSize(QSize size);
    QSize pictureSize() const { return pictureSize_; }
    // Where the picture is drawn, in the window's coordinates.
    QRect pictureRect() const;
    // The picture's size in device pixels: what the pipeline should scale pictures to.
    QSize picturePixelSize() const;
    // The last picture painted (serial 0: none yet).
    quint64 paintedSerial() const { return paintedSerial_; }

    // Sets the caption exactly as given (Qt would otherwise treat "[*]" in a file name specially).
    void setCaption(const QString& caption);

    void enterFullScreen();
    // Back to the window's place before full screen; shown or hidden as asked.
    void leaveFullScreen(bool visible);

    // The pointer timer runs in full screen only.
    void startCursorTimer();
    void stopCursorTimer();
    void showCursor();

    // The right-click menu, checked and grayed for the state, at a point of the screen.
    void popupMenu(QPoint globalPosition, const PlayerMenuState& state);
    QMenu* menu() const { return menu_; }

  Q_SIGNALS:
    void leftReleased();
    void rightReleased(QPoint globalPosition);
    void escapeReleased();
    // The window was asked to close (its close box); it stays open.
    void closeRequested();
    void commandChosen(int commandId);
    // The picture's area changed size: the pipeline should scale to picturePixelSize().
    void pictureAreaChanged();
    void framePainted(quint64 serial, qint64 position);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void drawSubtitle(QPainter& painter, const QRect& picture) const;
    void noteMouseActivity();
    void hideCursorWhenIdle();

    VideoFrame frame_;
    QString subtitle_;
    QSize pictureSize_;
    quint64 paintedSerial_ = 0;
    bool fullScreen_ = false;
    QRect windowedGeometry_;
    QMenu* menu_ = nullptr;
    QTimer cursorTimer_;
    QElapsedTimer lastMouseActivity_;
    bool cursorHidden_ = false;
};
