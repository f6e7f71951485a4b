#include <unistd.h>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "base/SettingsStore.h"
#include "engine/KeptTracks.h"
#include "engine/TransitionChooser.h"
#include "language/Language.h"
#include "media/MediaFramework.h"
#include "media/SourceTracks.h"
#include "output/compressors/CompressorCatalogue.h"
#include "output/compressors/CompressorFit.h"
#include "output/formats/OutputFormats.h"
#include "output/quality/SizeTarget.h"
#include "output/settings/OutputSettings.h"
#include "project/ConversionProject.h"
#include "project/ProjectDefaults.h"
#include "project/SourceOpener.h"
#include "tools/ConsoleDialogs.h"
#include "tools/ConvertCommand.h"

namespace {

// The desktop program's settings: the command line reads them and never writes them.
constexpr const char* kProgramSettingsName = "quenzel";

int printInfo(const QString& path) {
    ConsoleDialogs dialogs;
    SettingsStore store(QString::fromLatin1(kProgramSettingsName), SettingsStore::Access::ReadOnly);
    CLanguage language;
    ConversionProject project;
    project.defaults = loadProjectDefaults(store);
    OutputSettings settings;
    TransitionChooser transitions;
    transitions.setDefaults(project.defaults);
    SourceOpener opener(
        project, settings, [&](int position) { return transitions.chooseTransition(position); },
        store, dialogs, language);
    if (!opener.openSource(path)) {
        return 1;
    }
    QTextStream out(stdout);
    out << "duration: " << project.videos.front().duration / kUnitsPerSecond << '\n';
    out << "width: " << settings.sourceWidth << '\n';
    out << "height: " << settings.sourceHeight << '\n';
    out << "frame-rate: " << QString::asprintf("%.3f", settings.sourceFrameRate) << '\n';
    out << "audio-duration: " << project.audios.front().duration << '\n';
    out << "first-picture: " << project.videos.front().origin << '\n';
    return 0;
}

}  // namespace

