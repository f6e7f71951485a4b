#include "app/ReelcraftApp.h"

#include <QTimer>

#include "app/ReelcraftDlg.h"
#include "base/QtUserDialogs.h"
#include "base/SettingsStore.h"
#include "language/Language.h"

int CReelcraftApp::InitInstance(const QString& file) {
    SettingsStore store(QString::fromLatin1(kSettingsName));
    const QString languageName = store.readText(
        QStringLiteral("Option"), QStringLiteral("CurrentLanguage"), QStringLiteral("english"));
    QtUserDialogs dialogs(QStringLiteral("Quenzel"));
    CLanguage language(store, dialogs);
    // Without language files the built-in English texts stay: not an error.
    language.Init(CLanguage::FindBaseFolder(), languageName);

    CReelcraftDlg window({store, dialogs, language, dragFlag});
    dialogs.setMainWindow(&window);
    if (!file.isEmpty()) {
        QTimer::singleShot(0, &window, [&window, file] { window.openFile(file); });
    }
    // Modal to no other window: an application-modal main window would take every click and key
    // from the player window, whose menu, clicks and Escape then never arrive.
    window.setWindowModality(Qt::WindowModal);
    window.exec();
    dialogs.setMainWindow(nullptr);
    return 0;
}
