#include "tools/ConvertCommand.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>
#include <QTimer>
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>

#include "base/SettingsStore.h"
#include "engine/ConversionJob.h"
#include "engine/KeptTracks.h"
#include "engine/TransitionChooser.h"
#include "language/Language.h"
#include "language/TextIds.h"
#include "media/SourceTracks.h"
#include "output/compressors/CompressorCatalogue.h"
#include "output/compressors/CurrentCompressors.h"
#include "output/formats/OutputFormats.h"
#include "output/settings/OutputRules.h"
#include "output/settings/OutputSettings.h"
#include "output/settings/OutputSettingsStore.h"
#include "project/Clock.h"
#include "project/ConversionProject.h"
#include "project/ProjectDefaults.h"
#include "project/SourceOpener.h"
#include "tools/ConsoleDialogs.h"

namespace {

constexpr const char* kProgramSettingsName = "quenzel";
constexpr int kCustomFrameRatePosition = 6;
constexpr int kProgressPeriodMs = 500;

std::atomic<bool> interrupted{false};

void onInterrupt(int) {
    interrupted = true;
}

QTextStream& errors() {
    static QTextStream stream(stderr);
    return stream;
}

int64_t toUnits(double seconds) {
    return static_cast<int64_t>(std::llround(seconds * kUnitsPerSecond));
}

// The catalogue position of a compressor named fully or by a unique part of its name.
std::optional<int32_t> findCompressor(CompressorKind kind, const QString& wanted,
                                      QString* problem) {
    const QList<CompressorEntry> entries = compressorCatalogue(kind);
    std::optional<int32_t> match;
    QStringList candidates;
    for (int32_t position = 0; position < entries.size(); ++position) {
        const CompressorEntry& entry = entries[position];
        if (entry.name.compare(wanted, Qt::CaseInsensitive) == 0 ||
            entry.factoryName.compare(wanted, Qt::CaseInsensitive) == 0) {
            return position;
        }
        if (entry.name.contains(wanted, Qt::CaseInsensitive)) {
            match = position;
            candidates.append(entry.name);
        }
    }
    if (candidates.size() == 1) {
        return match;
    }
    *problem =
        candidates.isEmpty()
            ? QStringLiteral("No compressor matches \"%1\" (see --list-compressors).").arg(wanted)
            : QStringLiteral("\"%1\" matches several compressors: %2.")
                  .arg(wanted, candidates.join(QStringLiteral("; ")));
    return std::nullopt;
}

bool applyCompressor(CompressorKind kind, const std::optional<QString>& choice,
                     OutputSettings& settings, UserDialogs& dialogs) {
    if (!choice) {
        return true;
    }
    if (choice->compare(QLatin1String("copy"), Qt::CaseInsensitive) == 0) {
        bool& copy = kind == CompressorKind::Video ? settings.copyVideo : settings.copyAudio;
        copy = true;
        return true;
    }
    (kind == CompressorKind::Video ? settings.copyVideo : settings.copyAudio) = false;
    const bool none = choice->compare(QLatin1String("none"), Qt::CaseInsensitive) == 0;
    std::optional<int32_t> position;
    if (!none) {
        QString problem;
        position = findCompressor(kind, *choice, &problem);
        if (!position) {
            errors() << problem << '\n';
            return false;
        }
    }
    const OutputFormat* format = outputFormat(settings.outputFormat);
    if (format && format->compressors == CompressorSource::OwnChoice) {
        OwnCompressors& own = settings.ownCompressors[format->value];
        QString& factory = kind == CompressorKind::Video ? own.video : own.audio;
        factory = none ? QString() : compressorCatalogue(kind)[*position].factoryName;
        return true;
    }
    int32_t& useFlag =
        kind == CompressorKind::Video ? settings.useVideoCompressor : settings.useAudioCompressor;
    if (none) {
        useFlag = 0;
        return true;
    }
    useFlag = bindCompressor(kind, *position, dialogs) ? 1 : 0;
    return useFlag == 1;
}

bool applySize(const QString& size, OutputSettings& settings) {
    if (size.compare(QLatin1String("original"), Qt::CaseInsensitive) == 0) {
        settings.outputWidth = settings.sourceWidth;
        settings.outputHeight = settings.sourceHeight;
        return true;
    }
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,5})[xX*](\\d{1,5})$"));
    const QRegularExpressionMatch match = pattern.match(size.trimmed());
    if (!match.hasMatch()) {
        errors() << "--size takes WIDTHxHEIGHT or original, not \"" << size << "\".\n";
        return false;
    }
    settings.outputWidth = evenFrameDimension(match.captured(1).toInt());
    settings.outputHeight = evenFrameDimension(match.captured(2).toInt());
    return true;
}

