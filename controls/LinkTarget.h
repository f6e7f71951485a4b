#pragma once

#include <QString>
#include <QUrl>

class UserDialogs;

// Opening the target of a link, without widgets. The result is a number as the desktop's
// "open" command of other systems gives it: above 32 means opened; the failures keep the
// numbers their explanations are known by, and the two that only exist here are negative.
namespace link_result {
inline constexpr int kOpened = 33;
inline constexpr int kFileNotFound = 2;
inline constexpr int kPathNotFound = 3;
inline constexpr int kAccessDenied = 5;
inline constexpr int kNoAssociation = 31;  // a local file no program takes
inline constexpr int kNoProgram = -1;      // an address no program (browser, mail) took
inline constexpr int kInvalidAddress = -2;
}  // namespace link_result

inline bool linkOpened(int result) {
    return result > 32;
}

// The address a target stands for: a web or mail address as written ("www.example.org" is
// taken for a web address), a path as a local file; a relative path is looked up in
// `folder`.
QUrl linkAddress(const QString& target, const QString& folder);

// Checks a local file first (missing, unreadable), then hands the address to the desktop.
int openLinkTarget(const QString& target, UserDialogs& dialogs, const QString& folder);

// Why a link could not be opened, for the message "Unable to open hyperlink:\n\n" + this.
QString linkFailureText(int result);
