#include "language/MenuTexts.h"

#include <QMenu>
#include <QSet>
#include <limits>

#include "base/ControlId.h"
#include "language/Language.h"

namespace {

class SubmenuRetitler {
  public:
    SubmenuRetitler(const CLanguage& language, int menuId)
        : language_(language), counter_(qint64(menuId) * 65536) {}

    void retitleItemsOf(QMenu* submenu) {
        // A menu may not hold itself, but nothing stops a program from trying.
        if (visited_.contains(submenu)) {
            return;
        }
        visited_.insert(submenu);
        for (QAction* item : submenu->actions()) {
            if (item->isSeparator()) {
                continue;
            }
            if (QMenu* inner = QMenu::menuInAction(item)) {
                const QString text = textOfSubmenu(counter_++);
                retitle(item, text);
                retitleItemsOf(inner);
            } else if (const int id = commandId(item); id != 0) {
                retitle(item, language_.LookUpMenuText(id));
            }
        }
    }

  private:
    QString textOfSubmenu(qint64 counter) const {
        const bool fits = counter >= std::numeric_limits<int>::min() &&
                          counter <= std::numeric_limits<int>::max();
        return fits ? language_.LookUpMenuText(int(counter)) : QString();
    }

    static void retitle(QAction* item, const QString& text) {
        if (!text.isEmpty()) {
            item->setText(text);
        }
    }

    const CLanguage& language_;
    qint64 counter_;
    QSet<const QMenu*> visited_;
};

}  // namespace

bool ApplyMenuTexts(const CLanguage& language, QMenu* menu, int menuId) {
    if (language.GetLanguageCount() == 0) {
        return false;
    }
    SubmenuRetitler retitler(language, menuId);
    for (QAction* item : menu->actions()) {
        if (QMenu* submenu = QMenu::menuInAction(item)) {
            retitler.retitleItemsOf(submenu);
        }
    }
    return true;
}
