#include "output/formats/OutputFormats.h"

#include "language/TextIds.h"
#include "output/settings/OutputSettings.h"

const char* const kUnsupportedFormatText = "Does not support the video format";

namespace {

constexpr const char* kWriterFailure =
    "Error pBuilder->SetOutputFileName(&guid, Filename, &pMux, &pWriter )";
constexpr const char* kMatroskaHelpPage =
    "https://gstreamer.freedesktop.org/documentation/matroska/matroskamux.html";
constexpr const char* kAsfMultiplexerSearchPage = "https://duckduckgo.com/?q=ASF+Multiplexer";

// In list order: the listed formats first.
constexpr OutputFormat kFormats[] = {
    {.value = OutputSettings::kAvi,
     .name = "AVI",
     .listed = true,
     .nameTextId = 0,
     .tipTextId = 0,
     .optionName = "avi",
     .nameRule = NameRule::Extension,
     .extension = ".avi",
     .filterDescription = "Audio Video Interleave file(*.avi)",
     .writer = "avimux",
     .writerProperties = {},
     .writerTimesFromZero = false,
     .packetOverhead = 32,
     .missingWriterText = kWriterFailure,
     .missingWriterPage = nullptr,
     .mendPacketLengths = false,
     .mendTagStrings = false,
     .stampsRecordingTime = false,
     .showsProperties = false,
     .holdsSeveralSoundTracks = false,
     .rows = FormatRows::Compressors,
     .compressors = CompressorSource::Shared,
     .takesUncompressed = true,
     .everydayPictures = false,
     .ownSection = nullptr,
     .defaultVideo = {},
     .defaultAudio = {}},
    {.value = OutputSettings::kWmv,
     .name = "WMV",
     .listed = true,
     .nameTextId = 0,
     .tipTextId = 0,
     .optionName = "wmv",
     .nameRule = NameRule::Extension,
     .extension = ".wmv",
     .filterDescription = "Windows Media Video file (*.wmv)",
     .writer = "asfmux",
     .writerProperties = {},
     .writerTimesFromZero = true,
     .packetOverhead = 40,
     .missingWriterText = kWriterFailure,
     .missingWriterPage = nullptr,
     .mendPacketLengths = true,
     .mendTagStrings = false,
     .stampsRecordingTime = false,
     .showsProperties = false,
     .holdsSeveralSoundTracks = false,
     .rows = FormatRows::Bitrates,
     .compressors = CompressorSource::WindowsMedia,
     .takesUncompressed = false,
     .everydayPictures = false,
     .ownSection = nullptr,
     .defaultVideo = {},
     .defaultAudio = {}},
    {.value = OutputSettings::kMkv,
     .name = "MKV",
     .listed = true,
     .nameTextId = text_id::kFormatMkv,
     .tipTextId = text_id::kFormatMkvTip,
     .optionName = "mkv",
     .nameRule = NameRule::Extension,
     .extension = ".mkv",
     .filterDescription = "Matroska video file(*.mkv)",
     .writer = "matroskamux",
     .writerProperties = {},
     .writerTimesFromZero = false,
     .packetOverhead = 14,
     .missingWriterText = "Please install MKV codec)",
     .missingWriterPage = kMatroskaHelpPage,
     .mendPacketLengths = false,
     .mendTagStrings = true,
     .stampsRecordingTime = false,
     .showsProperties = false,
     .holdsSeveralSoundTracks = true,
     .rows = FormatRows::Compressors,
     .compressors = CompressorSource::Shared,
     .takesUncompressed = true,
     .everydayPictures = false,
     .ownSection = nullptr,
     .defaultVideo = {},
     .defaultAudio = {}},
    // The index goes before the media, so that a browser plays the file while it loads.
    {.value = OutputSettings::kMp4,
     .name = "MP4",
     .listed = true,
     .nameTextId = text_id::kFormatMp4,
     .tipTextId = text_id::kFormatMp4Tip,
     .optionName = "mp4",
     .nameRule = NameRule::Extension,
     .extension = ".mp4",
     .filterDescription = "MPEG-4 video file (*.mp4)",
     .writer = "mp4mux",
     .writerProperties = {{{"faststart", "true"}}},
     .writerTimesFromZero = false,
     .packetOverhead = 14,
     .missingWriterText = nullptr,
     .missingWriterPage = nullptr,
     .mendPacketLengths = false,
     .mendTagStrings = false,
     .stampsRecordingTime = true,
     .showsProperties = false,
     .holdsSeveralSoundTracks = true,
     .rows = FormatRows::Compressors,
     .compressors = CompressorSource::OwnChoice,
     .takesUncompressed = false,
     .everydayPictures = true,
     .ownSection = "MP4",
     .defaultVideo = {"x264enc", "openh264enc"},
     .defaultAudio = {"avenc_aac", "voaacenc"}},
    {.value = OutputSettings::kWebm,
     .name = "WebM",
     .listed = true,
     .nameTextId = text_id::kFormatWebm,
     .tipTextId = text_id::kFormatWebmTip,
     .optionName = "webm",
     .nameRule = NameRule::Extension,
     .extension = ".webm",
     .filterDescription = "WebM video file (*.webm)",
     .writer = "webmmux",
     .writerProperties = {},
     .writerTimesFromZero = false,
     .packetOverhead = 14,
     .missingWriterText = nullptr,
     .missingWriterPage = nullptr,
     .mendPacketLengths = false,
     .mendTagStrings = true,
     .stampsRecordingTime = false,
     .showsProperties = false,
     .holdsSeveralSoundTracks = true,
     .rows = FormatRows::Compressors,
     .compressors = CompressorSource::OwnChoice,
     .takesUncompressed = false,
     .everydayPictures = true,
     .ownSection = "WebM",
     .defaultVideo = {"vp9enc", "vp8enc"},
     .defaultAudio = {"opusenc", "vorbisenc"}},
    {.value = OutputSettings::kAsf,
     .name = "ASF",
     .listed = false,
     .nameTextId = 0,
     .tipTextId = 0,
     .optionName = "asf",
     .nameRule = NameRule::Extension,
     .extension = ".asf",
     .filterDescription = "Advanced Systems Format file(*.asf)",
     .writer = "asfmux",
     .writerProperties = {},
     .writerTimesFromZero = true,
     .packetOverhead = 40,
     .missingWriterText = "Please install ASF Multipexer)",
     .missingWriterPage = kAsfMultiplexerSearchPage,
     .mendPacketLengths = true,
     .mendTagStrings = false,
     .stampsRecordingTime = false,
     .showsProperties = false,
     .holdsSeveralSoundTracks = false,
     .rows = FormatRows::Compressors,
     .compressors = CompressorSource::Shared,
     .takesUncompressed = false,
     .everydayPictures = false,
     .ownSection = nullptr,
     .defaultVideo = {},
     .defaultAudio = {}},
    // Plays on screen, after the property dialog of the graph's elements.
    {.value = OutputSettings::kPreviewWithProperties,
     .name = nullptr,
     .listed = false,
     .nameTextId = 0,
     .tipTextId = 0,
     .optionName = nullptr,
     .nameRule = NameRule::AsTyped,
     .extension = nullptr,
     .filterDescription = nullptr,
     .writer = nullptr,
     .writerProperties = {},
     .writerTimesFromZero = false,
     .packetOverhead = 0,
     .missingWriterText = nullptr,
     .missingWriterPage = nullptr,
     .mendPacketLengths = false,
     .mendTagStrings = false,
     .stampsRecordingTime = false,
     .showsProperties = true,
     .holdsSeveralSoundTracks = false,
     .rows = FormatRows::Unchanged,
     .compressors = CompressorSource::Shared,
     .takesUncompressed = true,
     .everydayPictures = false,
     .ownSection = nullptr,
     .defaultVideo = {},
     .defaultAudio = {}},
};

}  // namespace

