#include "player/VcdCore.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "base/UserDialogs.h"
#include "player/PlaybackEngine.h"
#include "player/PlayerMenu.h"
#include "player/PlayerRules.h"
#include "player/ShownSubtitles.h"
#include "player/VideoWindow.h"
#include "player/WindowOrder.h"

namespace {

constexpr int kPositionRefreshMs = 1000;
// A picture of a new size is fetched once the window has stopped changing size.
constexpr int kRedrawDelayMs = 100;

const char* const kCannotPlay =
    "Cannot play the file.  The file is either corrupt or\n"
    "the player does not support the format you are trying to play.\n"
    "You need to install appropriate decoders.";
const char* const kCaption = "Quenzel";
const char* const kCreateFailed =
    "FAILED(hr=0x%x) in CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC_SERVER, "
    "IID_IGraphBuilder, (void **)&pGB)\n";
const char* const kInitVideoWindowFailed = "FAILED(hr=0x%x) in InitVideoWindow(1, 1)\n";

// Which way the next left click outside full screen moves the main window; shared by every
// player of the program, so it carries over from one opened file to the next.
bool& windowedLeftClickToggle() {
    static bool toggle = true;
    return toggle;
}

}  // namespace

CVcdCore::CVcdCore(QWidget* mainWindow, UserDialogs& dialogs)
    : mainWindow_(mainWindow), dialogs_(dialogs) {
    positionTimer_.setInterval(kPositionRefreshMs);
    connect(&positionTimer_, &QTimer::timeout, this, [this] {
        refreshPositions();
        Q_EMIT positionUpdated();
    });
    redrawTimer_.setSingleShot(true);
    redrawTimer_.setInterval(kRedrawDelayMs);
    connect(&redrawTimer_, &QTimer::timeout, this, [this] {
        if (engine_ && state_ != PlayState::Running) {
            engine_->redraw();
        }
    });
}

CVcdCore::~CVcdCore() {
    if (state_ != PlayState::Init) {
        CloseClip();
    }
}

bool CVcdCore::OpenClip() {
    state_ = PlayState::Stopped;
    createWindow();
    if (!buildGraph()) {
        CloseClip();
        return false;
    }
    return true;
}

void CVcdCore::createWindow() {
    window_ = std::make_unique<VideoWindow>();
    QScreen* screen = mainWindow_ ? mainWindow_->screen() : QGuiApplication::primaryScreen();
    const QRect workArea = screen ? screen->availableGeometry() : QRect(0, 0, 800, 600);
    const QRect mainFrame =
        mainWindow_ ? mainWindow_->frameGeometry() : QRect(workArea.bottomLeft(), QSize(1, 1));
    const QRect place = initialPlayerRect(workArea, mainFrame);
    window_->move(place.topLeft());
    window_->resize(place.size());

    connect(window_.get(), &VideoWindow::commandChosen, this, &CVcdCore::onCommand);
    connect(window_.get(), &VideoWindow::leftReleased, this, &CVcdCore::onLeftReleased);
    connect(window_.get(), &VideoWindow::rightReleased, this, &CVcdCore::onRightReleased);
    connect(window_.get(), &VideoWindow::escapeReleased, this, [this] {
        if (fullScreen_) {
            leaveFullScreen();
        }
    });
    connect(window_.get(), &VideoWindow::pictureAreaChanged, this, &CVcdCore::onPictureAreaChanged);
    // Handed on once the window's close event is over, like a posted command: the main window
    // may then close the clip and destroy this window at once.
    connect(
        window_.get(), &VideoWindow::closeRequested, this, [this] { Q_EMIT closeRequested(); },
        Qt::QueuedConnection);
}

