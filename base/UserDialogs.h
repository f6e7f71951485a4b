#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

// Every message box and common dialog the program shows goes through this interface, so that the
// core never touches widgets and tests can answer the questions without a display.

enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageAnswer { Ok, Cancel, Yes, No };

struct MessageRequest {
    QString text{};
    QString caption{};  // empty: the application's caption
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
    bool ownedByMainWindow = true;
    // The framework's own explanation, shown on request below the text (may be empty).
    QString details{};
    // The button that answers when the user just presses Enter; empty: the first button.
    std::optional<MessageAnswer> defaultButton{};

    MessageAnswer defaultAnswer() const {
        if (defaultButton) {
            return *defaultButton;
        }
        return buttons == MessageButtons::Ok || buttons == MessageButtons::OkCancel
                   ? MessageAnswer::Ok
                   : MessageAnswer::Yes;
    }
};

struct FileFilter {
    QString description;  // e.g. "Any Files (*.*)"
    QString patterns;     // e.g. "*.*" or "*.avi;*.mkv"
};

struct FileDialogRequest {
    QString title;
    QString initialFolder;
    QString initialName;
    QList<FileFilter> filters;
    int selectedFilter = 0;
};

class UserDialogs {
  public:
    virtual ~UserDialogs() = default;

    virtual MessageAnswer showMessage(const MessageRequest& request) = 0;
    // Empty when the user cancels.
    virtual std::optional<QString> chooseFileToOpen(const FileDialogRequest& request) = 0;
    virtual std::optional<QString> chooseFileToSave(const FileDialogRequest& request) = 0;
    virtual std::optional<QFont> chooseFont(const QFont& initial) = 0;
    // Opens a page (or a local file) in the user's web browser; false when no browser took it.
    virtual bool openWebPage(const QUrl& page) = 0;
    // Closes the message box that is open, if any, as its default button would: for a notice
    // that what it announces has happened, whether the user has read it or not.
    virtual void dismissMessage() = 0;

    // Shorthand for the most common box: a text with an OK button.
    void inform(const QString& text, const QString& caption = {}, bool ownedByMainWindow = true) {
        showMessage({.text = text, .caption = caption, .ownedByMainWindow = ownedByMainWindow});
    }
};
