#include "output/settings/OutputOptions.h"

#include "base/SettingsStore.h"
#include "base/UserDialogs.h"
#include "language/Language.h"
#include "language/TextIds.h"
#include "media/Elements.h"
#include "output/compressors/CompressorFit.h"
#include "output/formats/OutputFormats.h"
#include "output/quality/QualityLevel.h"
#include "output/quality/SizeTarget.h"
#include "output/settings/OutputRules.h"
#include "output/settings/OutputSettingsStore.h"

namespace {

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

// The save dialog opens in the folder of the name the dialog opened with ("." or "/" when it
// names no other; unlike Open Video's stored folder, which keeps its trailing separator).
QString saveDialogFolder(const QString& path) {
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
    view_.rows = FormatRows::Bitrates;
    view_.formatPosition = formatListPosition(settings_.outputFormat);
    changeFormat(settings_.outputFormat);
}

void OutputOptions::fillLists() {
    for (const OutputFormat* format : outputFormats()) {
        if (format->listed) {
            view_.formats.append(
                {format->nameTextId ? language_.GetMessageText(format->nameTextId)
                                    : QString::fromLatin1(format->name),
                 format->tipTextId ? language_.GetMessageText(format->tipTextId) : QString()});
        }
    }

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
    for (int32_t level = 0; level < kQualityLevelCount; ++level) {
        view_.qualities.append(language_.GetMessageText(text_id::kQualitySmallest + level));
    }
    view_.qualityTip = language_.GetMessageText(text_id::kQualityTip);
    view_.fitInTip = language_.GetMessageText(text_id::kFitInTip);

    view_.soundTracks = {language_.GetMessageText(text_id::kSoundTracksAll),
                         language_.GetMessageText(text_id::kSoundTracksNone)};
    soundTrackChoices_ = {QStringLiteral("all"), QStringLiteral("none")};
    for (qsizetype i = 0; i < settings_.sourceSoundTracks.size(); ++i) {
        const QString number = QString::number(i + 1);
        const QString facts = settings_.sourceSoundTracks[i];
        view_.soundTracks.append(language_.GetMessageText(text_id::kSoundTrackNumber).arg(number) +
                                 (facts.isEmpty() ? QString() : QStringLiteral(": ") + facts));
        soundTrackChoices_.append(number);
    }
    if (!soundTrackChoices_.contains(settings_.soundTracks)) {
        // A choice made for another source stays offered, as it is.
        view_.soundTracks.append(
            language_.GetMessageText(text_id::kSoundTrackNumber).arg(settings_.soundTracks));
        soundTrackChoices_.append(settings_.soundTracks);
    }

    for (const CompressorEntry& entry : videoEntries_) {
        view_.videoCompressors.append({entry.name, {}});
    }
    for (const CompressorEntry& entry : audioEntries_) {
        view_.audioCompressors.append({entry.name, {}});
    }
    const QString copy = language_.GetMessageText(text_id::kCopyFromSource);
    view_.videoCompressors.append({copy, {}});
    view_.audioCompressors.append({copy, {}});
}

int32_t OutputOptions::copyPosition(CompressorKind kind) const {
    return int32_t(kind == CompressorKind::Video ? videoEntries_.size() : audioEntries_.size());
}

void OutputOptions::chooseCompressor(CompressorKind kind, int32_t position) {
    const bool video = kind == CompressorKind::Video;
    const bool copy = position == copyPosition(kind);
    (video ? copyVideo_ : copyAudio_) = copy;
    int32_t& shown = video ? view_.videoCompressorPosition : view_.audioCompressorPosition;
    shown = positionIn(video ? view_.videoCompressors : view_.audioCompressors, position);
    if (!copy) {
        (video ? currentPositions().video : currentPositions().audio) = shown;
    }
    if (video) {
        view_.copiesPictures = copy;
        if (copy) {
            showSourceFrame();
        }
    }
}

void OutputOptions::showSourceFrame() {
    view_.resolutionPosition = kResolutionOriginalPosition;
    view_.sizeBoxesShown = false;
    view_.widthText = integerText(settings_.sourceWidth);
    view_.heightText = integerText(settings_.sourceHeight);
    view_.frameRatePosition = kFrameRateOriginalPosition;
    view_.frameRateBoxShown = false;
    view_.frameRateText = QString::asprintf("%f", settings_.sourceFrameRate);
    view_.fitInText.clear();
    view_.qualityEnabled = true;
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

    shared_.video = positionIn(view_.videoCompressors,
                               initialCompressorListPosition(store, CompressorKind::Video));
    shared_.audio = positionIn(view_.audioCompressors,
                               initialCompressorListPosition(store, CompressorKind::Audio));
    for (const OutputFormat* format : outputFormats()) {
        if (format->compressors != CompressorSource::OwnChoice) {
            continue;
        }
        const auto stored = settings_.ownCompressors.find(format->value);
        const OwnCompressors choice = stored != settings_.ownCompressors.end()
                                          ? stored->second
                                          : defaultOwnCompressors(format->value);
        own_[format->value] = {listPositionOf(CompressorKind::Video, choice.video),
                               listPositionOf(CompressorKind::Audio, choice.audio)};
    }

    view_.resizeModePosition = settings_.resizeMode == OutputSettings::kPreserveAspectRatio
                                   ? kResizeModePreservePosition
                                   : 1;
    view_.videoBitrateText = integerText(videoBitrateToKbps(settings_.videoBitrate));
    view_.audioBitratePosition = audioBitrateListPosition(settings_.audioBitrate);
    view_.qualityPosition = static_cast<int32_t>(qualityLevelOf(settings_.qualityLevel));
    view_.fitInText = settings_.targetSizeBytes > 0
                          ? QString::number(double(settings_.targetSizeBytes) / 1e6, 'g', 12)
                          : QString();
    view_.qualityEnabled = view_.fitInText.trimmed().isEmpty();
    view_.soundTrackPosition = int32_t(soundTrackChoices_.indexOf(settings_.soundTracks));
    copyVideo_ = settings_.copyVideo;
    copyAudio_ = settings_.copyAudio;
    view_.copiesPictures = copyVideo_;
    if (copyVideo_) {
        showSourceFrame();
    }
}

OutputOptions::CompressorPositions& OutputOptions::currentPositions() {
    const OutputFormat* format = outputFormat(settings_.outputFormat);
    if (format && format->compressors == CompressorSource::OwnChoice) {
        return own_[format->value];
    }
    return shared_;
}

int32_t OutputOptions::listPositionOf(CompressorKind kind, const QString& factoryName) const {
    const QList<CompressorEntry>& entries =
        kind == CompressorKind::Video ? videoEntries_ : audioEntries_;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries[i].factoryName == factoryName) {
            return int32_t(i);  // the no-compression entry has no factory
        }
    }
    return -1;  // an encoder that has gone since it was chosen
}

