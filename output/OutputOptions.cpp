#include "output/OutputOptions.h"

#include "base/SettingsStore.h"
#include "base/UserDialogs.h"
#include "language/Language.h"
#include "language/TextIds.h"
#include "output/CompressorFit.h"
#include "output/OutputFormats.h"
#include "output/OutputRules.h"
#include "output/OutputSettingsStore.h"

namespace {

const QStringList kFormatEntries = {QStringLiteral("AVI"), QStringLiteral("WMV")};
const QStringList kPresetSizeEntries = {QStringLiteral("640*480"),   QStringLiteral("720 * 576"),
                                        QStringLiteral("720 * 480"), QStringLiteral("480*576"),
                                        QStringLiteral("480*480"),   QStringLiteral("352 * 288"),
                                        QStringLiteral("352 * 240")};
const QStringList kPresetRateEntries = {QStringLiteral("23.976"), QStringLiteral("24"),
                                        QStringLiteral("25"), QStringLiteral("29.97"),
                                        QStringLiteral("30")};
const QStringList kAudioBitrateEntries = {QStringLiteral("64"), QStringLiteral("128"),
                                          QStringLiteral("192"), QStringLiteral("320")};

// The WMV bitrates Default restores: 780 Kbps of video, the list's "128" for sound.
const QString kDefaultVideoKbps = QStringLiteral("780");
constexpr int32_t kDefaultAudioBitratePosition = 1;
constexpr int32_t kResizeModePreservePosition = 0;

template <typename List>
int32_t positionIn(const List& list, int32_t position) {
    return position >= 0 && position < list.size() ? position : -1;
}

QString integerText(int32_t value) {
    return QString::asprintf("%d", value);
}

QList<CompressorEntry> compressorEntries(CompressorKind kind) {
    QList<CompressorEntry> entries = {noCompressionEntry(kind)};
    entries.append(compressorCatalogue(kind));
    return entries;
}

int32_t preferredListPosition(CompressorKind kind) {
    const std::optional<int32_t> preferred = findPreferredCompressor(kind);
    return preferred ? *preferred + 1 : 0;
}

// The save dialog opens in the folder of the name the dialog opened with.
QString folderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) {
        return QStringLiteral(".");
    }
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

}  // namespace

OutputOptions::OutputOptions(const OutputSettings& record, const SettingsStore& store,
                             const CLanguage& language, UserDialogs& dialogs)
    : record_(record),
      settings_(record),
      language_(language),
      dialogs_(dialogs),
      videoEntries_(compressorEntries(CompressorKind::Video)),
      audioEntries_(compressorEntries(CompressorKind::Audio)) {
    fillLists();
    selectInitialEntries(store);
    view_.rows = OutputRows::Bitrates;
    view_.formatPosition = positionIn(view_.formats, settings_.outputFormat);
    changeFormat(settings_.outputFormat);
}

void OutputOptions::fillLists() {
    view_.formats = kFormatEntries;

    const QString originalSize = language_.GetMessageText(text_id::kOriginalSize);
    view_.resolutions = {settings_.sourceWidth == 0 && settings_.sourceHeight == 0
                             ? originalSize
                             : QStringLiteral("%1 %2*%3")
                                   .arg(originalSize, integerText(settings_.sourceWidth),
                                        integerText(settings_.sourceHeight))};
    view_.resolutions.append(kPresetSizeEntries);
    view_.resolutions.append(language_.GetMessageText(text_id::kCustomSize));

    const QString originalRate = language_.GetMessageText(text_id::kOriginalFrameRate);
    view_.frameRates = {
        settings_.videoItemCount >= 1
            ? QStringLiteral("%1 %2").arg(originalRate,
                                          QString::asprintf("%.3f", settings_.sourceFrameRate))
            : originalRate};
    view_.frameRates.append(kPresetRateEntries);
    view_.frameRates.append(language_.GetMessageText(text_id::kCustomFrameRate));

    view_.resizeModes = {language_.GetMessageText(text_id::kPreserveAspectRatio),
                         language_.GetMessageText(text_id::kStretch)};
    view_.audioBitrates = kAudioBitrateEntries;

    for (const CompressorEntry& entry : videoEntries_) {
        view_.videoCompressors.append({entry.name, {}});
    }
    for (const CompressorEntry& entry : audioEntries_) {
        view_.audioCompressors.append({entry.name, {}});
    }
}