bool applyFrameRate(const QString& fps, OutputSettings& settings) {
    if (fps.compare(QLatin1String("original"), Qt::CaseInsensitive) == 0) {
        settings.frameRateIndex = 0;
        settings.frameRate = settings.sourceFrameRate;
        return true;
    }
    bool ok = false;
    const double rate = fps.toDouble(&ok);
    if (!ok || !(rate > 0) || rate > 1000) {
        errors() << "--fps takes a frame rate above 0 or original, not \"" << fps << "\".\n";
        return false;
    }
    settings.frameRateIndex = kCustomFrameRatePosition;
    settings.frameRate = rate;
    return true;
}

// The first number of the sound track choice that the source has no track for, or 0.
int missingSoundTrack(const ConversionProject& project, const OutputSettings& settings) {
    const std::optional<SoundTrackChoice> choice = parseSoundTrackChoice(settings.soundTracks);
    const auto contents =
        project.audios.empty() ? std::nullopt : readSourceContents(project.audios.front().path);
    return choice && contents ? keptSoundTracks(contents->tracks, *choice, true).missingNumber : 0;
}

// The subtitle track number that the source has no track for, or 0.
int missingSubtitleTrack(const ConversionProject& project, const OutputSettings& settings) {
    const auto contents =
        project.videos.empty() ? std::nullopt : readSourceContents(project.videos.front().path);
    return contents
               ? keptSubtitleTracks(contents->tracks, settings.subtitles, settings.subtitleTrack,
                                    [](const QString&) { return true; })
                     .missingNumber
               : 0;
}

bool applyOptions(const ConvertOptions& options, ConversionProject& project,
                  OutputSettings& settings, UserDialogs& dialogs, const CLanguage& language) {
    if (options.startSeconds) {
        project.startTime = toUnits(*options.startSeconds);
    }
    if (options.endSeconds) {
        project.endTime = toUnits(*options.endSeconds);
    }
    if (project.endTime <= project.startTime) {
        errors() << "The end (" << formatClock(project.endTime) << ") must lie after the start ("
                 << formatClock(project.startTime) << ").\n";
        return false;
    }
    if (options.format) {
        settings.outputFormat = *options.format;
    }
    if (!options.output.isEmpty()) {
        settings.outputName = options.output;
    } else if (options.format) {
        const ExtensionResult named =
            applyFormatExtension(settings.outputFormat, settings.outputName, dialogs);
        if (!named.accepted) {
            return false;
        }
        settings.outputName = named.path;
    }
    if (options.size && !applySize(*options.size, settings)) {
        return false;
    }
    if (options.fps && !applyFrameRate(*options.fps, settings)) {
        return false;
    }
    if (options.resize) {
        settings.resizeMode = *options.resize == QLatin1String("stretch")
                                  ? OutputSettings::kStretch
                                  : OutputSettings::kPreserveAspectRatio;
    }
    if (options.videoBitrateKbps) {
        settings.videoBitrate = videoBitrateFromKbps(*options.videoBitrateKbps);
    }
    if (options.audioBitrateKbps) {
        settings.audioBitrate = *options.audioBitrateKbps * 1000;
    }
    if (options.quality) {
        settings.qualityLevel = *options.quality;
    }
    settings.averageVideoBitrate = options.averageBitrate;
    if (options.soundTracks) {
        settings.soundTracks = *options.soundTracks;
        if (const int missing = missingSoundTrack(project, settings)) {
            errors() << options.input << " has no sound track " << missing
                     << " (--tracks lists them).\n";
            return false;
        }
    }
    if (options.subtitles) {
        settings.subtitles = *options.subtitles;
    }
    if (options.subtitleTrack) {
        settings.subtitleTrack = *options.subtitleTrack;
        if (const int missing = missingSubtitleTrack(project, settings)) {
            errors() << options.input << " has no subtitle track " << missing
                     << " (--tracks lists them).\n";
            return false;
        }
    }
    if (options.targetBytes) {
        settings.targetSizeBytes = *options.targetBytes;
    }
    if (!applyCompressor(CompressorKind::Video, options.videoCompressor, settings, dialogs) ||
        !applyCompressor(CompressorKind::Audio, options.audioCompressor, settings, dialogs)) {
        return false;
    }
    if (settings.copyVideo) {
        if (options.quality) {
            errors() << "--quality sets a compressor; --video-compressor copy keeps the source's "
                        "pictures as they are.\n";
            return false;
        }
        // Copied pictures keep their size and rate: asking for others is refused.
        const bool ownSize = settings.outputWidth == settings.sourceWidth &&
                             settings.outputHeight == settings.sourceHeight;
        const bool ownRate = settings.frameRateIndex == 0 ||
                             std::abs(settings.frameRate - settings.sourceFrameRate) < 0.001;
        if ((options.size && !ownSize) || (options.fps && !ownRate) || options.resize) {
            errors() << language.GetMessageText(text_id::kCopyKeepsPictures) << '\n';
            return false;
        }
        applySize(QStringLiteral("original"), settings);
        applyFrameRate(QStringLiteral("original"), settings);
    }
    return true;
}

