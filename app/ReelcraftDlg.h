#pragma once

#include <QDialog>
#include <QPixmap>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/MainWindowState.h"
#include "base/DialogTemplate.h"
#include "engine/TransitionChooser.h"
#include "media/Status.h"
#include "output/settings/OutputSettings.h"
#include "project/ConversionProject.h"

class CLanguage;
class ConverterSession;
class PlayerPanel;
class PluginPreloader;
class SettingsStore;
class Sound;
class UserDialogs;
class QLabel;

// What the main window works with that outlives it: the settings, the dialogs, the language and
// the application's drag flag (1 while the position slider is held).
struct MainWindowContext {
    SettingsStore& store;
    UserDialogs& dialogs;
    CLanguage& language;
    int32_t& dragFlag;
    // Starts the media framework (initMediaFramework unless a test has another).
    std::function<Status(QString*)> startMediaFramework = {};
};

// The main window (template 102): open a video, play and seek it, mark the part to convert, set
// the options, convert. Its controls come from MainWindowLayout, which controls are usable from
// MainWindowState, its texts from MainWindowTexts; the player and the conversion are driven by
// PlayerPanel and ConverterSession. The window wires its commands to them in runCommand.
class CReelcraftDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CReelcraftDlg(MainWindowContext context, QWidget* parent = nullptr);
    ~CReelcraftDlg() override;

    // A command of the window's table: a control identifier, a menu command or a language
    // command. Commands of controls that are disabled are not run.
    void runCommand(int id);
    // Opens a file as Open Video does after its file dialog.
    bool openFile(const QString& path);
    // The right-click popup menu, built as it is shown there.
    void showPopupMenu(const QPoint& globalPosition);

    MainWindowState state() const { return state_; }
    const DialogControls& controls() const { return controls_; }
    QString controlText(int id) const;
    const ConversionProject& project() const { return project_; }
    const OutputSettings& outputSettings() const { return settings_; }
    PlayerPanel& playerPanel() { return *panel_; }
    ConverterSession& converter() { return *converter_; }
    // False when the media framework could not start: the window then does nothing useful.
    bool isInitialised() const { return initialised_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Esc is a close request like any other.
    void reject() override;

  private:
    void initialise();
    QWidget* makeControl(const ControlTemplate& control, QWidget* parent);
    void decorateButtons();
    void wireCommands();
    void addShortcuts();
    void setState(MainWindowState state);
    void setDisplayText(int id, const QString& text);
    void showIdleStatusLine();
    void showSizeStatusLine();
    void refreshTextsAfterLanguageChange();
    void fitToTexts();
    void showConverting(bool converting, const QString& convertCaption);
    void showPercent(int percent);
    QString caption() const;
    // True, after telling the user why, while a conversion runs or its stopped file is being
    // finished.
    // `closing`: the user asked to exit, which happens once the file is finished.
    bool refuseWhileConverting(bool closing = false);
    void finishInitialising();

    void onOpenVideo();
    void onOptions();
    void onHelp();
    void onHomepage();
    void onAbout();
    void onClosePlayer();
    void onMarkTime(bool start);

    MainWindowContext context_;
    ConversionProject project_;
    OutputSettings settings_;
    TransitionChooser transitions_;
    QPixmap tile_;
    DialogControls controls_;
    std::shared_ptr<Sound> hoverSound_;
    std::unique_ptr<PlayerPanel> panel_;
    std::unique_ptr<ConverterSession> converter_;
    std::unique_ptr<PluginPreloader> pluginPreloader_;
    MainWindowState state_ = MainWindowState::NoSource;
    bool initialised_ = false;
    bool closeWhenFinished_ = false;  // Exit was asked for while the file was being finished
    // Which of the two describing status lines shows, so a language switch can reword it.
    enum class StatusLine { OriginalSize, WithSize, Other } statusLine_ = StatusLine::Other;
};
