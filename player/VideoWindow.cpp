#include "player/VideoWindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include "base/ControlId.h"
#include "player/PlayerMenu.h"
#include "resources/ProgramResources.h"

namespace {

constexpr int kCursorCheckMs = 50000;
constexpr qint64 kCursorIdleMs = 100000;

}  // namespace

VideoWindow::VideoWindow()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("Video Window"));
    setAccessibleName(QStringLiteral("Video Window"));
    setWindowIcon(resourceIcon(resource_id::kProgramIcon));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    menu_ = makePlayerMenu(this);
    connect(menu_, &QMenu::triggered, this,
            [this](QAction* action) { Q_EMIT commandChosen(commandId(action)); });
    cursorTimer_.setInterval(kCursorCheckMs);
    connect(&cursorTimer_, &QTimer::timeout, this, &VideoWindow::hideCursorWhenIdle);
    lastMouseActivity_.start();
}

VideoWindow::~VideoWindow() = default;

void VideoWindow::setFrame(const VideoFrame& frame) {
    frame_ = frame;
    update();
}

void VideoWindow::setPictureSize(QSize size) {
    if (size == pictureSize_) {
        return;
    }
    pictureSize_ = size;
    update();
    Q_EMIT pictureAreaChanged();
}

QRect VideoWindow::pictureRect() const {
    return picturePlacement(size(), pictureSize_);
}

QSize VideoWindow::picturePixelSize() const {
    const qreal ratio = devicePixelRatioF();
    const QSize logical = pictureRect().size();
    return QSize(qRound(logical.width() * ratio), qRound(logical.height() * ratio));
}

void VideoWindow::setCaption(const QString& caption) {
    QString escaped = caption;
    escaped.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(escaped);
    // A screen reader announces the window by the name its title shows.
    setAccessibleName(caption);
}

void VideoWindow::enterFullScreen() {
    if (fullScreen_) {
        return;
    }
    windowedGeometry_ = geometry();
    fullScreen_ = true;
    showFullScreen();
    // Where no window manager takes care of full screen, the window still covers its screen.
    if (const QScreen* shown = screen()) {
        setGeometry(shown->geometry());
    }
    Q_EMIT pictureAreaChanged();
}

void VideoWindow::leaveFullScreen(bool visible) {
    if (!fullScreen_) {
        return;
    }
    fullScreen_ = false;
    stopCursorTimer();
    showCursor();
    showNormal();
    setGeometry(windowedGeometry_);
    setVisible(visible);
    Q_EMIT pictureAreaChanged();
}

void VideoWindow::startCursorTimer() {
    lastMouseActivity_.restart();
    cursorTimer_.start();
}

void VideoWindow::stopCursorTimer() {
    cursorTimer_.stop();
}

void VideoWindow::showCursor() {
    if (cursorHidden_) {
        unsetCursor();
        cursorHidden_ = false;
    }
}

void VideoWindow::popupMenu(QPoint globalPosition, const PlayerMenuState& state) {
    applyPlayerMenuState(menu_, state);
    menu_->popup(globalPosition);
}

void VideoWindow::setSubtitle(const QString& text) {
    if (text != subtitle_) {
        subtitle_ = text;
        update();
    }
}

void VideoWindow::drawSubtitle(QPainter& painter, const QRect& picture) const {
    // As a conversion burns it in: the window's font, an eighteenth of the picture high, white
    // with a dark outline so that it reads on any picture.
    QFont font = this->font();
    font.setPixelSize(std::max(10, picture.height() / 18));
    const QFontMetrics metrics(font);
    const int margin = metrics.height() / 2;
    const QRect area = picture.adjusted(margin, margin, -margin, -margin);
    const int flags = Qt::AlignHCenter | Qt::AlignBottom | Qt::TextWordWrap;
    QPainterPath outline;
    const QRect bounds = metrics.boundingRect(area, flags, subtitle_);
    int top = bounds.top() + metrics.ascent();
    for (const QString& line : subtitle_.split(QLatin1Char('\n'))) {
        const int width = metrics.horizontalAdvance(line);
        outline.addText(area.left() + (area.width() - width) / 2, top, font, line);
        top += metrics.lineSpacing();
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.strokePath(outline, QPen(QColor(0, 0, 0, 200), std::max(2, font.pixelSize() / 8)));
    painter.fillPath(outline, Qt::white);
}

void VideoWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect target = pictureRect();
    // Black bands around the picture; the picture covers the rest.
    const QRegion bands = QRegion(rect()).subtracted(frame_.image.isNull() ? QRegion() : target);
    for (const QRect& band : bands) {
        painter.fillRect(band, Qt::black);
    }
    if (frame_.image.isNull()) {
        return;
    }
    if (frame_.image.size() != picturePixelSize()) {
        // Shown at its old size until a picture of the new size arrives.
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    }
    painter.drawImage(target, frame_.image);
    if (!subtitle_.isEmpty()) {
        drawSubtitle(painter, target);
    }
    if (paintedSerial_ != frame_.serial) {
        paintedSerial_ = frame_.serial;
        Q_EMIT framePainted(frame_.serial, frame_.position);
    }
}

void VideoWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Q_EMIT pictureAreaChanged();
}

void VideoWindow::mouseMoveEvent(QMouseEvent* event) {
    noteMouseActivity();
    QWidget::mouseMoveEvent(event);
}

void VideoWindow::mouseReleaseEvent(QMouseEvent* event) {
    noteMouseActivity();
    if (event->button() == Qt::LeftButton) {
        Q_EMIT leftReleased();
    } else if (event->button() == Qt::RightButton) {
        Q_EMIT rightReleased(event->globalPosition().toPoint());
    }
}

void VideoWindow::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && !event->isAutoRepeat()) {
        Q_EMIT escapeReleased();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void VideoWindow::closeEvent(QCloseEvent* event) {
    // Closing the clip is the main window's decision (it refuses while converting).
    event->ignore();
    Q_EMIT closeRequested();
}

void VideoWindow::noteMouseActivity() {
    if (fullScreen_) {
        showCursor();
        lastMouseActivity_.restart();
    }
}

void VideoWindow::hideCursorWhenIdle() {
    if (fullScreen_ && !cursorHidden_ && lastMouseActivity_.elapsed() > kCursorIdleMs) {
        setCursor(Qt::BlankCursor);
        cursorHidden_ = true;
    }
}
