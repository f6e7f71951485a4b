#pragma once

#include <QCursor>
#include <QIcon>
#include <QPushButton>
#include <memory>

#include "controls/IconButtonLayout.h"

class Sound;

// A flat push button with an icon and its caption: a thin raised frame while the mouse is over
// it, a sunken one while it is pressed (icon and caption then move by a pixel), transparent
// over its window's background when asked, a hover sound played once each time the mouse comes
// onto it, a tooltip and a cursor of its own. Disabled, its icon is grayed and its caption
// embossed. It stays an ordinary QPushButton for everything else: clicked(), shortcuts from
// "&" in the caption, Space to press it, its accessible name (the caption).
class CIconButton : public QPushButton {
    Q_OBJECT
  public:
    explicit CIconButton(QWidget* parent = nullptr);
    explicit CIconButton(const QString& text, QWidget* parent = nullptr);

    // The icon at `size` (logical pixels; the icon's own size when it has no larger one).
    void SetButtonIcon(const QIcon& icon, const QSize& size = QSize(32, 32));
    // Played each time the mouse comes onto the button; shared by the buttons of a window.
    void SetHoverSound(std::shared_ptr<Sound> sound);
    // Draws only the icon, the caption and the frames, so the window's background shows.
    void SetTransparent(bool repaint = false);
    void SetHandCursor(const QCursor& cursor, bool repaint = true);
    // A null text changes nothing; `activate` false keeps the tip from showing.
    void SetTipText(const QString& text, bool activate = true);
    // 0 image left of the caption, 1 above, 2 right, 3 below; larger values are refused
    // (false).
    bool SetImageAlignment(int alignment, bool repaint = true);

    bool isHovered() const { return hovered_; }
    bool isTransparent() const { return transparent_; }
    ImageAlignment imageAlignment() const { return alignment_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void followMouse(const QPoint& position, Qt::MouseButtons buttons);
    void endHover();
    void drawCaption(QPainter& painter, const QRect& room) const;
    bool showsFocus() const;

    std::shared_ptr<Sound> hoverSound_;
    QString tipText_;
    ImageAlignment alignment_ = ImageAlignment::LeftOfCaption;
    bool transparent_ = false;
    bool hovered_ = false;
};
