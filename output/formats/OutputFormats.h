#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "base/UserDialogs.h"

// The output formats: one row each, read by every floor that treats formats differently (the
// options dialog, the settings store, the compressor catalogue, the output graph, the command
// line). Adding a format is adding a row.

// What the output name becomes when a format is chosen.
enum class NameRule {
    Extension,  // cut at the last "." of the whole path (folder names included), then the extension
    AsTyped,    // the name stays as typed (a preview writes no file)
};

// Which of the two sets of rows sharing their places the options show for a format.
enum class FormatRows { Compressors, Bitrates, Unchanged };

// Whose compressors a conversion into the format uses.
enum class CompressorSource {
    Shared,        // the choice stored as "CompressorNumber" (AVI, MKV, ASF and the previews)
    OwnChoice,     // a choice of the format's own, stored in its own section (MP4, WebM)
    WindowsMedia,  // the encoders of its Windows Media profile (WMV)
};

struct WriterProperty {
    const char* name = nullptr;
    const char* value = nullptr;
};

struct OutputFormat {
    int32_t value;     // the stored "nOuptputFormat"
    const char* name;  // "AVI": in the format list and in messages
    bool listed;       // offered in the options' format list, in the table's order
    // The language texts of its list entry and of the entry's tip; 0: the fixed name, no tip.
    int nameTextId;
    int tipTextId;
    const char* optionName;  // "avi" for quenzel-convert --format; nullptr: not offered there
    NameRule nameRule;
    const char* extension;          // ".avi" (NameRule::Extension)
    const char* filterDescription;  // the save dialog's; nullptr: the format has none
    const char* writer;             // the multiplexer; nullptr: plays into the default sinks
    std::array<WriterProperty, 2> writerProperties;
    // The writer stores every time as it comes: times must start at 0 and none may lie before
    // (an encoder's early decoding times are dropped for it).
    bool writerTimesFromZero;
    // What the writer adds to every packet of picture or sound (headers, index), in bytes: a
    // size target leaves room for it.
    int packetOverhead;
    // Told when the writer is not installed, with a page that helps; nullptr: the general text.
    const char* missingWriterText;
    const char* missingWriterPage;
    // The writer leaves the lengths of its data packets to be mended in the closed file (GStreamer
    // 1.22's ASF writer).
    bool mendPacketLengths;
    // The writer stores text tags in GStreamer's serialised form, to be mended in the closed
    // file (GStreamer 1.22's Matroska writer).
    bool mendTagStrings;
    // The writer takes no recording time: the source's is put into the closed file (GStreamer
    // 1.22's MP4 writer).
    bool stampsRecordingTime;
    // The elements' property dialog is shown before it plays (a preview).
    bool showsProperties;
    // Every sound track of the source goes in; the others keep the first (or the chosen) one.
    bool holdsSeveralSoundTracks;
    FormatRows rows;
    CompressorSource compressors;
    bool takesUncompressed;  // raw pictures and sound go in as they are
    // Pictures are given to the encoder as 4:2:0 with 8 bits, the one layout every phone and
    // browser decodes.
    bool everydayPictures;
    // OwnChoice: the section of its choice and the encoders it starts with, in order of
    // preference (the first installed one is taken).
    const char* ownSection;
    std::array<const char*, 3> defaultVideo;
    std::array<const char*, 3> defaultAudio;
};

// The row of a stored format, or nullptr for a value no format has (such a value plays into
// the default sinks, as format 4 does, without the property dialog).
const OutputFormat* outputFormat(int32_t value);
// Every row, in list order first.
const std::vector<const OutputFormat*>& outputFormats();

// Whether a conversion into the format uses the encoders of a Windows Media profile, never the
// chosen compressors.
bool usesWindowsMediaProfile(int32_t value);

// "AVI", "MKV" ...; the number for a value without a row.
QString formatName(int32_t value);
// Whether a format writes a file.
bool writesFile(int32_t value);

// The format list of the options: the names of the listed formats, and the way between a list
// position and a stored value (-1 / nullopt when the other side has none).
QStringList formatListEntries();
int32_t formatListPosition(int32_t value);
std::optional<int32_t> formatAtListPosition(int32_t position);

// quenzel-convert's --format: the value of a name ("mp4"), and every name ("avi, wmv, ... or
// webm").
std::optional<int32_t> formatByOptionName(const QString& name);
QString formatOptionNames();

struct SaveFilter {
    QString description;  // e.g. "Audio Video Interleave file(*.avi)"
    QString pattern;      // e.g. "*.avi"
};

// The save dialog's filter for a format; none for formats without a file of their own.
std::optional<SaveFilter> saveFilterForFormat(int32_t format);

// The path with the format's extension, or nullopt when the format has no name rule.
std::optional<QString> formatExtensionOf(int32_t format, const QString& path);

struct ExtensionResult {
    bool accepted = false;
    QString path;  // the new path when accepted, else the path given
};

// As formatExtensionOf, but tells the user when the format has no rule; the caller then keeps the
// text it had.
ExtensionResult applyFormatExtension(int32_t format, const QString& path, UserDialogs& dialogs);

extern const char* const kUnsupportedFormatText;  // "Does not support the video format"
