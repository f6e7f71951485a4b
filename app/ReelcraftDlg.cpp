#include "app/ReelcraftDlg.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>

#include "app/ConverterSession.h"
#include "app/DisplayText.h"
#include "app/MainWindowLayout.h"
#include "app/MainWindowTexts.h"
#include "app/OpenVideo.h"
#include "app/PlayerPanel.h"
#include "base/ControlId.h"
#include "base/SettingsStore.h"
#include "base/UserDialogs.h"
#include "controls/IconButton.h"
#include "language/DialogTexts.h"
#include "language/FontCommand.h"
#include "language/Language.h"
#include "language/LanguageCommands.h"
#include "language/LanguageMenu.h"
#include "language/TextIds.h"
#include "media/MediaFramework.h"
#include "media/PluginPreloader.h"
#include "media/SoundClip.h"
#include "output/compressors/CurrentCompressors.h"
#include "output/properties/GraphPropertiesDialog.h"
#include "output/settings/OutputSettingsStore.h"
#include "player/VcdCore.h"
#include "project/Clock.h"
#include "project/ProjectDefaults.h"
#include "resources/ProgramResources.h"

using namespace main_window_control;

namespace {

// The system menu's About item; the language layer has no text of its own for it.
constexpr int kSystemAboutTextId = 101;
constexpr const char* kSystemAboutText = "&About";
constexpr int kIconSize = 32;

}  // namespace

CReelcraftDlg::CReelcraftDlg(MainWindowContext context, QWidget* parent)
    : QDialog(parent), context_(context) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setAcceptDrops(true);
    initialise();
}

CReelcraftDlg::~CReelcraftDlg() = default;

void CReelcraftDlg::initialise() {
    tile_ = resourceBitmap(resource_id::kBackgroundTile);
    controls_ = buildDialog(this, mainWindowTemplate(),
                            [this](const ControlTemplate& control, QWidget* parent) {
                                return makeControl(control, parent);
                            });
    for (const TextRole& role : mainWindowTextRoles()) {
        controls_[role.controlId]->setAccessibleDescription(QString::fromUtf8(role.description));
    }
    auto* slider = controls_.get<QSlider>(kSlider);
    panel_ = std::make_unique<PlayerPanel>(this, context_.dialogs, controls_.get<QLabel>(kPosition),
                                           slider, [this] { return context_.dragFlag != 0; });
    converter_ = std::make_unique<ConverterSession>(project_, settings_, context_.dialogs,
                                                    context_.language);
    // A preview with element settings (stored format 4) shows them before it plays.
    converter_->job().setFilterPropertyDialog([this](GstPipeline* graph) {
        CDialogFilterPerproty dialog(graph, this);
        dialog.exec();
    });
    wireCommands();

    // The system menu's About item: the window manager owns that menu here, so the command is a
    // window action of its own (Shift+F1).
    QString aboutText = context_.language.GetMessageText(kSystemAboutTextId);
    if (aboutText.isEmpty()) {
        aboutText = QString::fromLatin1(kSystemAboutText);
    }
    auto* about = new QAction(aboutText, this);
    about->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    connect(about, &QAction::triggered, this,
            [this] { runCommand(main_window_command::kSystemAbout); });
    addAction(about);

    setWindowIcon(resourceIcon(resource_id::kProgramIcon));
    loadOutputFormat(context_.store, settings_);

    QString failure;
    const Status started = context_.startMediaFramework ? context_.startMediaFramework(&failure)
                                                        : initMediaFramework(&failure);
    if (failed(started)) {
        context_.dialogs.showMessage({.text = QStringLiteral("Could not initialize COM library."),
                                      .caption = QStringLiteral("Error"),
                                      .icon = MessageIcon::Error,
                                      .ownedByMainWindow = false,
                                      .details = failure});
        // Nothing can be opened or converted; the window still shows its texts, takes its keys
        // and closes normally.
        setState(MainWindowState::NoSource);
        controls_[kOpenVideo]->setEnabled(false);
        controls_[kOptions]->setEnabled(false);
        finishInitialising();
        return;
    }
    pluginPreloader_ = std::make_unique<PluginPreloader>();
    loadCompressorChoices(context_.store, settings_, context_.dialogs);
    loadOwnCompressors(context_.store, settings_);
    project_.defaults = loadProjectDefaults(context_.store);
    transitions_.setDefaults(project_.defaults);
    loadOutputNameAndSize(context_.store, settings_, context_.dialogs, &context_.language);
    showIdleStatusLine();
    decorateButtons();
    slider->setRange(0, kSliderRange);
    slider->setValue(0);
    setDisplayText(kStartTimeText, formatClock(0));
    setDisplayText(kEndTimeText, formatClock(0));
    setDisplayText(kPosition, QString());
    setState(MainWindowState::NoSource);
    loadFrameRateAndBitrates(context_.store, settings_);
    loadQualityChoice(context_.store, settings_);
    finishInitialising();
    initialised_ = true;
}

void CReelcraftDlg::finishInitialising() {
    ApplyDialogTexts(context_.language, this, kMainWindowTemplateId);
    fitToTexts();
    addShortcuts();
}

