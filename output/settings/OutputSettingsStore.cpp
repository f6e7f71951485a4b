#include "output/settings/OutputSettingsStore.h"

#include <QRegularExpression>

#include "language/Language.h"
#include "language/TextIds.h"
#include "media/Elements.h"
#include "output/compressors/CurrentCompressors.h"
#include "output/formats/OutputFormats.h"
#include "output/quality/SizeTarget.h"
#include "output/settings/DefaultOutputName.h"

namespace {

const QString kSettings = QStringLiteral("Settings");

constexpr int32_t kCompressorNotChosen = -2;
constexpr int32_t kNoCompressor = -1;

QString compressorSection(CompressorKind kind) {
    return kind == CompressorKind::Video ? QStringLiteral("DexVideoCompress")
                                         : QStringLiteral("DexAudioCompress");
}

int32_t& useFlag(OutputSettings& settings, CompressorKind kind) {
    return kind == CompressorKind::Video ? settings.useVideoCompressor
                                         : settings.useAudioCompressor;
}

void storeCompressorChoice(CompressorKind kind, int32_t number, SettingsStore& store,
                           UserDialogs& dialogs) {
    store.writeInt(compressorSection(kind), QStringLiteral("CompressorNumber"), number);
    if (number >= 0) {
        bindCompressor(kind, number, dialogs);
    }
}

const QString kVideoChoice = QStringLiteral("VideoCompressor");
const QString kAudioChoice = QStringLiteral("AudioCompressor");
// Stored for a choice of no compression; no encoder is called so.
const QString kNoCompressorName = QStringLiteral("none");

// The first installed encoder of a format's defaults; empty when none is installed.
QString firstInstalled(const std::array<const char*, 3>& factories) {
    for (const char* factory : factories) {
        if (factory && elementInstalled(factory)) {
            return QString::fromLatin1(factory);
        }
    }
    return {};
}

QString readOwnChoice(const SettingsStore& store, const QString& section, const QString& name,
                      const std::array<const char*, 3>& defaults) {
    const QString stored = store.readText(section, name, QString());
    if (stored.isEmpty()) {
        return firstInstalled(defaults);
    }
    return stored == kNoCompressorName ? QString() : stored;
}

}  // namespace

OwnCompressors defaultOwnCompressors(int32_t format) {
    const OutputFormat* row = outputFormat(format);
    if (!row || row->compressors != CompressorSource::OwnChoice) {
        return {};
    }
    return {firstInstalled(row->defaultVideo), firstInstalled(row->defaultAudio)};
}

void loadOwnCompressors(const SettingsStore& store, OutputSettings& settings) {
    settings.ownCompressors.clear();
    for (const OutputFormat* row : outputFormats()) {
        if (row->compressors != CompressorSource::OwnChoice) {
            continue;
        }
        const QString section = QString::fromLatin1(row->ownSection);
        settings.ownCompressors[row->value] = {
            readOwnChoice(store, section, kVideoChoice, row->defaultVideo),
            readOwnChoice(store, section, kAudioChoice, row->defaultAudio)};
    }
}

void storeOwnCompressors(const OutputSettings& settings, SettingsStore& store) {
    for (const auto& [format, choice] : settings.ownCompressors) {
        const OutputFormat* row = outputFormat(format);
        if (!row || !row->ownSection) {
            continue;
        }
        const QString section = QString::fromLatin1(row->ownSection);
        store.writeText(section, kVideoChoice,
                        choice.video.isEmpty() ? kNoCompressorName : choice.video);
        store.writeText(section, kAudioChoice,
                        choice.audio.isEmpty() ? kNoCompressorName : choice.audio);
    }
}

