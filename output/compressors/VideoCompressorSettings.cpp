#include "output/compressors/VideoCompressorSettings.h"

#include <QComboBox>
#include <QDir>

#include "base/UserDialogs.h"
#include "language/TextIds.h"

#include "language/Language.h"
#include "output/compressors/ConfigurableCompressors.h"
#include "output/compressors/CurrentCompressors.h"
#include "output/properties/ElementProperties.h"
#include "output/properties/PropertyDialog.h"

namespace {

// The output options' own button texts, so the dialog speaks the user's language.
constexpr int kOkText = 1082;
constexpr int kCancelText = 1083;
constexpr int kDefaultText = 1051;

QString buttonText(const CLanguage& language, int id) {
    const QString text = language.LookUpDialogText(id);
    return text.isEmpty() ? CLanguage::GetTemplateText(id) : text;
}

}  // namespace

bool configureVideoCompressor(QWidget* owner, const QString& selectedName,
                              QComboBox* configurableList, const CLanguage& language,
                              UserDialogs& dialogs) {
    const QList<CompressorEntry> configurable = configurableVideoCompressors();
    QStringList names;
    for (const CompressorEntry& entry : configurable) {
        names.append(entry.name);
    }
    configurableList->clear();
    configurableList->addItems(names);
    configurableList->setCurrentIndex(-1);
    const std::optional<qsizetype> match = matchConfigurableCompressor(selectedName, names);
    if (!match) {
        return false;
    }
    configurableList->setCurrentIndex(int(*match));

    const CompressorEntry& entry = configurable[*match];
    GObjectPtr<GstElement> compressor = compressorToConfigure(entry);
    if (!compressor) {
        return false;
    }
    ElementProperties properties(compressor.get());
    if (properties.isEmpty()) {
        return false;
    }
    PropertyDialog dialog(properties, entry.name, owner,
                          {.ok = buttonText(language, kOkText),
                           .cancel = buttonText(language, kCancelText),
                           .defaults = buttonText(language, kDefaultText)});
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    properties.applyTo(compressor.get());
    if (!saveCompressorPreset(compressor.get())) {
        const QString presets = QDir(QString::fromUtf8(g_get_user_data_dir()))
                                    .filePath(QStringLiteral("gstreamer-1.0/presets"));
        dialogs.showMessage({.text = language.GetMessageText(text_id::kSettingsNotKept)
                                         .arg(entry.name, QDir::toNativeSeparators(presets)),
                             .icon = MessageIcon::Warning});
    }
    return true;
}