bool CVcdCore::buildGraph() {
    QString reason;
    const Status opened = PlaybackEngine::open(clipPath, &engine_, &reason);
    if (opened == status::kNoDecoder) {
        reportFailure(kCreateFailed, opened, reason);  // GStreamer itself is incomplete
        return false;
    }
    if (failed(opened)) {
        dialogs_.showMessage({.text = QString::fromLatin1(kCannotPlay),
                              .caption = QString::fromLatin1(kCaption),
                              .ownedByMainWindow = false,
                              .details = reason});
        return false;
    }
    audioOnly_ = !engine_->hasVideo();
    connect(engine_.get(), &PlaybackEngine::endOfStream, this, &CVcdCore::StopClip);
    connect(engine_.get(), &PlaybackEngine::streamFailed, this, &CVcdCore::onStreamFailed);
    connect(&engine_->frames(), &FrameSink::frameArrived, this, &CVcdCore::onFrameArrived);

    if (!audioOnly_) {
        subtitles_ = std::make_unique<ShownSubtitles>(clipPath);
        connect(subtitles_.get(), &ShownSubtitles::cuesRead, this, &CVcdCore::onFrameArrived);
        onFrameArrived();  // the first picture is there already
        const Status sized = InitVideoWindow(1, 1);
        if (failed(sized)) {
            reportFailure(kInitVideoWindowFailed, sized);
            return false;
        }
        windowShown_ = true;
        window_->showNormal();
    } else {
        window_->hide();
    }
    window_->raise();
    window_->activateWindow();
    window_->setFocus();
    updateTitle();
    refreshPositions();
    positionTimer_.start();
    return true;
}

void CVcdCore::reportFailure(const char* format, Status code, const QString& details) {
    dialogs_.showMessage({.text = QString::asprintf(format, static_cast<unsigned>(code)),
                          .caption = QString::fromLatin1(kCaption),
                          .ownedByMainWindow = false,
                          .details = details});
}

void CVcdCore::CloseClip() {
    state_ = PlayState::Stopped;
    audioOnly_ = true;
    positionTimer_.stop();
    redrawTimer_.stop();
    if (window_) {
        if (fullScreen_) {
            leaveFullScreen();
        }
        window_->hide();
        window_.reset();
    }
    engine_.reset();
    subtitles_.reset();
#if defined(__GLIBC__)
    // The closed clip's pictures were freed on the streaming threads' heaps, which keep the pages
    // for pictures to come; the next clip may be of another size and would take new ones.
    malloc_trim(0);
#endif
    clipPath.clear();
    windowShown_ = false;
    state_ = PlayState::Init;
    if (mainWindow_) {
        mainWindow_->update();
    }
}

void CVcdCore::PlayClip() {
    if (!engine_) {
        return;
    }
    if ((state_ == PlayState::Stopped || state_ == PlayState::Paused) &&
        succeeded(engine_->run())) {
        state_ = PlayState::Running;
    }
    updateTitle();
}

void CVcdCore::PauseClip() {
    if (!engine_) {
        return;
    }
    if (state_ == PlayState::Running && succeeded(engine_->pause())) {
        state_ = PlayState::Paused;
        announcePositions();
    }
    updateTitle();
}

void CVcdCore::StopClip() {
    if (!engine_ || (state_ != PlayState::Paused && state_ != PlayState::Running)) {
        return;
    }
    window_->stopCursorTimer();
    if (succeeded(engine_->rewindAndPause())) {
        state_ = PlayState::Stopped;
        announcePositions();
    }
    updateTitle();
}

Status CVcdCore::SeekClip(int64_t position) {
    if (!engine_) {
        return status::kNoInterface;
    }
    const Status result = engine_->seek(std::max<int64_t>(position, 0));
    if (succeeded(result)) {
        announcePositions();
    }
    return result;
}

Status CVcdCore::InitVideoWindow(int multiplier, int divider) {
    if (fullScreen_ && windowShown_) {
        leaveFullScreen();
    }
    if (!engine_ || audioOnly_ || window_->pictureSize().isEmpty()) {
        return status::kOk;
    }
    if (divider == 0) {
        return status::kInvalidArgument;
    }
    const QScreen* screen = window_->screen();
    const QRect workArea = screen ? screen->availableGeometry() : QRect();
    const QSize decoration = window_->frameGeometry().size() - window_->size();
    const QSize size =
        scaledWindowSize(window_->pictureSize(), multiplier, divider, workArea.size() - decoration);
    window_->resize(size);
    // Kept where it is unless that would put part of it off the screen.
    const QRect frame(window_->pos(), size + decoration);
    if (!workArea.isEmpty() && !workArea.contains(frame)) {
        const int left = std::min(frame.left(), workArea.right() + 1 - frame.width());
        const int top = std::min(frame.top(), workArea.bottom() + 1 - frame.height());
        window_->move(std::max(left, workArea.left()), std::max(top, workArea.top()));
    }
    window_->raise();
    return status::kOk;
}

