#include <QLabel>

#include "app/AboutBox.h"
#include "app/ConverterSession.h"
#include "app/OpenVideo.h"
#include "app/PlayerPanel.h"
#include "app/ReelcraftDlg.h"
#include "base/SettingsStore.h"
#include "base/UserDialogs.h"
#include "language/Language.h"
#include "language/TextIds.h"
#include "output/settings/OutputOptionsDialog.h"
#include "project/Clock.h"
#include "project/SourceOpener.h"
#include "resources/ProgramResources.h"

// The main window's commands that work on the project, the player and the dialogs.

using namespace main_window_control;

bool CReelcraftDlg::refuseWhileConverting(bool closing) {
    if (!converter_->isConverting()) {
        return false;
    }
    // After Stop there is nothing left to stop: the user waits only for the file.
    const int text = !converter_->isFinishing() ? text_id::kStopConverting
                     : closing                  ? text_id::kFinishingThenClosing
                                                : text_id::kFinishingPleaseWait;
    context_.dialogs.showMessage({.text = context_.language.GetMessageText(text),
                                  .caption = context_.language.GetMessageText(text_id::kWarning),
                                  .icon = MessageIcon::Warning});
    return true;
}

void CReelcraftDlg::onOpenVideo() {
    const std::optional<QString> path =
        context_.dialogs.chooseFileToOpen(openVideoRequest(context_.store, context_.language));
    if (path) {
        openFile(*path);
    }
}

bool CReelcraftDlg::openFile(const QString& path) {
    if (!controls_[kOpenVideo]->isEnabled()) {
        return false;
    }
    // A file that cannot be used leaves the previous source as it was.
    const ConversionProject previousProject = project_;
    const OutputSettings previousSettings = settings_;
    SourceOpener opener(
        project_, settings_,
        [this](int position) { return transitions_.chooseTransition(position); }, context_.store,
        context_.dialogs, context_.language);
    if (!opener.openSource(path)) {
        project_ = previousProject;
        settings_ = previousSettings;
        return false;
    }
    const ClipTimeTexts texts = opener.clipTimeTexts();
    setDisplayText(kPosition, texts.position);
    setDisplayText(kEndTimeText, texts.endTime);
    setDisplayText(kStartTimeText, texts.startTime);
    // A file the player cannot show can still be converted: the probe read it.
    panel_->open(path);
    setState(MainWindowState::SourceOpen);
    showSizeStatusLine();
    return true;
}

void CReelcraftDlg::onOptions() {
    settings_.videoItemCount = project_.videoCount();
    if (runOutputOptions(this, settings_, context_.store, context_.language, context_.dialogs)) {
        const bool withSize = settings_.sourceWidth != 0 || settings_.sourceHeight != 0;
        withSize ? showSizeStatusLine() : showIdleStatusLine();
    }
}

void CReelcraftDlg::onHelp() {
    const QString help = findHelpFile();
    if (!help.isEmpty()) {
        context_.dialogs.openWebPage(QUrl::fromLocalFile(help));
    }
}

void CReelcraftDlg::onHomepage() {
    const QString address = QString::fromUtf8(kHomePageAddress);
    if (!context_.dialogs.openWebPage(QUrl(address))) {
        context_.dialogs.showMessage(
            {.text = QStringLiteral("The Program does not launch your web browser to access ") +
                     address +
                     QStringLiteral(" ,\nPlease launch your web browser and input the URL "
                                    "manually."),
             .caption = QStringLiteral("unknown errors")});
    }
}

void CReelcraftDlg::onAbout() {
    CAboutDlg about(context_.language, context_.dialogs, this);
    about.exec();
}

void CReelcraftDlg::onClosePlayer() {
    if (refuseWhileConverting()) {
        return;
    }
    panel_->close();
    project_.videos.clear();
    project_.startTime = 0;
    project_.endTime = 0;
    setDisplayText(kStartTimeText, formatClock(0));
    setDisplayText(kEndTimeText, formatClock(0));
    setDisplayText(kPosition, QString());
    setState(MainWindowState::NoSource);
}

void CReelcraftDlg::onMarkTime(bool start) {
    const std::optional<int64_t> position = panel_->currentPosition();
    if (!position) {
        return;
    }
    (start ? project_.startTime : project_.endTime) = *position;
    setDisplayText(start ? kStartTimeText : kEndTimeText, formatClock(*position));
}
