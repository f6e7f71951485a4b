#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// The installed video and audio encoders the program offers as compressors: GStreamer encoder
// factories of the kind whose output at least one of the writers (avimux, matroskamux, asfmux)
// takes, ordered by rank (highest first) and then factory name. Nothing is cached: every call
// reads the registry again, so the same position means the same entry in the lists, the
// preferred-entry search and binding as long as no plugin is installed in between.

enum class CompressorKind { Video, Audio };

struct CompressorEntry {
    QString name;         // readable codec name, unique within the catalogue
    QString factoryName;  // GStreamer element factory, e.g. "avenc_mpeg4"
};

// The catalogue of one kind; empty when GStreamer has not been started.
QList<CompressorEntry> compressorCatalogue(CompressorKind kind);

// "Full frames (uncompressed)" or "Uncompressed Audio".
QString noCompressionName(CompressorKind kind);

// The compressor list of the output options: position 0 is the no-compression entry, position p
// from 1 on is catalogue entry p - 1.
QStringList listCompressors(CompressorKind kind);

// The catalogue position of the preferred entry: the first whose name contains "divx" (video) or
// "microsoft adpcm" (audio), ignoring the case of ASCII letters.
std::optional<int32_t> findPreferredCompressor(CompressorKind kind);
std::optional<int32_t> findPreferredCompressor(CompressorKind kind, const QStringList& names);

// The readable name of an encoder: ours for well-known encoders, else the factory's long name.
QString compressorDisplayName(const QString& factoryName, const QString& longName);