void OutputOptions::selectInitialEntries(const SettingsStore& store) {
    view_.outputName = settings_.outputName;
    view_.widthText = integerText(settings_.outputWidth);
    view_.heightText = integerText(settings_.outputHeight);
    view_.resolutionPosition = resolutionListPosition(settings_);
    view_.sizeBoxesShown = view_.resolutionPosition == kResolutionCustomPosition;

    view_.frameRateText = settings_.frameRateIndex != kFrameRateOriginalPosition
                              ? QString::asprintf("%.3f", settings_.frameRate)
                              : QString::asprintf("%f", kDefaultFrameRate);
    view_.frameRatePosition = positionIn(view_.frameRates, settings_.frameRateIndex);
    view_.frameRateBoxShown = settings_.frameRateIndex > 5;

    view_.videoCompressorPosition = positionIn(
        view_.videoCompressors, initialCompressorListPosition(store, CompressorKind::Video));
    view_.audioCompressorPosition = positionIn(
        view_.audioCompressors, initialCompressorListPosition(store, CompressorKind::Audio));

    view_.resizeModePosition = settings_.resizeMode == OutputSettings::kPreserveAspectRatio
                                   ? kResizeModePreservePosition
                                   : 1;
    view_.videoBitrateText = integerText(videoBitrateToKbps(settings_.videoBitrate));
    view_.audioBitratePosition = audioBitrateListPosition(settings_.audioBitrate);
}

void OutputOptions::changeFormat(int32_t format) {
    const ExtensionResult named =
        applyFormatExtension(format, view_.outputName.left(kMaxOutputNameLength), dialogs_);
    if (named.accepted) {
        view_.outputName = named.path;
    }
    switch (format) {
        case OutputSettings::kAvi:
        case OutputSettings::kMkv:
        case OutputSettings::kAsf:
            view_.rows = OutputRows::Compressors;
            break;
        case OutputSettings::kWmv:
            view_.rows = OutputRows::Bitrates;
            break;
        case OutputSettings::kPreviewWithProperties:
            break;
        default:
            dialogs_.showMessage({.text = QStringLiteral("unknown error"),
                                  .caption = QStringLiteral("error"),
                                  .icon = MessageIcon::Error});
            break;
    }
    markUnavailableCompressors();
}

void OutputOptions::markUnavailableCompressors() {
    for (qsizetype i = 0; i < videoEntries_.size(); ++i) {
        view_.videoCompressors[i].unavailableTip =
            unavailableCompressorTip(videoEntries_[i], settings_.outputFormat, language_);
    }
    for (qsizetype i = 0; i < audioEntries_.size(); ++i) {
        view_.audioCompressors[i].unavailableTip =
            unavailableCompressorTip(audioEntries_[i], settings_.outputFormat, language_);
    }
}

void OutputOptions::choose(OptionList list, int32_t position) {
    switch (list) {
        case OptionList::Format:
            view_.formatPosition = positionIn(view_.formats, position);
            if (view_.formatPosition >= 0) {
                settings_.outputFormat = view_.formatPosition;
                changeFormat(settings_.outputFormat);
            }
            break;
        case OptionList::Resolution:
            view_.resolutionPosition = positionIn(view_.resolutions, position);
            view_.sizeBoxesShown = view_.resolutionPosition == kResolutionCustomPosition;
            if (view_.resolutionPosition == kResolutionOriginalPosition) {
                view_.widthText = integerText(settings_.sourceWidth);
                view_.heightText = integerText(settings_.sourceHeight);
            } else if (view_.sizeBoxesShown) {
                view_.widthText = integerText(settings_.outputWidth);
                view_.heightText = integerText(settings_.outputHeight);
            } else if (view_.resolutionPosition > 0) {
                const FrameSize& size = kPresetFrameSizes[size_t(view_.resolutionPosition - 1)];
                view_.widthText = integerText(size.width);
                view_.heightText = integerText(size.height);
            }
            break;
        case OptionList::FrameRate:
            view_.frameRatePosition = positionIn(view_.frameRates, position);
            view_.frameRateBoxShown = view_.frameRatePosition == kFrameRateCustomPosition;
            if (view_.frameRatePosition == kFrameRateOriginalPosition) {
                view_.frameRateText = QString::asprintf("%f", settings_.sourceFrameRate);
            } else if (view_.frameRateBoxShown) {
                view_.frameRateText = QString::asprintf("%.3f", settings_.frameRate);
            } else if (std::optional<double> rate = presetFrameRate(view_.frameRatePosition)) {
                view_.frameRateText = QString::asprintf("%f", *rate);
            }
            break;
        case OptionList::ResizeMode:
            view_.resizeModePosition = positionIn(view_.resizeModes, position);
            break;
        case OptionList::VideoCompressor:
            view_.videoCompressorPosition = positionIn(view_.videoCompressors, position);
            break;
        case OptionList::AudioCompressor:
            view_.audioCompressorPosition = positionIn(view_.audioCompressors, position);
            break;
        case OptionList::AudioBitrate:
            view_.audioBitratePosition = positionIn(view_.audioBitrates, position);
            break;
    }
}

