#include "tests/common/ScriptedDialogs.h"

#include <QTimer>
#include <utility>

namespace {

template <typename T>
T takeFront(std::deque<T>& queue, const T& fallback) {
    T taken = queue.empty() ? fallback : queue.front();
    if (!queue.empty()) {
        queue.pop_front();
    }
    return taken;
}

}  // namespace

MessageAnswer ScriptedDialogs::showMessage(const MessageRequest& request) {
    messages.append(request);
    if (holdMessages) {
        QEventLoop open;
        QEventLoop* outer = std::exchange(heldMessage_, &open);
        QTimer::singleShot(60000, &open, &QEventLoop::quit);
        open.exec();
        heldMessage_ = outer;
        return request.defaultAnswer();
    }
    return takeFront<MessageAnswer>(answers, request.defaultAnswer());
}

void ScriptedDialogs::dismissMessage() {
    if (heldMessage_) {
        ++dismissed;
        heldMessage_->quit();
    }
}

std::optional<QString> ScriptedDialogs::chooseFileToOpen(const FileDialogRequest& request) {
    fileRequests.append(request);
    return takeFront<std::optional<QString>>(files, std::nullopt);
}

std::optional<QString> ScriptedDialogs::chooseFileToSave(const FileDialogRequest& request) {
    fileRequests.append(request);
    return takeFront<std::optional<QString>>(files, std::nullopt);
}

std::optional<QFont> ScriptedDialogs::chooseFont(const QFont& /*initial*/) {
    return takeFront<std::optional<QFont>>(fonts, std::nullopt);
}

QStringList ScriptedDialogs::texts() const {
    QStringList result;
    for (const MessageRequest& message : messages) {
        result.append(message.text);
    }
    return result;
}
