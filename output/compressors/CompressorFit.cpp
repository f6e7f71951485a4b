#include "output/compressors/CompressorFit.h"

#include "language/Language.h"
#include "language/TextIds.h"
#include "output/compressors/CurrentCompressors.h"
#include "output/formats/OutputFormats.h"
#include "output/settings/OutputSettings.h"

namespace {

QString mismatchOf(CompressorKind kind, const OutputSettings& settings, const CLanguage& language) {
    const CompressorInUse used = compressorInUse(settings, kind);
    std::optional<CompressorEntry> entry;
    if (!used.compressed) {
        entry = noCompressionEntry(kind);
    } else if (!used.factoryName.isEmpty()) {
        entry = compressorEntryOf(kind, used.factoryName);
    }
    if (!entry || entry->worksWith(settings.outputFormat)) {
        return {};
    }
    const int text = kind == CompressorKind::Video ? text_id::kVideoCompressorUnfit
                                                   : text_id::kAudioCompressorUnfit;
    return language.GetMessageText(text).arg(entry->name, formatName(settings.outputFormat),
                                             workingFormatNames(*entry));
}

}  // namespace

QString workingFormatNames(const CompressorEntry& entry) {
    QStringList names;
    for (int32_t format : entry.formats) {
        names.append(formatName(format));
    }
    return names.join(QLatin1Char('/'));
}

QString compressorMismatch(const OutputSettings& settings, const CLanguage& language) {
    if (usesWindowsMediaProfile(settings.outputFormat) || !writerInstalled(settings.outputFormat)) {
        return {};  // only Windows Media encoders write WMV; a missing writer is told by itself
    }
    QString video = mismatchOf(CompressorKind::Video, settings, language);
    return video.isEmpty() ? mismatchOf(CompressorKind::Audio, settings, language) : video;
}

QString unavailableCompressorTip(const CompressorEntry& entry, int32_t format,
                                 const CLanguage& language) {
    if (entry.worksWith(format)) {
        return {};
    }
    return language.GetMessageText(text_id::kCompressorUnavailableTip)
        .arg(formatName(format), workingFormatNames(entry));
}