void loadQualityChoice(const SettingsStore& store, OutputSettings& settings) {
    settings.qualityLevel = static_cast<int32_t>(qualityLevelOf(store.readInt(
        kSettings, QStringLiteral("QualityLevel"), static_cast<int32_t>(kDefaultQualityLevel))));
    // A damaged size reads as none.
    settings.targetSizeBytes =
        parseSize(store.readText(kSettings, QStringLiteral("FitInMegabytes"), QString()))
            .value_or(0);
}

// "all", "none" or track numbers; anything else (a hand-edited file) reads as every track.
void loadSoundTrackChoice(const SettingsStore& store, OutputSettings& settings) {
    static const QRegularExpression numbers(QStringLiteral("^[1-9][0-9]{0,2}(,[1-9][0-9]{0,2})*$"));
    const QString stored =
        store.readText(kSettings, QStringLiteral("SoundTracks"), QStringLiteral("all")).trimmed();
    settings.soundTracks = stored == QLatin1String("none") || numbers.match(stored).hasMatch()
                               ? stored
                               : QStringLiteral("all");
}

void storeQualityChoice(const OutputSettings& settings, SettingsStore& store) {
    store.writeInt(kSettings, QStringLiteral("QualityLevel"), settings.qualityLevel);
    store.writeText(kSettings, QStringLiteral("FitInMegabytes"),
                    settings.targetSizeBytes > 0
                        ? QString::number(double(settings.targetSizeBytes) / 1e6, 'g', 12)
                        : QString());
}

void loadOutputFormat(const SettingsStore& store, OutputSettings& settings) {
    settings.outputFormat = store.readInt(kSettings, QStringLiteral("nOuptputFormat"), 0);
}

int32_t storedCompressorNumber(const SettingsStore& store, CompressorKind kind) {
    return store.readInt(compressorSection(kind), QStringLiteral("CompressorNumber"),
                         kCompressorNotChosen);
}

void loadCompressorChoice(CompressorKind kind, const SettingsStore& store, OutputSettings& settings,
                          UserDialogs& dialogs) {
    const int32_t number = storedCompressorNumber(store, kind);
    if (number == kCompressorNotChosen) {
        if (std::optional<int32_t> preferred = findPreferredCompressor(kind)) {
            bindCompressor(kind, *preferred, dialogs);
        } else {
            useFlag(settings, kind) = 0;
        }
    } else if (number == kNoCompressor) {
        useFlag(settings, kind) = 0;
    } else {
        // An entry that has gone since leaves nothing bound; the flag stays as chosen.
        useFlag(settings, kind) = 1;
        bindCompressor(kind, number, dialogs);
    }
}

void loadCompressorChoices(const SettingsStore& store, OutputSettings& settings,
                           UserDialogs& dialogs) {
    loadCompressorChoice(CompressorKind::Video, store, settings, dialogs);
    loadCompressorChoice(CompressorKind::Audio, store, settings, dialogs);
}

void loadOutputNameAndSize(const SettingsStore& store, OutputSettings& settings,
                           UserDialogs& dialogs, const CLanguage* language) {
    QString name = store.readText(kSettings, QStringLiteral("OutputName"), QString());
    if (name.size() > kMaxOutputNameLength) {
        dialogs.inform(language ? language->GetMessageText(text_id::kOutputNameTooLong)
                                : QString::fromLatin1(kOutputNameTooLongText));
        name.clear();
    }
    if (name.isEmpty()) {
        name = defaultOutputName(dialogs);
    }
    const ExtensionResult named = applyFormatExtension(settings.outputFormat, name, dialogs);
    if (named.accepted) {
        settings.outputName = named.path;
    }
    settings.outputWidth = store.readInt(kSettings, QStringLiteral("OutputWidth"), 0);
    settings.outputHeight = store.readInt(kSettings, QStringLiteral("OutputHigh"), 0);
}

