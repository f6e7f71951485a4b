#include "output/OutputFormats.h"

#include <array>

#include "output/OutputSettings.h"

const char* const kUnsupportedFormatText = "Does not support the video format";

namespace {

struct FileFormat {
    int32_t format;
    const char* extension;
    const char* filterDescription;
};

constexpr std::array kFileFormats = {
    FileFormat{OutputSettings::kAvi, ".avi", "Audio Video Interleave file(*.avi)"},
    FileFormat{OutputSettings::kWmv, ".wmv", "Windows Media Video file (*.wmv)"},
    FileFormat{OutputSettings::kMkv, ".mkv", "Matroska video file(*.mkv)"},
    FileFormat{OutputSettings::kAsf, ".asf", "Advanced Systems Format file(*.asf)"},
};

const FileFormat* fileFormat(int32_t format) {
    for (const FileFormat& entry : kFileFormats) {
        if (entry.format == format) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace

std::optional<SaveFilter> saveFilterForFormat(int32_t format) {
    const FileFormat* entry = fileFormat(format);
    if (!entry) {
        return std::nullopt;
    }
    return SaveFilter{QString::fromLatin1(entry->filterDescription),
                      QLatin1Char('*') + QLatin1String(entry->extension)};
}

std::optional<QString> formatExtensionOf(int32_t format, const QString& path) {
    if (format == OutputSettings::kPreviewWithProperties) {
        return path;
    }
    const FileFormat* entry = fileFormat(format);
    if (!entry) {
        return std::nullopt;
    }
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return (dot < 0 ? path : path.left(dot)) + QLatin1String(entry->extension);
}

ExtensionResult applyFormatExtension(int32_t format, const QString& path, UserDialogs& dialogs) {
    if (std::optional<QString> result = formatExtensionOf(format, path)) {
        return {true, *result};
    }
    dialogs.showMessage({QString::fromLatin1(kUnsupportedFormatText), QStringLiteral("Error"),
                         MessageButtons::Ok, MessageIcon::Error, false});
    return {false, path};
}
