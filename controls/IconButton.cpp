#include "controls/IconButton.h"

#include <qdrawutil.h>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>

#include "media/Sound.h"

CIconButton::CIconButton(QWidget* parent) : CIconButton(QString(), parent) {}

CIconButton::CIconButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setFlat(true);
    setAutoDefault(false);
    setMouseTracking(true);  // hover follows plain moves
}

void CIconButton::SetButtonIcon(const QIcon& icon, const QSize& size) {
    setIcon(icon);
    setIconSize(icon.isNull() ? QSize() : icon.actualSize(size));
    update();
}

void CIconButton::SetHoverSound(std::shared_ptr<Sound> sound) {
    hoverSound_ = std::move(sound);
}

void CIconButton::SetTransparent(bool repaint) {
    transparent_ = true;
    if (repaint) {
        update();
    }
}

void CIconButton::SetHandCursor(const QCursor& cursor, bool repaint) {
    setCursor(cursor);
    if (repaint) {
        update();
    }
}

void CIconButton::SetTipText(const QString& text, bool activate) {
    if (text.isNull()) {
        return;
    }
    tipText_ = text;
    setToolTip(activate ? tipText_ : QString());
}

bool CIconButton::SetImageAlignment(int alignment, bool repaint) {
    if (alignment < 0 || alignment > 3) {
        return false;
    }
    alignment_ = static_cast<ImageAlignment>(alignment);
    updateGeometry();
    if (repaint) {
        update();
    }
    return true;
}

QSize CIconButton::sizeHint() const {
    const QSize image = icon().isNull() ? QSize(0, 0) : iconSize();
    const QSize caption =
        text().isEmpty() ? QSize(0, 0) : fontMetrics().size(Qt::TextShowMnemonic, text());
    const bool stacked =
        alignment_ == ImageAlignment::AboveCaption || alignment_ == ImageAlignment::BelowCaption;
    const int gap = image.isEmpty() || caption.isEmpty() ? 0 : kImageMargin;
    const QSize content = stacked ? QSize(std::max(image.width(), caption.width()),
                                          image.height() + gap + caption.height())
                                  : QSize(image.width() + gap + caption.width(),
                                          std::max(image.height(), caption.height()));
    // Margins, the one-pixel frame and the pressed offset on every side.
    constexpr int kEdge = kImageMargin + 2;
    return content + QSize(2 * kEdge, 2 * kEdge);
}

QSize CIconButton::minimumSizeHint() const {
    return sizeHint();
}

void CIconButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect item = rect();
    const bool pressed = isDown();
    if (!transparent_) {
        painter.fillRect(item, palette().button());
    }
    if (!isFlat()) {
        QStyleOptionButton bevel;
        initStyleOption(&bevel);
        style()->drawControl(QStyle::CE_PushButtonBevel, &bevel, &painter, this);
    } else if (pressed) {
        // One pixel: the shadow at top and left, the highlight at bottom and right.
        qDrawShadePanel(&painter, item, palette(), true, 1);
    } else if (hovered_) {
        qDrawShadePanel(&painter, item, palette(), false, 1);
    }

    const IconButtonPlaces places = placeIconAndCaption(
        item, icon().isNull() ? QSize() : iconSize(), !text().isEmpty(), alignment_, pressed);
    if (!places.image.isEmpty()) {
        icon().paint(&painter, places.image, Qt::AlignCenter,
                     isEnabled() ? QIcon::Normal : QIcon::Disabled);
    }
    if (!text().isEmpty()) {
        drawCaption(painter, places.caption);
    }
    if (showsFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = item.adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void CIconButton::drawCaption(QPainter& painter, const QRect& room) const {
    QStyleOptionButton option;
    option.initFrom(this);
    const int mnemonic = style()->styleHint(QStyle::SH_UnderlineShortcut, &option, this)
                             ? Qt::TextShowMnemonic
                             : Qt::TextHideMnemonic;
    const int flags = Qt::AlignCenter | Qt::TextWordWrap | mnemonic;
    const QRect place =
        centreCaption(room, painter.fontMetrics().boundingRect(room, flags, text()).size());
    if (!isEnabled()) {
        // Embossed: a highlight one pixel down and right, the shadow on top of it.
        painter.setPen(palette().color(QPalette::Disabled, QPalette::Light));
        painter.drawText(place.translated(1, 1), flags, text());
        painter.setPen(palette().color(QPalette::Disabled, QPalette::Dark));
        painter.drawText(place, flags, text());
        return;
    }
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(place, flags, text());
}

bool CIconButton::showsFocus() const {
    // A flat button draws no focus rectangle; screen readers still hear where the focus is.
    return hasFocus() && !isFlat();
}

void CIconButton::enterEvent(QEnterEvent* event) {
    QPushButton::enterEvent(event);
    followMouse(event->position().toPoint(), QGuiApplication::mouseButtons());
}

void CIconButton::mouseMoveEvent(QMouseEvent* event) {
    QPushButton::mouseMoveEvent(event);
    followMouse(event->position().toPoint(), event->buttons());
}

void CIconButton::followMouse(const QPoint& position, Qt::MouseButtons buttons) {
    // A drag that began elsewhere brings no hover; a button that is not flat has none.
    if (((buttons & Qt::LeftButton) && !hovered_) || !isFlat()) {
        return;
    }
    if (!isEnabled() || !rect().contains(position)) {
        endHover();
        return;
    }
    if (!hovered_) {
        hovered_ = true;
        update();
        if (hoverSound_) {
            hoverSound_->play();
        }
    }
}

void CIconButton::leaveEvent(QEvent* event) {
    QPushButton::leaveEvent(event);
    endHover();
}

void CIconButton::focusOutEvent(QFocusEvent* event) {
    QPushButton::focusOutEvent(event);
    endHover();
}

void CIconButton::changeEvent(QEvent* event) {
    QPushButton::changeEvent(event);
    const bool disabled = event->type() == QEvent::EnabledChange && !isEnabled();
    const bool deactivated = event->type() == QEvent::ActivationChange && !isActiveWindow();
    if (disabled || deactivated) {
        endHover();
    }
}

void CIconButton::endHover() {
    if (hovered_) {
        hovered_ = false;
        update();
    }
}