void CVcdCore::ToggleFullScreen() {
    if (audioOnly_ || !window_) {
        return;
    }
    if (fullScreen_) {
        leaveFullScreen();
    } else {
        enterFullScreen();
    }
}

void CVcdCore::enterFullScreen() {
    window_->enterFullScreen();
    if (window_->pictureSize().isEmpty()) {
        return;
    }
    window_->startCursorTimer();
    mainWindowOnTopToggle_ = true;
    fullScreen_ = true;
}

void CVcdCore::leaveFullScreen() {
    window_->leaveFullScreen(windowShown_);
    fullScreen_ = false;
    // The main window comes to the top, then the player, no longer above every window, goes
    // back to the top of the ordinary ones: it ends above the main window.
    if (mainWindow_) {
        mainWindow_->raise();
    }
    if (windowShown_) {
        window_->raise();
    }
}

void CVcdCore::refreshPositions() {
    int64_t current = 0;
    int64_t stop = 0;
    if (engine_ && succeeded(engine_->positions(&current, &stop))) {
        currentPosition_ = current;
        stopPosition_ = stop;
    }
}

void CVcdCore::announcePositions() {
    refreshPositions();
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (state_ != PlayState::Init) {  // not after the clip was closed meanwhile
                Q_EMIT positionUpdated();
            }
        },
        Qt::QueuedConnection);
}

void CVcdCore::updateTitle() {
    if (window_) {
        window_->setCaption(playerTitle(clipPath, state_));
    }
}

void CVcdCore::onCommand(int commandId) {
    switch (commandId) {
        case player_command::kFullScreen:
            ToggleFullScreen();
            break;
        case player_command::kNormalSize:
            InitVideoWindow(1, 1);
            break;
        case player_command::kPlay:
            PlayClip();
            break;
        case player_command::kPause:
            PauseClip();
            break;
        case player_command::kStop:
            StopClip();
            break;
        case player_command::kClose:
            window_->close();
            break;
        default:
            break;
    }
}

void CVcdCore::onLeftReleased() {
    if (!mainWindow_) {
        return;
    }
    if (fullScreen_) {
        // Over a full-screen picture the main window comes forward or goes behind it.
        if (mainWindowOnTopToggle_) {
            setKeptOnTop(mainWindow_, false);
            mainWindow_->lower();
        } else {
            setKeptOnTop(mainWindow_, true);
            mainWindow_->raise();
        }
        mainWindowOnTopToggle_ = !mainWindowOnTopToggle_;
        return;
    }
    bool& toggle = windowedLeftClickToggle();
    if (toggle) {
        setKeptOnTop(mainWindow_, false);
        window_->raise();
        window_->activateWindow();
    } else {
        setKeptOnTop(mainWindow_, true);
    }
    toggle = !toggle;
}

void CVcdCore::onRightReleased(QPoint globalPosition) {
    window_->popupMenu(globalPosition, playerMenuState(state_, fullScreen_));
    mainWindowOnTopToggle_ = true;
}

void CVcdCore::onFrameArrived() {
    if (!engine_ || !window_) {
        return;
    }
    const VideoFrame frame = engine_->frames().latestFrame();
    if (!frame.displayedSize.isEmpty()) {
        window_->setPictureSize(frame.displayedSize);
    }
    window_->setFrame(frame);
    window_->setSubtitle(subtitles_ ? subtitles_->textAt(frame.clockTime) : QString());
}

void CVcdCore::onPictureAreaChanged() {
    if (!engine_ || !window_ || window_->pictureSize().isEmpty()) {
        return;
    }
    const QSize wanted = window_->picturePixelSize();
    engine_->frames().setOutputSize(wanted);
    if (window_->frame().image.size() == wanted) {
        redrawTimer_.stop();
    } else if (state_ != PlayState::Running) {
        redrawTimer_.start();  // a playing clip brings pictures of the new size by itself
    }
}

void CVcdCore::onStreamFailed() {
    if (window_) {
        window_->stopCursorTimer();
    }
    state_ = PlayState::Stopped;
    updateTitle();
    announcePositions();
}
