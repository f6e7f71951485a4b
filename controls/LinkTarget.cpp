#include "controls/LinkTarget.h"

#include <QDir>
#include <QFileInfo>

#include "base/UserDialogs.h"

QUrl linkAddress(const QString& target, const QString& folder) {
    const QString trimmed = target.trimmed();
    if (trimmed.isEmpty()) {
        return {};
    }
    return QUrl::fromUserInput(trimmed, folder);
}

int openLinkTarget(const QString& target, UserDialogs& dialogs, const QString& folder) {
    const QUrl address = linkAddress(target, folder);
    if (!address.isValid()) {
        return link_result::kInvalidAddress;
    }
    if (address.isLocalFile()) {
        const QFileInfo file(address.toLocalFile());
        if (!file.exists()) {
            return QFileInfo(file.absolutePath()).isDir() ? link_result::kFileNotFound
                                                          : link_result::kPathNotFound;
        }
        if (!file.isReadable()) {
            return link_result::kAccessDenied;
        }
        return dialogs.openWebPage(address) ? link_result::kOpened : link_result::kNoAssociation;
    }
    return dialogs.openWebPage(address) ? link_result::kOpened : link_result::kNoProgram;
}

QString linkFailureText(int result) {
    switch (result) {
        case 0:
            return QStringLiteral("The operating system is out\nof memory or resources.");
        case 2:
            return QStringLiteral("The specified file was not found.");
        case 3:
            return QStringLiteral("The specified path was not found.");
        case 5:
            return QStringLiteral("The operating system denied\naccess to the specified file.");
        case 8:
            return QStringLiteral("There was not enough memory to complete the operation.");
        case 11:
            return QStringLiteral(
                "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
        case 26:
            return QStringLiteral("A sharing violation occurred. ");
        case 27:
            return QStringLiteral("The filename association is\nincomplete or invalid.");
        case 28:
            return QStringLiteral(
                "The DDE transaction could not\nbe completed because the request timed out.");
        case 29:
            return QStringLiteral("The DDE transaction failed.");
        case 30:
            return QStringLiteral(
                "The DDE transaction could not\nbe completed because other DDE transactions\n"
                "were being processed.");
        case 31:
            return QStringLiteral(
                "There is no application associated\nwith the given filename extension.");
        case 32:
            return QStringLiteral("The specified dynamic-link library was not found.");
        case link_result::kNoProgram:
            return QStringLiteral(
                "No program could be started for this address.\nPlease check that a web "
                "browser is installed and chosen as the default one.");
        case link_result::kInvalidAddress:
            return QStringLiteral("The address is not valid.");
        default:
            return QStringLiteral("Unknown Error (%1) occurred.").arg(result);
    }
}
