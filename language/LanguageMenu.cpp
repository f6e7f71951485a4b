#include "language/LanguageMenu.h"

#include "base/ControlId.h"
#include "base/UserDialogs.h"
#include "language/DialogTexts.h"
#include "language/Language.h"
#include "language/LanguageCommands.h"
#include "language/MenuTexts.h"

namespace {

constexpr int kRestartProgramMessageId = 126;
constexpr int kWarningCaptionId = 108;

QAction* addCommand(QMenu* menu, int id) {
    QAction* action = menu->addAction(CLanguage::GetTemplateText(id));
    setCommandId(action, id);
    return action;
}

}  // namespace

LanguagePopupMenu::LanguagePopupMenu(const CLanguage& language) : root_(std::make_unique<QMenu>()) {
    popup_ = root_->addMenu(QString());
    languages_ = popup_->addMenu(CLanguage::GetTemplateText(kLanguagePopupMenuId * 65536));
    addCommand(popup_, kFontCommandId);
    addCommand(popup_, kAboutCommandId);

    const QString current = language.GetCurrentLanguage();
    for (int index = 0; index < language.GetLanguageCount(); ++index) {
        const QString name = language.GetLanguageName(index);
        QAction* item = languages_->addAction(name);
        setCommandId(item, kFirstLanguageCommandId + index);
        item->setCheckable(true);
        item->setChecked(name.compare(current, Qt::CaseInsensitive) == 0);
    }
    ApplyMenuTexts(language, root_.get(), kLanguagePopupMenuId);
}

bool RunLanguageCommand(CLanguage& language, int commandId, QWidget* mainWindow,
                        UserDialogs& dialogs) {
    const std::optional<int> index = languageIndexOfCommand(commandId);
    if (!index || *index >= language.GetLanguageCount()) {
        return false;
    }
    language.SelectLanguage(language.GetLanguageName(*index));
    ApplyDialogTexts(language, mainWindow, kMainWindowDialogId);
    dialogs.showMessage({.text = language.GetMessageText(kRestartProgramMessageId),
                         .caption = language.GetMessageText(kWarningCaptionId)});
    return true;
}