const std::vector<const OutputFormat*>& outputFormats() {
    static const std::vector<const OutputFormat*> rows = [] {
        std::vector<const OutputFormat*> all;
        for (const OutputFormat& row : kFormats) {
            all.push_back(&row);
        }
        return all;
    }();
    return rows;
}

const OutputFormat* outputFormat(int32_t value) {
    for (const OutputFormat& row : kFormats) {
        if (row.value == value) {
            return &row;
        }
    }
    return nullptr;
}

bool usesWindowsMediaProfile(int32_t value) {
    const OutputFormat* row = outputFormat(value);
    return row && row->compressors == CompressorSource::WindowsMedia;
}

QString formatName(int32_t value) {
    const OutputFormat* row = outputFormat(value);
    return row && row->name ? QString::fromLatin1(row->name) : QString::number(value);
}

bool writesFile(int32_t value) {
    const OutputFormat* row = outputFormat(value);
    return row && row->writer;
}

QStringList formatListEntries() {
    QStringList names;
    for (const OutputFormat& row : kFormats) {
        if (row.listed) {
            names.append(QString::fromLatin1(row.name));
        }
    }
    return names;
}

int32_t formatListPosition(int32_t value) {
    int32_t position = 0;
    for (const OutputFormat& row : kFormats) {
        if (row.listed) {
            if (row.value == value) {
                return position;
            }
            ++position;
        }
    }
    return -1;
}

std::optional<int32_t> formatAtListPosition(int32_t position) {
    int32_t current = 0;
    for (const OutputFormat& row : kFormats) {
        if (row.listed && current++ == position) {
            return row.value;
        }
    }
    return std::nullopt;
}

std::optional<int32_t> formatByOptionName(const QString& name) {
    for (const OutputFormat& row : kFormats) {
        if (row.optionName &&
            name.compare(QLatin1String(row.optionName), Qt::CaseInsensitive) == 0) {
            return row.value;
        }
    }
    return std::nullopt;
}

QString formatOptionNames() {
    QStringList names;
    for (const OutputFormat& row : kFormats) {
        if (row.optionName) {
            names.append(QString::fromLatin1(row.optionName));
        }
    }
    const QString last = names.takeLast();
    return names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

std::optional<SaveFilter> saveFilterForFormat(int32_t format) {
    const OutputFormat* row = outputFormat(format);
    if (!row || !row->filterDescription) {
        return std::nullopt;
    }
    return SaveFilter{QString::fromLatin1(row->filterDescription),
                      QLatin1Char('*') + QLatin1String(row->extension)};
}

std::optional<QString> formatExtensionOf(int32_t format, const QString& path) {
    const OutputFormat* row = outputFormat(format);
    if (!row) {
        return std::nullopt;
    }
    if (row->nameRule == NameRule::AsTyped) {
        return path;
    }
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return (dot < 0 ? path : path.left(dot)) + QLatin1String(row->extension);
}

ExtensionResult applyFormatExtension(int32_t format, const QString& path, UserDialogs& dialogs) {
    if (std::optional<QString> result = formatExtensionOf(format, path)) {
        return {true, *result};
    }
    dialogs.showMessage({QString::fromLatin1(kUnsupportedFormatText), QStringLiteral("Error"),
                         MessageButtons::Ok, MessageIcon::Error, false});
    return {false, path};
}
