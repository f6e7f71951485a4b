#pragma once

class CLanguage;
class QWidget;
class UserDialogs;

// The Font command of the main window's popup menu: offers the font dialog on the current
// interface font; when the user accepts, makes the chosen font the interface font (without any
// message should it be unusable), stores it under the current language and sends it to the main
// window and its retitled controls (ApplyDialogTexts, dialog 102). Other windows show it the next
// time they open. Returns false, changing nothing, when the user cancels.
bool RunFontCommand(CLanguage& language, UserDialogs& dialogs, QWidget* mainWindow);