class ProgressPrinter {
  public:
    explicit ProgressPrinter(const ConversionJob& job) : job_(job) {}

    void print() {
        const int64_t span = job_.progressSpan();
        const int64_t written = std::min(job_.progressTime(), span);
        const double fraction = span > 0 ? double(written) / double(span) : 0.0;
        const double elapsed = clock_.elapsed() / 1000.0;
        QString remaining = QStringLiteral("--:--:--");
        if (fraction > 0.01) {
            const double left = elapsed / fraction - elapsed;
            remaining = formatClock(static_cast<int64_t>(left * kUnitsPerSecond));
        }
        const QString pass = job_.passText();
        errors() << QString::asprintf(
            "\r%5.1f%%  elapsed %s  left %s%s ", fraction * 100.0,
            qPrintable(formatClock(static_cast<int64_t>(elapsed * kUnitsPerSecond))),
            qPrintable(remaining), qPrintable(pass.isEmpty() ? QString() : "  " + pass));
        errors().flush();
    }
    void start() { clock_.start(); }

  private:
    const ConversionJob& job_;
    QElapsedTimer clock_;
};

}  // namespace

int runConversion(const ConvertOptions& options) {
    ConsoleDialogs dialogs;
    SettingsStore store(QString::fromLatin1(kProgramSettingsName), SettingsStore::Access::ReadOnly);
    CLanguage language;
    OutputSettings settings;
    loadOutputSettings(store, settings, dialogs);
    ConversionProject project;
    project.defaults = loadProjectDefaults(store);
    TransitionChooser transitions;
    transitions.setDefaults(project.defaults);
    SourceOpener opener(
        project, settings, [&](int position) { return transitions.chooseTransition(position); },
        store, dialogs, language);
    if (!opener.openSource(options.input)) {
        return 1;
    }
    if (!applyOptions(options, project, settings, dialogs, language)) {
        return 2;
    }
    if (QFile::exists(settings.outputName) && !options.replaceExisting) {
        errors() << settings.outputName << " exists; give -y to replace it.\n";
        return 1;
    }

    ConversionJob job(project, settings, dialogs, language);
    ProgressPrinter progress(job);
    QTimer ticker;
    ticker.setInterval(kProgressPeriodMs);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (interrupted.exchange(false) && !job.isFinishing()) {
            job.finishConversion();
            return;
        }
        if (options.showProgress && !job.isFinishing()) {
            progress.print();
        }
    });
    QObject::connect(&job, &ConversionJob::finishingStarted, [&] {
        errors() << (options.showProgress ? "\n" : "")
                 << language.GetMessageText(text_id::kFinishingFile)
                        .arg(formatClock(int64_t(job.elapsedSeconds()) * kUnitsPerSecond))
                 << '\n';
        errors().flush();
    });
    QObject::connect(&job, &ConversionJob::passStarted, [&](const QString& pass) {
        errors() << (options.showProgress ? "\n" : "") << pass << '\n';
        errors().flush();
    });
    QObject::connect(&job, &ConversionJob::finished, [&](ConversionJob::Outcome) {
        ticker.stop();
        QCoreApplication::exit(0);
    });
    QObject::connect(&job, &ConversionJob::statusLineChanged, [&](const QString& line) {
        if (!job.isConverting()) {
            errors() << (options.showProgress ? "\n" : "") << line << '\n';
        }
    });

    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    job.startConversion();
    if (!job.isConverting()) {
        releaseCompressors();
        return 1;
    }
    progress.start();
    ticker.start();
    QCoreApplication::exec();
    releaseCompressors();
    if (job.lastOutcome() == ConversionJob::Outcome::Stopped) {
        // The file holds what was converted, but not the whole span.
        errors() << language.GetMessageText(text_id::kStoppedShort)
                        .arg(formatClock(job.convertedSpan()), formatClock(job.spanTime()))
                 << '\n';
    }
    return job.lastOutcome() == ConversionJob::Outcome::Completed ? 0 : 1;
}
