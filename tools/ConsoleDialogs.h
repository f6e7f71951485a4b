#pragma once

#include <QTextStream>

#include "base/UserDialogs.h"

// The command line's answers to the program's dialogs: messages go to standard error, questions
// are answered with their default and the answer is printed too, file and font dialogs are
// cancelled (everything they would ask is given as options).
class ConsoleDialogs : public UserDialogs {
  public:
    ConsoleDialogs();

    MessageAnswer showMessage(const MessageRequest& request) override;
    std::optional<QString> chooseFileToOpen(const FileDialogRequest& request) override;
    std::optional<QString> chooseFileToSave(const FileDialogRequest& request) override;
    std::optional<QFont> chooseFont(const QFont& initial) override;
    bool openWebPage(const QUrl& page) override;
    void dismissMessage() override {}  // a printed message is never open

  private:
    QTextStream errors_;
};
