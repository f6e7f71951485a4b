#include "base/QtUserDialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

namespace {

QMessageBox::Icon iconOf(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons buttonsOf(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::Ok:
            return QMessageBox::Ok;
        case MessageButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MessageButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MessageButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton buttonOf(MessageAnswer answer) {
    switch (answer) {
        case MessageAnswer::Ok:
            return QMessageBox::Ok;
        case MessageAnswer::Cancel:
            return QMessageBox::Cancel;
        case MessageAnswer::Yes:
            return QMessageBox::Yes;
        case MessageAnswer::No:
            return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

// Closing the box without a button counts as its escape answer: Cancel, else No, else OK.
MessageAnswer answerOf(int button, MessageButtons buttons) {
    switch (button) {
        case QMessageBox::Yes:
            return MessageAnswer::Yes;
        case QMessageBox::No:
            return MessageAnswer::No;
        case QMessageBox::Cancel:
            return MessageAnswer::Cancel;
        case QMessageBox::Ok:
            return MessageAnswer::Ok;
        default:
            break;
    }
    switch (buttons) {
        case MessageButtons::Ok:
            return MessageAnswer::Ok;
        case MessageButtons::YesNo:
            return MessageAnswer::No;
        default:
            return MessageAnswer::Cancel;
    }
}

QStringList nameFilters(const QList<FileFilter>& filters) {
    QStringList result;
    for (const FileFilter& filter : filters) {
        result.append(qtNameFilter(filter));
    }
    return result;
}

std::optional<QString> runFileDialog(QWidget* owner, const FileDialogRequest& request,
                                     QFileDialog::AcceptMode mode) {
    QFileDialog dialog(owner, request.title, request.initialFolder);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    // The conversion asks before it replaces a file; the save dialog must not ask twice.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filters = nameFilters(request.filters);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.value(request.selectedFilter, filters.first()));
    }
    if (!request.initialName.isEmpty() && !request.initialName.contains(QLatin1Char('*'))) {
        dialog.selectFile(request.initialName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

}  // namespace

QString qtNameFilter(const FileFilter& filter) {
    QString patterns = filter.patterns;
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    static const QRegularExpression bracketedList(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    QString description = filter.description;
    description.remove(bracketedList);
    return QStringLiteral("%1 (%2)").arg(description.trimmed(), patterns.simplified());
}

QtUserDialogs::QtUserDialogs(QString caption, QWidget* mainWindow)
    : caption_(std::move(caption)), mainWindow_(mainWindow) {}

QWidget* QtUserDialogs::owner() const {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        return modal;
    }
    return mainWindow_.data();
}

MessageAnswer QtUserDialogs::showMessage(const MessageRequest& request) {
    QMessageBox box(iconOf(request.icon), request.caption.isEmpty() ? caption_ : request.caption,
                    request.text, buttonsOf(request.buttons),
                    request.ownedByMainWindow ? owner() : nullptr);
    box.setTextFormat(Qt::PlainText);
    if (!request.details.isEmpty()) {
        box.setDetailedText(request.details);
    }
    if (QAbstractButton* preferred = box.button(buttonOf(request.defaultAnswer()))) {
        box.setDefaultButton(qobject_cast<QPushButton*>(preferred));
    }
    const QPointer<QMessageBox> outer = openMessage_;
    openMessage_ = &box;
    const int shown = box.exec();
    openMessage_ = outer;
    return answerOf(shown, request.buttons);
}

void QtUserDialogs::dismissMessage() {
    if (openMessage_) {
        openMessage_->close();
    }
}

std::optional<QString> QtUserDialogs::chooseFileToOpen(const FileDialogRequest& request) {
    return runFileDialog(owner(), request, QFileDialog::AcceptOpen);
}

std::optional<QString> QtUserDialogs::chooseFileToSave(const FileDialogRequest& request) {
    return runFileDialog(owner(), request, QFileDialog::AcceptSave);
}

std::optional<QFont> QtUserDialogs::chooseFont(const QFont& initial) {
    bool accepted = false;
    const QFont chosen = QFontDialog::getFont(&accepted, initial, owner());
    return accepted ? std::optional<QFont>(chosen) : std::nullopt;
}

bool QtUserDialogs::openWebPage(const QUrl& page) {
    return QDesktopServices::openUrl(page);
}