QString OutputOptions::factoryAt(CompressorKind kind, int32_t position) const {
    const QList<CompressorEntry>& entries =
        kind == CompressorKind::Video ? videoEntries_ : audioEntries_;
    return entries.value(position).factoryName;
}

void OutputOptions::changeFormat(int32_t format) {
    const ExtensionResult named =
        applyFormatExtension(format, view_.outputName.left(kMaxOutputNameLength), dialogs_);
    if (named.accepted) {
        view_.outputName = named.path;
    }
    const OutputFormat* row = outputFormat(format);
    if (!row) {
        dialogs_.showMessage({.text = QStringLiteral("unknown error"),
                              .caption = QStringLiteral("error"),
                              .icon = MessageIcon::Error});
    } else if (row->rows != FormatRows::Unchanged) {
        view_.rows = row->rows;
    }
    const CompressorPositions& positions = currentPositions();
    view_.videoCompressorPosition =
        copyVideo_ ? copyPosition(CompressorKind::Video) : positions.video;
    view_.audioCompressorPosition =
        copyAudio_ ? copyPosition(CompressorKind::Audio) : positions.audio;
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
    // Copy is offered where the format's writer holds the source's codec (any, before a source
    // is open: Convert then says what it cannot copy).
    const OutputFormat* format = outputFormat(settings_.outputFormat);
    const auto copyTip = [&](const QString& mediaType, const QString& name) {
        if (!format || !format->writer || usesWindowsMediaProfile(format->value)) {
            return language_.GetMessageText(text_id::kCopyCodecNotHeld)
                .arg(formatName(settings_.outputFormat), name);
        }
        return mediaType.isEmpty() || factoryTakesMediaType(format->writer, mediaType)
                   ? QString()
                   : language_.GetMessageText(text_id::kCopyCodecNotHeld)
                         .arg(formatName(settings_.outputFormat), name);
    };
    view_.videoCompressors.back().unavailableTip =
        copyTip(settings_.sourceVideoFormat, settings_.sourceVideoFormat);
    view_.audioCompressors.back().unavailableTip =
        copyTip(settings_.sourceSoundFormat, settings_.sourceSoundFormat);
}