void OutputOptions::edit(OptionText box, const QString& text) {
    switch (box) {
        case OptionText::OutputName:
            view_.outputName = text;
            break;
        case OptionText::Width:
            view_.widthText = text;
            break;
        case OptionText::Height:
            view_.heightText = text;
            break;
        case OptionText::FrameRate:
            view_.frameRateText = text;
            break;
        case OptionText::VideoBitrate:
            view_.videoBitrateText = text;
            break;
    }
}

void OutputOptions::browse() {
    FileDialogRequest request{.title = language_.GetMessageText(text_id::kBrowseCaption),
                              .initialFolder = folderOf(record_.outputName),
                              .initialName = QStringLiteral("*.*"),
                              .filters = {},
                              .selectedFilter = 0};
    if (std::optional<SaveFilter> filter = saveFilterForFormat(settings_.outputFormat)) {
        request.filters = {{filter->description, filter->pattern}};
    } else {
        dialogs_.showMessage({.text = QString::fromLatin1(kUnsupportedFormatText),
                              .caption = QStringLiteral("Error"),
                              .icon = MessageIcon::Error});
    }
    const std::optional<QString> chosen = dialogs_.chooseFileToSave(request);
    if (!chosen) {
        return;
    }
    const ExtensionResult named = applyFormatExtension(settings_.outputFormat, *chosen, dialogs_);
    if (named.accepted) {
        view_.outputName = named.path;
    }
}

void OutputOptions::restoreDefaults() {
    if (settings_.outputFormat == OutputSettings::kWmv) {
        view_.videoBitrateText = kDefaultVideoKbps;
        view_.audioBitratePosition = kDefaultAudioBitratePosition;
        return;
    }
    view_.videoCompressorPosition =
        positionIn(view_.videoCompressors, preferredListPosition(CompressorKind::Video));
    view_.audioCompressorPosition =
        positionIn(view_.audioCompressors, preferredListPosition(CompressorKind::Audio));
}

QString OutputOptions::selectedVideoCompressor() const {
    return view_.videoCompressors.value(view_.videoCompressorPosition).name;
}

bool OutputOptions::accept(SettingsStore& store) {
    const OutputDialogInput input{.formatPosition = view_.formatPosition,
                                  .outputName = view_.outputName,
                                  .widthText = view_.widthText,
                                  .heightText = view_.heightText,
                                  .frameRatePosition = view_.frameRatePosition,
                                  .frameRateText = view_.frameRateText,
                                  .resizeModePosition = view_.resizeModePosition,
                                  .videoCompressorPosition = view_.videoCompressorPosition,
                                  .audioCompressorPosition = view_.audioCompressorPosition,
                                  .videoBitrateText = view_.videoBitrateText,
                                  .audioBitratePosition = view_.audioBitratePosition};
    const OutputOkResult result = decideOutputOk(settings_, input);
    switch (result.problem) {
        case OutputOkProblem::FrameRateTooSmall:
            // The typed rate is the dialog's from now on, as "Custom frame rate" shows it again.
            settings_.frameRate = parseDecimalText(view_.frameRateText);
            dialogs_.showMessage({.text = QString::fromLatin1(kFrameRateTooSmallText)});
            return false;
        case OutputOkProblem::FrameRateTooLarge:
            dialogs_.showMessage({.text = language_.GetMessageText(text_id::kFrameRateTooLarge)
                                              .arg(QString::number(kMaximumFrameRate))});
            return false;
        case OutputOkProblem::NameTooLong:
            dialogs_.showMessage({.text = language_.GetMessageText(text_id::kOutputNameTooLong)});
            return false;
        case OutputOkProblem::None:
            break;
    }
    commitOutputOk(result.decision, store, dialogs_);
    settings_ = result.decision.settings;
    return true;
}