QWidget* CReelcraftDlg::makeControl(const ControlTemplate& control, QWidget* parent) {
    if (control.kind != ControlKind::Custom) {
        return nullptr;
    }
    auto* button = new CIconButton(QString::fromUtf8(control.text), parent);
    button->setAutoDefault(false);
    return button;
}

void CReelcraftDlg::decorateButtons() {
    hoverSound_ = SoundClip::fromFile(resourceSoundPath(resource_id::kHoverSound));
    const QCursor hand = resourceCursor(resource_id::kHandCursor);
    for (const ButtonDecoration& decoration : mainWindowButtonDecorations()) {
        auto* button = controls_.get<CIconButton>(decoration.controlId);
        button->SetImageAlignment(decoration.iconAbove ? 1 : 0, false);
        const int size = decoration.iconAbove ? kIconSize : kIconSize * 3 / 4;
        button->SetButtonIcon(resourceIcon(decoration.iconId), QSize(size, size));
        button->SetTransparent();
        button->SetHandCursor(hand, false);
        button->SetHoverSound(hoverSound_);
        button->SetTipText(decoration.textId != 0
                               ? context_.language.GetMessageText(decoration.textId)
                               : QString::fromUtf8(decoration.tip));
    }
}

void CReelcraftDlg::wireCommands() {
    for (int id : {kOpenVideo, kOptions, kConvert, kHelp, kAbout, kHomepage, kExit, kPlay, kPause,
                   kStop, kStartTime, kEndTime}) {
        connect(qobject_cast<QAbstractButton*>(controls_[id]), &QAbstractButton::clicked, this,
                [this, id] { runCommand(id); });
    }
    auto* slider = controls_.get<QSlider>(kSlider);
    connect(slider, &QSlider::sliderPressed, this, [this] { context_.dragFlag = 1; });
    connect(slider, &QSlider::sliderReleased, this, [this] {
        context_.dragFlag = 0;
        panel_->seekToSlider();
    });
    // A click on the track or a key moves the slider without holding it: seek once it moved.
    connect(slider, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove) {
            QMetaObject::invokeMethod(panel_.get(), &PlayerPanel::seekToSlider,
                                      Qt::QueuedConnection);
        }
    });
    connect(panel_.get(), &PlayerPanel::closeRequested, this,
            [this] { runCommand(main_window_command::kClosePlayer); });
    connect(converter_.get(), &ConverterSession::convertingChanged, this,
            &CReelcraftDlg::showConverting);
    connect(converter_.get(), &ConverterSession::finishingStarted, this,
            [this] { controls_[kConvert]->setEnabled(false); });
    connect(converter_.get(), &ConverterSession::statusLineChanged, this, [this](const QString& t) {
        statusLine_ = StatusLine::Other;
        setDisplayText(kStatusLine, t);
    });
    connect(converter_.get(), &ConverterSession::percentChanged, this, &CReelcraftDlg::showPercent);
    // Exit while the stopped file was being finished closes once it is, whether the notice
    // saying so has been answered or not.
    connect(converter_.get(), &ConverterSession::finished, this, [this] {
        if (closeWhenFinished_) {
            context_.dialogs.dismissMessage();
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        }
    });
}

void CReelcraftDlg::addShortcuts() {
    // Space plays and pauses, so Enter is what presses the button that has the focus.
    for (QWidget* control : controls_.all()) {
        if (auto* button = qobject_cast<QPushButton*>(control)) {
            button->setAutoDefault(true);
        }
    }
    const auto add = [this](const QKeySequence& keys, auto handler) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, handler);
    };
    add(QKeySequence(Qt::Key_Space), [this] {
        CVcdCore* player = panel_->player();
        if (player && controls_[kPlay]->isEnabled()) {
            runCommand(player->state() == PlayState::Running ? kPause : kPlay);
        }
    });
    add(QKeySequence(Qt::Key_I), [this] { runCommand(kStartTime); });
    add(QKeySequence(Qt::Key_O), [this] { runCommand(kEndTime); });
    add(QKeySequence::Open, [this] { runCommand(kOpenVideo); });
    add(QKeySequence(Qt::Key_F1), [this] { runCommand(main_window_command::kHelp); });
}

void CReelcraftDlg::runCommand(int id) {
    if (QWidget* control = controls_[id]; control && !control->isEnabled()) {
        return;
    }
    if (languageIndexOfCommand(id)) {
        if (RunLanguageCommand(context_.language, id, this, context_.dialogs)) {
            refreshTextsAfterLanguageChange();
        }
        return;
    }
    switch (id) {
        case kOpenVideo:
            onOpenVideo();
            break;
        case kOptions:
            onOptions();
            break;
        case kConvert:
            converter_->press();
            break;
        case kHelp:
        case main_window_command::kHelp:
            onHelp();
            break;
        case kAbout:
        case kAboutCommandId:
        case main_window_command::kSystemAbout:
            onAbout();
            break;
        case kHomepage:
            onHomepage();
            break;
        case kExit:
            close();
            break;
        case kPlay:
            panel_->play();
            break;
        case kPause:
            panel_->pause();
            break;
        case kStop:
            panel_->stop();
            break;
        case kStartTime:
            onMarkTime(true);
            break;
        case kEndTime:
            onMarkTime(false);
            break;
        case main_window_command::kClosePlayer:
            onClosePlayer();
            break;
        case kFontCommandId:
            RunFontCommand(context_.language, context_.dialogs, this);
            break;
        default:
            break;
    }
}

