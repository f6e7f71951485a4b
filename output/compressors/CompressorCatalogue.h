#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// The installed video and audio encoders the program offers as compressors: GStreamer encoder
// factories of the kind whose output at least one of the formats' writers takes, ordered by rank
// (highest first) and then factory name. Only the registry is read, no encoder is loaded (loading
// them all would double the program's memory); an encoder that then cannot be created is told when
// it is bound. Nothing is cached: every call reads the registry again, so the same position means
// the same entry in the lists, the preferred-entry search and binding as long as no plugin is
// installed in between.

enum class CompressorKind { Video, Audio };

struct CompressorEntry {
    QString name;         // readable codec name, unique within the catalogue
    QString factoryName;  // GStreamer element factory, e.g. "avenc_mpeg4"
    // The output formats whose writer takes this encoder's output, in the order of the format
    // table (WMV is never among them: it takes only its own Windows Media encoders).
    QList<int32_t> formats;

    // Whether a conversion to `format` can use this entry. The previews decode whatever was
    // encoded, so take all.
    bool worksWith(int32_t format) const;
};

// The catalogue of one kind; empty when GStreamer has not been started.
QList<CompressorEntry> compressorCatalogue(CompressorKind kind);

// "Full frames (uncompressed)" or "Uncompressed Audio".
QString noCompressionName(CompressorKind kind);
// The no-compression entry as an entry: the writers that take raw pictures or sound (AVI, MKV).
CompressorEntry noCompressionEntry(CompressorKind kind);

// The compressor list of the output options: position 0 is the no-compression entry, position p
// from 1 on is catalogue entry p - 1.
QStringList listCompressors(CompressorKind kind);

// The catalogue position of the preferred entry: the first whose name contains "divx" (video) or
// "microsoft adpcm" (audio), ignoring the case of ASCII letters. No writer here takes Microsoft
// ADPCM, so for sound the MP3 encoder (LAME) stands in when no such name exists; the overload on
// names alone knows no factories and has no stand-in.
std::optional<int32_t> findPreferredCompressor(CompressorKind kind);
std::optional<int32_t> findPreferredCompressor(CompressorKind kind, const QStringList& names);
std::optional<int32_t> findPreferredCompressorIn(CompressorKind kind,
                                                 const QList<CompressorEntry>& catalogue);

// The catalogue entry of an encoder factory, or nullopt.
std::optional<CompressorEntry> compressorEntryOf(CompressorKind kind, const QString& factoryName);

// Whether the writer of a format is installed.
bool writerInstalled(int32_t format);

// The readable name of an encoder: ours for well-known encoders, else the factory's long name.
QString compressorDisplayName(const QString& factoryName, const QString& longName);
