#include "language/FontCommand.h"

#include "base/UserDialogs.h"
#include "language/DialogTexts.h"
#include "language/FontSettings.h"
#include "language/Language.h"
#include "language/LanguageCommands.h"

bool RunFontCommand(CLanguage& language, UserDialogs& dialogs, QWidget* mainWindow) {
    // Without a usable font the dialog starts from the values a first start shows.
    const LogFont current = language.GetInterfaceLogFont().value_or(defaultLogFont());
    const std::optional<QFont> chosen =
        dialogs.chooseFont(fontFromLogFont(current).value_or(QFont()));
    if (!chosen) {
        return false;
    }
    language.ReplaceInterfaceFont(logFontFromFont(*chosen, current));
    language.SaveInterfaceFont();
    ApplyDialogTexts(language, mainWindow, kMainWindowDialogId);
    return true;
}