void CReelcraftDlg::setState(MainWindowState state) {
    state_ = state;
    for (int id : kStatefulControls) {
        controls_[id]->setEnabled(isControlEnabled(state, id));
    }
}

void CReelcraftDlg::setDisplayText(int id, const QString& text) {
    showDisplayText(controls_.get<QLabel>(id), text);
}

QString CReelcraftDlg::controlText(int id) const {
    if (auto* label = controls_.get<QLabel>(id)) {
        return label->text();
    }
    if (auto* button = controls_.get<QAbstractButton>(id)) {
        return button->text();
    }
    return {};
}

void CReelcraftDlg::showIdleStatusLine() {
    statusLine_ = StatusLine::OriginalSize;
    setDisplayText(kStatusLine, statusLineOriginalSize(context_.language, settings_));
}

void CReelcraftDlg::showSizeStatusLine() {
    statusLine_ = StatusLine::WithSize;
    setDisplayText(kStatusLine, statusLineWithSize(context_.language, settings_));
}

void CReelcraftDlg::refreshTextsAfterLanguageChange() {
    if (statusLine_ == StatusLine::OriginalSize) {
        showIdleStatusLine();
    } else if (statusLine_ == StatusLine::WithSize) {
        showSizeStatusLine();
    }
    if (converter_->isConverting()) {
        showConverting(true, context_.language.GetDialogText(text_id::kStopCaption));
    } else {
        setWindowTitle(caption());
    }
    fitToTexts();
}

void CReelcraftDlg::fitToTexts() {
    // A dialog frame of fixed size, grown only where a text needs the room.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    fitDialogToTexts(this, controls_);
    setFixedSize(size());
}

void CReelcraftDlg::showConverting(bool converting, const QString& convertCaption) {
    qobject_cast<QAbstractButton*>(controls_[kConvert])->setText(convertCaption);
    setState(converting ? MainWindowState::Converting : MainWindowState::SourceOpen);
    if (converting && converter_->isFinishing()) {
        controls_[kConvert]->setEnabled(false);
    }
}

void CReelcraftDlg::showPercent(int percent) {
    setWindowTitle(percent < 0 ? caption() : titleWithPercent(caption(), percent));
}

QString CReelcraftDlg::caption() const {
    const QString text = context_.language.LookUpDialogText(kMainWindowTemplateId);
    return text.isEmpty() ? QString::fromUtf8(mainWindowTemplate().caption) : text;
}

void CReelcraftDlg::showPopupMenu(const QPoint& globalPosition) {
    LanguagePopupMenu menu(context_.language);
    if (QAction* chosen = menu.popup()->exec(globalPosition)) {
        runCommand(commandId(chosen));
    }
}

void CReelcraftDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!tile_.isNull()) {
        painter.drawTiledPixmap(rect(), tile_);
    }
}

void CReelcraftDlg::mouseReleaseEvent(QMouseEvent* event) {
    // Over the background only (the frame around the buttons counts as background).
    QWidget* under = childAt(event->position().toPoint());
    if (event->button() == Qt::RightButton && (!under || controlId(under) == 0)) {
        showPopupMenu(event->globalPosition().toPoint());
        return;
    }
    QDialog::mouseReleaseEvent(event);
}

void CReelcraftDlg::closeEvent(QCloseEvent* event) {
    if (converter_->isFinishing()) {
        // The window goes once the file is finished. The notice is shown after this request
        // has been refused, so that the close that follows the file does not come while it
        // is still being refused.
        closeWhenFinished_ = true;
        event->ignore();
        QMetaObject::invokeMethod(
            this, [this] { refuseWhileConverting(true); }, Qt::QueuedConnection);
        return;
    }
    if (refuseWhileConverting(true)) {
        event->ignore();
        return;
    }
    panel_->close();
    releaseCompressors();
    context_.store.writeText(QStringLiteral("Option"), QStringLiteral("CurrentLanguage"),
                             context_.language.GetCurrentLanguage());
    event->accept();
    done(QDialog::Accepted);
}

void CReelcraftDlg::reject() {
    close();
}

void CReelcraftDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (droppedFile(event->mimeData()) && controls_[kOpenVideo]->isEnabled()) {
        event->acceptProposedAction();
    }
}

void CReelcraftDlg::dropEvent(QDropEvent* event) {
    if (const std::optional<QString> path = droppedFile(event->mimeData())) {
        event->acceptProposedAction();
        // After the drop has ended, so the source's drag is not held while the file opens.
        QMetaObject::invokeMethod(
            this, [this, file = *path] { openFile(file); }, Qt::QueuedConnection);
    }
}
