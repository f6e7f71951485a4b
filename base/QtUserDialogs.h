#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include "base/UserDialogs.h"

// The program's dialogs on Qt: message boxes, open and save dialogs, the font dialog and the web
// browser. A request owned by the main window is parented to the modal dialog in front (so a
// message of the output options sits on that dialog) or else to the main window; the others have
// no owner.
class QtUserDialogs : public UserDialogs {
  public:
    // caption: the application's caption, used when a request names none.
    explicit QtUserDialogs(QString caption, QWidget* mainWindow = nullptr);

    void setMainWindow(QWidget* mainWindow) { mainWindow_ = mainWindow; }

    MessageAnswer showMessage(const MessageRequest& request) override;
    std::optional<QString> chooseFileToOpen(const FileDialogRequest& request) override;
    std::optional<QString> chooseFileToSave(const FileDialogRequest& request) override;
    std::optional<QFont> chooseFont(const QFont& initial) override;
    bool openWebPage(const QUrl& page) override;
    void dismissMessage() override;

  private:
    QWidget* owner() const;

    QString caption_;
    QPointer<QWidget> mainWindow_;
    QPointer<QMessageBox> openMessage_;
};

// The Qt name filter of a file filter: the description with its patterns in the form Qt reads,
// "Video Files (*.mpeg *.mpg)". A description that already ends in a bracketed pattern list has
// that list replaced, so what the user reads and what is matched agree.
QString qtNameFilter(const FileFilter& filter);
