#include "project/ProjectDefaults.h"

#include "base/SettingsStore.h"

ProjectDefaults loadProjectDefaults(const SettingsStore& settings) {
    const QString section = QStringLiteral("TransitionSettings");
    ProjectDefaults defaults;
    // Kept as stored: the transition choice treats an unknown mode like the others would.
    defaults.transitionMode =
        static_cast<TransitionMode>(settings.readInt(section, QStringLiteral("TransitionType"), 0));
    defaults.chosenTransition = settings.readInt(section, QStringLiteral("TransitionName"), 0);
    return defaults;
}
