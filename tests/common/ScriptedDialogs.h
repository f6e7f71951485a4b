#pragma once

#include <QEventLoop>
#include <QList>
#include <deque>

#include "base/UserDialogs.h"

// Answers the program's dialogs from a script and records every message box, so tests can check
// what the user would have seen.
class ScriptedDialogs : public UserDialogs {
  public:
    MessageAnswer showMessage(const MessageRequest& request) override;
    std::optional<QString> chooseFileToOpen(const FileDialogRequest& request) override;
    std::optional<QString> chooseFileToSave(const FileDialogRequest& request) override;
    std::optional<QFont> chooseFont(const QFont& initial) override;
    bool openWebPage(const QUrl& page) override {
        webPages.append(page);
        return webPagesOpen;
    }
    void dismissMessage() override;

    // Queued answers; when a queue is empty the default is taken (OK/Yes, cancel for dialogs).
    std::deque<MessageAnswer> answers;
    std::deque<std::optional<QString>> files;
    std::deque<std::optional<QFont>> fonts;

    QList<MessageRequest> messages;
    QList<FileDialogRequest> fileRequests;
    QList<QUrl> webPages;
    bool webPagesOpen = true;  // what openWebPage answers
    // Message boxes stay open, as for a user who does not answer, until they are dismissed
    // (their default answer) or a minute has passed.
    bool holdMessages = false;
    int dismissed = 0;

    QStringList texts() const;
    bool sawText(const QString& text) const { return texts().contains(text); }

  private:
    QEventLoop* heldMessage_ = nullptr;
};