void OutputOptions::choose(OptionList list, int32_t position) {
    switch (list) {
        case OptionList::Format:
            if (const std::optional<int32_t> format = formatAtListPosition(position)) {
                view_.formatPosition = position;
                settings_.outputFormat = *format;
                changeFormat(settings_.outputFormat);
            } else {
                view_.formatPosition = -1;
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
            chooseCompressor(CompressorKind::Video, position);
            break;
        case OptionList::AudioCompressor:
            chooseCompressor(CompressorKind::Audio, position);
            break;
        case OptionList::AudioBitrate:
            view_.audioBitratePosition = positionIn(view_.audioBitrates, position);
            break;
        case OptionList::Quality:
            view_.qualityPosition = positionIn(view_.qualities, position);
            break;
        case OptionList::SoundTracks:
            view_.soundTrackPosition = positionIn(view_.soundTracks, position);
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
        case OptionText::FitIn:
            view_.fitInText = text;
            view_.qualityEnabled = text.trimmed().isEmpty();
            break;
    }
}

void OutputOptions::browse() {
    FileDialogRequest request{.title = language_.GetMessageText(text_id::kBrowseCaption),
                              .initialFolder = saveDialogFolder(record_.outputName),
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
    if (usesWindowsMediaProfile(settings_.outputFormat)) {
        view_.videoBitrateText = kDefaultVideoKbps;
        view_.audioBitratePosition = kDefaultAudioBitratePosition;
        return;
    }
    const OutputFormat* format = outputFormat(settings_.outputFormat);
    CompressorPositions& positions = currentPositions();
    if (format && format->compressors == CompressorSource::OwnChoice) {
        const OwnCompressors defaults = defaultOwnCompressors(format->value);
        positions = {listPositionOf(CompressorKind::Video, defaults.video),
                     listPositionOf(CompressorKind::Audio, defaults.audio)};
    } else {
        positions = {
            positionIn(view_.videoCompressors, preferredListPosition(CompressorKind::Video)),
            positionIn(view_.audioCompressors, preferredListPosition(CompressorKind::Audio))};
    }
    view_.videoCompressorPosition = positions.video;
    view_.audioCompressorPosition = positions.audio;
    copyVideo_ = copyAudio_ = view_.copiesPictures = false;
}

QString OutputOptions::selectedVideoCompressor() const {
    return view_.videoCompressors.value(view_.videoCompressorPosition).name;
}

bool OutputOptions::accept(SettingsStore& store) {
    const OutputDialogInput input{.format = view_.formatPosition >= 0 ? settings_.outputFormat : -1,
                                  .outputName = view_.outputName,
                                  .widthText = view_.widthText,
                                  .heightText = view_.heightText,
                                  .frameRatePosition = view_.frameRatePosition,
                                  .frameRateText = view_.frameRateText,
                                  .resizeModePosition = view_.resizeModePosition,
                                  .videoCompressorPosition = shared_.video,
                                  .audioCompressorPosition = shared_.audio,
                                  .videoBitrateText = view_.videoBitrateText,
                                  .audioBitratePosition = view_.audioBitratePosition};
    std::optional<int64_t> targetBytes = 0;
    if (!view_.fitInText.trimmed().isEmpty()) {
        // Megabytes as typed; "25MB" or "8 MiB" are taken too.
        targetBytes = parseSize(view_.fitInText);
        if (!targetBytes) {
            dialogs_.showMessage(
                {.text = language_.GetMessageText(text_id::kSizeInvalid).arg(view_.fitInText)});
            return false;
        }
    }
    OutputOkResult result = decideOutputOk(settings_, input);
    if (result.problem == OutputOkProblem::None) {
        result.decision.settings.targetSizeBytes = *targetBytes;
        if (view_.qualityPosition >= 0) {
            result.decision.settings.qualityLevel = view_.qualityPosition;
        }
        if (view_.soundTrackPosition >= 0) {
            result.decision.settings.soundTracks = soundTrackChoices_[view_.soundTrackPosition];
        }
        result.decision.settings.copyVideo = copyVideo_;
        result.decision.settings.copyAudio = copyAudio_;
    }
    // An own choice whose list has no selection keeps what it was.
    for (const auto& [format, positions] : own_) {
        OwnCompressors& chosen = result.decision.settings.ownCompressors[format];
        if (positions.video >= 0) {
            chosen.video = factoryAt(CompressorKind::Video, positions.video);
        }
        if (positions.audio >= 0) {
            chosen.audio = factoryAt(CompressorKind::Audio, positions.audio);
        }
    }
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