void loadFrameRateAndBitrates(const SettingsStore& store, OutputSettings& settings) {
    const int32_t index = store.readInt(kSettings, QStringLiteral("OutputFrameRateIndex"), 1);
    std::optional<double> rate = presetFrameRate(index);
    if (index == kFrameRateOriginalPosition) {
        // The main window puts the source's rate here when it opens a source.
        rate = kDefaultFrameRate;
    } else if (index == kFrameRateCustomPosition) {
        const double typed = parseDecimalText(
            store.readText(kSettings, QStringLiteral("OutputFrameRate"), QStringLiteral("23.976")));
        // A damaged custom rate would later divide by zero or overflow; it counts as no valid
        // choice.
        if (typed >= kMinimumFrameRate && typed <= kMaximumFrameRate) {
            rate = typed;
        }
    }
    settings.frameRateIndex = rate ? index : 1;
    settings.frameRate = rate.value_or(kDefaultFrameRate);
    settings.videoBitrate = store.readInt(kSettings, QStringLiteral("n_video_bitrate"), 798720);
    settings.audioBitrate = store.readInt(kSettings, QStringLiteral("n_audio_bitrate"), 128000);
    settings.useFileProfile = store.readInt(kSettings, QStringLiteral("b_file_profile"), 0);
}

void loadOutputSettings(const SettingsStore& store, OutputSettings& settings, UserDialogs& dialogs,
                        const CLanguage* language) {
    loadOutputFormat(store, settings);
    loadCompressorChoices(store, settings, dialogs);
    loadOwnCompressors(store, settings);
    loadOutputNameAndSize(store, settings, dialogs, language);
    loadFrameRateAndBitrates(store, settings);
    loadQualityChoice(store, settings);
    loadSoundTrackChoice(store, settings);
    settings.copyVideo = store.readInt(kSettings, QStringLiteral("CopyVideo"), 0) == 1;
    settings.copyAudio = store.readInt(kSettings, QStringLiteral("CopyAudio"), 0) == 1;
}

int32_t initialCompressorListPosition(const SettingsStore& store, CompressorKind kind) {
    const int32_t number = storedCompressorNumber(store, kind);
    if (number != kCompressorNotChosen) {
        return number + 1;
    }
    const std::optional<int32_t> preferred = findPreferredCompressor(kind);
    return preferred ? *preferred + 1 : 0;
}

void commitOutputOk(const OutputOkDecision& decision, SettingsStore& store, UserDialogs& dialogs) {
    const OutputSettings& settings = decision.settings;
    store.writeInt(kSettings, QStringLiteral("OutputFrameRateIndex"), settings.frameRateIndex);
    store.writeText(kSettings, QStringLiteral("OutputFrameRate"), decision.storedFrameRateText);
    store.writeText(kSettings, QStringLiteral("OutputName"), settings.outputName);
    store.writeInt(kSettings, QStringLiteral("OutputWidth"), settings.outputWidth);
    store.writeInt(kSettings, QStringLiteral("OutputHigh"), settings.outputHeight);
    if (decision.videoCompressorNumber) {
        storeCompressorChoice(CompressorKind::Video, *decision.videoCompressorNumber, store,
                              dialogs);
    }
    if (decision.audioCompressorNumber) {
        storeCompressorChoice(CompressorKind::Audio, *decision.audioCompressorNumber, store,
                              dialogs);
    }
    storeOwnCompressors(settings, store);
    storeQualityChoice(settings, store);
    store.writeText(kSettings, QStringLiteral("SoundTracks"), settings.soundTracks);
    store.writeInt(kSettings, QStringLiteral("CopyVideo"), settings.copyVideo ? 1 : 0);
    store.writeInt(kSettings, QStringLiteral("CopyAudio"), settings.copyAudio ? 1 : 0);
    store.writeInt(kSettings, QStringLiteral("n_video_bitrate"), settings.videoBitrate);
    store.writeInt(kSettings, QStringLiteral("n_audio_bitrate"), settings.audioBitrate);
    store.writeInt(kSettings, QStringLiteral("nOuptputFormat"), settings.outputFormat);
}
