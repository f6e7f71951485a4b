#include "tools/ConsoleDialogs.h"

#include <cstdio>

namespace {

QString answerName(MessageAnswer answer) {
    switch (answer) {
        case MessageAnswer::Ok:
            return QStringLiteral("OK");
        case MessageAnswer::Cancel:
            return QStringLiteral("Cancel");
        case MessageAnswer::Yes:
            return QStringLiteral("Yes");
        case MessageAnswer::No:
            return QStringLiteral("No");
    }
    return {};
}

}  // namespace

ConsoleDialogs::ConsoleDialogs() : errors_(stderr) {}

MessageAnswer ConsoleDialogs::showMessage(const MessageRequest& request) {
    const QString caption = request.caption.isEmpty() ? QStringLiteral("Quenzel") : request.caption;
    errors_ << caption << ": " << request.text << '\n';
    if (!request.details.isEmpty()) {
        errors_ << "  " << request.details << '\n';
    }
    const MessageAnswer answer = request.defaultAnswer();
    if (request.buttons != MessageButtons::Ok) {
        errors_ << "  -> " << answerName(answer) << '\n';
    }
    errors_.flush();
    return answer;
}

std::optional<QString> ConsoleDialogs::chooseFileToOpen(const FileDialogRequest&) {
    return std::nullopt;
}

std::optional<QString> ConsoleDialogs::chooseFileToSave(const FileDialogRequest&) {
    return std::nullopt;
}

std::optional<QFont> ConsoleDialogs::chooseFont(const QFont&) {
    return std::nullopt;
}

bool ConsoleDialogs::openWebPage(const QUrl& page) {
    errors_ << "  See " << page.toString() << '\n';
    errors_.flush();
    return true;
}