namespace {

struct Options {
    QCommandLineOption info{
        QStringLiteral("info"),
        QStringLiteral("Open FILE as Quenzel's Open Video does and print what it takes, one "
                       "'name: value' per line: duration (whole seconds), width, height, "
                       "frame-rate (frames per second, 3 decimals), audio-duration "
                       "(100-ns units; 0 or -1 when the sound cannot be measured) and "
                       "first-picture (where the first picture lies on the file's own clock, "
                       "100-ns units: the clip's times count from there). Exit "
                       "status 1 when FILE cannot be opened; the reason is printed on "
                       "standard error."),
        QStringLiteral("FILE")};
    QCommandLineOption listCompressors{
        QStringLiteral("list-compressors"),
        QStringLiteral(
            "List the installed compressors of KIND (video or audio), one per line: the name, a "
            "TAB, and the formats it can be written into (e.g. AVI/MKV/MP4/ASF)."),
        QStringLiteral("KIND")};
    QCommandLineOption output{
        QStringList{QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("The file to write (default: the output file stored by "
                       "Quenzel's Options, with the format's extension when "
                       "--format is given)."),
        QStringLiteral("PATH")};
    QCommandLineOption start{
        QStringLiteral("start"),
        QStringLiteral("Where the part to convert begins, in seconds (decimals "
                       "allowed; default 0)."),
        QStringLiteral("SECONDS")};
    QCommandLineOption end{
        QStringLiteral("end"),
        QStringLiteral("Where the part to convert ends, in seconds (decimals "
                       "allowed; default the end of the clip, its last picture)."),
        QStringLiteral("SECONDS")};
    QCommandLineOption format{
        QStringLiteral("format"),
        QStringLiteral("The container: %1 (default: the stored one). mp4 is written with H.264 and "
                       "AAC, webm with VP9 and Opus, unless Quenzel's Options or the compressor "
                       "options choose others; both play in web browsers and on phones.")
            .arg(formatOptionNames()),
        formatOptionNames()
            .replace(QStringLiteral(", "), QStringLiteral("|"))
            .replace(QStringLiteral(" or "), QStringLiteral("|"))};
    QCommandLineOption size{
        QStringLiteral("size"),
        QStringLiteral("Picture size, e.g. 640x480 (made even, at least 16), or "
                       "original (default: the source's)."),
        QStringLiteral("WxH|original")};
    QCommandLineOption fps{QStringLiteral("fps"),
                           QStringLiteral("Frame rate, e.g. 25 or 29.97, or original (default: the "
                                          "stored one)."),
                           QStringLiteral("N|original")};
    QCommandLineOption resize{QStringLiteral("resize"),
                              QStringLiteral("keep: fit the picture with black borders (default); "
                                             "stretch: fill the frame."),
                              QStringLiteral("keep|stretch")};
    QCommandLineOption videoCompressor{
        QStringLiteral("video-compressor"),
        QStringLiteral(
            "Video compressor: a name from --list-compressors video, a unique part of "
            "one, none for uncompressed pictures (AVI and MKV only), or copy to keep the "
            "source's pictures and encode only those at the cut's edges. For MP4 and WebM "
            "it is their own choice; WMV takes its Windows Media encoder."),
        QStringLiteral("NAME|none|copy")};
    QCommandLineOption audioCompressor{
        QStringLiteral("audio-compressor"),
        QStringLiteral("Audio compressor: a name from --list-compressors audio, a unique part of "
                       "one, none for uncompressed sound (AVI and MKV only), or copy to keep the "
                       "source's sound packets. For MP4 and WebM it is their own choice; WMV "
                       "takes its Windows Media encoder."),
        QStringLiteral("NAME|none|copy")};
    QCommandLineOption videoBitrate{
        QStringLiteral("video-bitrate"),
        QStringLiteral("WMV video bitrate in Kbps (1 Kbps = 1024 bit/s)."), QStringLiteral("KBPS")};
    QCommandLineOption audioBitrate{
        QStringLiteral("audio-bitrate"),
        QStringLiteral("WMV audio bitrate in Kbps: 64, 128, 192 or 320."), QStringLiteral("KBPS")};
    QCommandLineOption quality{
        QStringLiteral("quality"),
        QStringLiteral("The quality of compressed files: smallest, small, balanced (default), high "
                       "or best. Each level sets the compressor's own constant-quality control; "
                       "WMV keeps its bitrates."),
        QStringLiteral("LEVEL")};
    QCommandLineOption targetSize{
        QStringLiteral("target-size"),
        QStringLiteral("The most the file may take, e.g. 25MB, 8MiB or 700M (1 MB = 1,000,000 "
                       "bytes, 1 MiB = 1,048,576; a number alone is megabytes; none for no "
                       "target). The bitrate is worked out from the span and the sound, in two "
                       "passes where the compressor has them, and corrected when the file comes "
                       "out larger. Wins over --quality. WMV keeps the Windows Media "
                       "bitrates and refuses a size."),
        QStringLiteral("SIZE")};
    QCommandLineOption averageBitrate{
        QStringLiteral("average-bitrate"),
        QStringLiteral("An average bitrate for the compressed pictures in kbit/s (1 kbit/s = 1000 "
                       "bit/s), in one pass, instead of --quality; --target-size wins over it."),
        QStringLiteral("KBIT")};
    QCommandLineOption tracks{
        QStringLiteral("tracks"),
        QStringLiteral("List the tracks of FILE, one per line: kind, number, codec, channels, "
                       "language and title (\"sound 2: MPEG-4 AAC, 2 channels, ger, "
                       "Kommentar\"). Exit status 1 when FILE cannot be read."),
        QStringLiteral("FILE")};
    QCommandLineOption audioTracks{
        QStringLiteral("audio-tracks"),
        QStringLiteral("The sound tracks to write: all (default), none, or their numbers as "
                       "--tracks lists them (2, or 1,3). MKV, MP4 and WebM hold every one; AVI, "
                       "WMV and ASF take the first of them and say so."),
        QStringLiteral("all|none|N[,N...]")};
    QCommandLineOption subtitles{
        QStringLiteral("subtitles"),
        QStringLiteral("Text subtitles (SRT, SSA, WebVTT, timed text, and a .srt beside the "
                       "source): keep them as subtitle tracks (default; MKV, MP4 and WebM), burn "
                       "one into the picture (for AVI, WMV and ASF, which hold none), or none. "
                       "They are moved and cut with the span."),
        QStringLiteral("keep|burn|none")};
    QCommandLineOption subtitleTrack{
        QStringLiteral("subtitle-track"),
        QStringLiteral("The one subtitle track to keep or burn, numbered as --tracks lists them "
                       "(default: every one kept, the first burnt)."),
        QStringLiteral("N")};
    QCommandLineOption replace{QStringLiteral("y"),
                               QStringLiteral("Replace an existing output file (without it, an "
                                              "existing file is left alone and nothing is done).")};
};

std::optional<double> secondsOption(const QCommandLineParser& parser,
                                    const QCommandLineOption& option, bool* ok) {
    if (!parser.isSet(option)) {
        return std::nullopt;
    }
    // Beyond a billion seconds the time in 100-ns units would overflow.
    constexpr double kLongestSeconds = 1e9;
    bool parsed = false;
    const double value = parser.value(option).toDouble(&parsed);
    if (!parsed || !(value >= 0) || !(value <= kLongestSeconds)) {
        QTextStream(stderr) << "--" << option.names().constLast()
                            << " takes seconds (0 or more), not \"" << parser.value(option)
                            << "\".\n";
        *ok = false;
        return std::nullopt;
    }
    return value;
}

std::optional<QString> textOption(const QCommandLineParser& parser,
                                  const QCommandLineOption& option) {
    return parser.isSet(option) ? std::optional<QString>(parser.value(option)) : std::nullopt;
}

bool readConvertOptions(const QCommandLineParser& parser, const Options& known,
                        ConvertOptions* options) {
    bool ok = true;
    QTextStream errors(stderr);
    options->input = parser.positionalArguments().constFirst();
    options->output = parser.value(known.output);
    options->startSeconds = secondsOption(parser, known.start, &ok);
    options->endSeconds = secondsOption(parser, known.end, &ok);
    if (parser.isSet(known.format)) {
        options->format = formatByOptionName(parser.value(known.format));
        if (!options->format) {
            errors << "--format takes " << formatOptionNames() << ".\n";
            ok = false;
        }
    }
    options->size = textOption(parser, known.size);
    options->fps = textOption(parser, known.fps);
    options->resize = textOption(parser, known.resize);
    if (options->resize && *options->resize != "keep" && *options->resize != "stretch") {
        errors << "--resize takes keep or stretch.\n";
        ok = false;
    }
    options->videoCompressor = textOption(parser, known.videoCompressor);
    options->audioCompressor = textOption(parser, known.audioCompressor);
    if (parser.isSet(known.videoBitrate)) {
        bool parsed = false;
        options->videoBitrateKbps = parser.value(known.videoBitrate).toInt(&parsed);
        if (!parsed || *options->videoBitrateKbps <= 0) {
            errors << "--video-bitrate takes a number of Kbps above 0.\n";
            ok = false;
        }
    }
    if (parser.isSet(known.audioBitrate)) {
        const int kbps = parser.value(known.audioBitrate).toInt();
        if (kbps != 64 && kbps != 128 && kbps != 192 && kbps != 320) {
            errors << "--audio-bitrate takes 64, 128, 192 or 320.\n";
            ok = false;
        }
        options->audioBitrateKbps = kbps;
    }
    if (parser.isSet(known.quality)) {
        const QStringList levels = {"smallest", "small", "balanced", "high", "best"};
        const int level = levels.indexOf(parser.value(known.quality).toLower());
        if (level < 0) {
            errors << "--quality takes smallest, small, balanced, high or best.\n";
            ok = false;
        }
        options->quality = level;
    }
    if (parser.isSet(known.targetSize)) {
        const QString size = parser.value(known.targetSize);
        options->targetBytes = size.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0
                                   ? std::optional<int64_t>(0)
                                   : parseSize(size);
        if (!options->targetBytes) {
            errors << "--target-size takes a size such as 25MB, 8MiB or 700M, or none; not \""
                   << size << "\".\n";
            ok = false;
        }
    }
    if (parser.isSet(known.averageBitrate)) {
        bool parsed = false;
        const double kilobits = parser.value(known.averageBitrate).toDouble(&parsed);
        if (!parsed || !(kilobits > 0) || kilobits > 1e6) {
            errors << "--average-bitrate takes a number of kbit/s above 0.\n";
            ok = false;
        }
        options->averageBitrate = int64_t(kilobits * 1000);
    }
    if (parser.isSet(known.audioTracks)) {
        options->soundTracks = parser.value(known.audioTracks);
        if (!parseSoundTrackChoice(*options->soundTracks)) {
            errors << "--audio-tracks takes all, none or track numbers such as 2 or 1,3.\n";
            ok = false;
        }
    }
    if (parser.isSet(known.subtitles)) {
        options->subtitles = parser.value(known.subtitles).toLower();
        if (!QStringList{"keep", "burn", "none"}.contains(*options->subtitles)) {
            errors << "--subtitles takes keep, burn or none.\n";
            ok = false;
        }
    }
    if (parser.isSet(known.subtitleTrack)) {
        bool parsed = false;
        options->subtitleTrack = parser.value(known.subtitleTrack).toInt(&parsed);
        if (!parsed || *options->subtitleTrack < 1) {
            errors << "--subtitle-track takes a track number from 1.\n";
            ok = false;
        }
    }
    options->replaceExisting = parser.isSet(known.replace);
    options->showProgress = isatty(STDERR_FILENO);
    return ok;
}

int printTracks(const QString& path) {
    QString errorText;
    const std::optional<SourceContents> contents = readSourceContents(path, &errorText);
    if (!contents) {
        QTextStream(stderr) << path << ": " << errorText << '\n';
        return 1;
    }
    QTextStream out(stdout);
    for (const SourceTrack& track : contents->tracks) {
        out << describeTrack(track) << '\n';
    }
    return 0;
}

int printCompressors(const QString& kindName) {
    const QString kind = kindName.toLower();
    if (kind != "video" && kind != "audio") {
        QTextStream(stderr) << "--list-compressors takes video or audio.\n";
        return 2;
    }
    QTextStream out(stdout);
    for (const CompressorEntry& entry :
         compressorCatalogue(kind == "video" ? CompressorKind::Video : CompressorKind::Audio)) {
        out << entry.name << "\t" << workingFormatNames(entry) << '\n';
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quenzel-convert"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Converts a video file the way Quenzel does, from the command line:\n"
        "  quenzel-convert [options] INPUT\n"
        "opens INPUT as Open Video does, applies the options to Quenzel's stored output settings "
        "(never changing them) and writes the file. Questions Quenzel would ask are answered with "
        "their default and printed. Exit status 0 only when the file was written completely."));
    parser.addHelpOption();
    const Options known;
    for (const QCommandLineOption& option : {known.info,
                                             known.listCompressors,
                                             known.output,
                                             known.start,
                                             known.end,
                                             known.format,
                                             known.size,
                                             known.fps,
                                             known.resize,
                                             known.videoCompressor,
                                             known.audioCompressor,
                                             known.videoBitrate,
                                             known.audioBitrate,
                                             known.quality,
                                             known.targetSize,
                                             known.averageBitrate,
                                             known.tracks,
                                             known.audioTracks,
                                             known.subtitles,
                                             known.subtitleTrack,
                                             known.replace}) {
        parser.addOption(option);
    }
    parser.addPositionalArgument(QStringLiteral("INPUT"), QStringLiteral("The video to convert."));
    // Usage errors exit with 2, so scripts can tell them from a failed conversion.
    if (!parser.parse(QCoreApplication::arguments())) {
        QTextStream(stderr) << parser.errorText() << '\n';
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        parser.showHelp(0);
    }

    QString startError;
    if (failed(initMediaFramework(&startError))) {
        QTextStream(stderr) << "GStreamer could not start: " << startError << '\n';
        return 1;
    }
    if (parser.isSet(known.info)) {
        return printInfo(parser.value(known.info));
    }
    if (parser.isSet(known.tracks)) {
        return printTracks(parser.value(known.tracks));
    }
    if (parser.isSet(known.listCompressors)) {
        return printCompressors(parser.value(known.listCompressors));
    }
    if (parser.positionalArguments().size() != 1) {
        parser.showHelp(2);
    }
    ConvertOptions options;
    if (!readConvertOptions(parser, known, &options)) {
        return 2;
    }
    return runConversion(options);
}
