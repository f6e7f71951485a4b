#include "output/compressors/CompressorCatalogue.h"

#include <gst/gst.h>

#include <QHash>
#include <algorithm>
#include <vector>

#include "media/Elements.h"
#include "media/GPtr.h"
#include "output/compressors/EncoderTable.h"
#include "output/formats/OutputFormats.h"
#include "output/settings/OutputSettings.h"

namespace {

// The formats compressors go in front of, with their writers; WMV takes only its own Windows
// Media encoders.
std::vector<const OutputFormat*> compressedFormats() {
    std::vector<const OutputFormat*> formats;
    for (const OutputFormat* row : outputFormats()) {
        if (row->writer && row->compressors != CompressorSource::WindowsMedia) {
            formats.push_back(row);
        }
    }
    return formats;
}

bool isUnusable(const QString& factoryName, const QStringList& klass) {
    // Hardware encoders need a device that a desktop usually lacks; OpenMAX ones are never
    // backed by one on a desktop.
    if (klass.contains(QStringLiteral("Hardware")) || factoryName.endsWith(QLatin1String("_omx"))) {
        return true;
    }
    const EncoderRow* row = encoderRow(factoryName);
    return row && !row->usable;
}

bool klassMatches(const QStringList& klass, CompressorKind kind) {
    const QString media =
        kind == CompressorKind::Video ? QStringLiteral("Video") : QStringLiteral("Audio");
    return klass.contains(QStringLiteral("Encoder")) && klass.contains(media);
}

GstCapsPtr sourceTemplateCaps(GstElementFactory* factory) {
    for (const GList* item = gst_element_factory_get_static_pad_templates(factory); item;
         item = item->next) {
        auto* padTemplate = static_cast<GstStaticPadTemplate*>(item->data);
        if (padTemplate->direction == GST_PAD_SRC) {
            return GstCapsPtr(gst_static_pad_template_get_caps(padTemplate));
        }
    }
    return nullptr;
}

// What reaches the writer from an encoder: its output, or what the parser the output graph puts
// behind it makes of that output (a parser converts the framing a writer wants).
std::vector<GstCapsPtr> writtenCaps(GstElementFactory* encoder) {
    std::vector<GstCapsPtr> result;
    GstCapsPtr output = sourceTemplateCaps(encoder);
    if (!output) {
        return result;
    }
    if (const char* parserName = parserForCaps(output.get())) {
        GObjectPtr<GstElementFactory> parser(gst_element_factory_find(parserName));
        if (GstCapsPtr parsed = parser ? sourceTemplateCaps(parser.get()) : nullptr) {
            // The parser keeps the stream and may change only its framing.
            GstCapsPtr unframed(gst_caps_copy(output.get()));
            for (guint i = 0; i < gst_caps_get_size(unframed.get()); ++i) {
                gst_structure_remove_fields(gst_caps_get_structure(unframed.get(), i),
                                            "stream-format", "alignment", "framed", "parsed",
                                            nullptr);
            }
            GstCapsPtr written(gst_caps_intersect(parsed.get(), unframed.get()));
            if (!gst_caps_is_empty(written.get())) {
                result.push_back(std::move(written));
                return result;
            }
        }
    }
    result.push_back(std::move(output));
    return result;
}

// The sink pad templates of one writer.
class WriterInput {
  public:
    explicit WriterInput(const char* writer) {
        GObjectPtr<GstElementFactory> factory(gst_element_factory_find(writer));
        if (!factory) {
            return;
        }
        for (const GList* item = gst_element_factory_get_static_pad_templates(factory.get()); item;
             item = item->next) {
            auto* padTemplate = static_cast<GstStaticPadTemplate*>(item->data);
            if (padTemplate->direction == GST_PAD_SINK) {
                caps_.emplace_back(gst_static_pad_template_get_caps(padTemplate));
            }
        }
    }

    bool accepts(GstElementFactory* encoder) const {
        for (const GstCapsPtr& output : writtenCaps(encoder)) {
            for (const GstCapsPtr& input : caps_) {
                if (gst_caps_can_intersect(output.get(), input.get())) {
                    return true;
                }
            }
        }
        return false;
    }

  private:
    std::vector<GstCapsPtr> caps_;
};

// The formats whose writer takes an encoder's output, gathered once per enumeration.
class WriterInputs {
  public:
    WriterInputs() {
        for (const OutputFormat* format : compressedFormats()) {
            inputs_.emplace_back(format->value, WriterInput(format->writer));
        }
    }

    QList<int32_t> formatsTaking(GstElementFactory* encoder) const {
        QList<int32_t> formats;
        for (const auto& [format, input] : inputs_) {
            if (input.accepts(encoder)) {
                formats.append(format);
            }
        }
        return formats;
    }

  private:
    std::vector<std::pair<int32_t, WriterInput>> inputs_;
};

struct Candidate {
    GstElementFactory* factory;
    guint rank;
    QString factoryName;
    QList<int32_t> formats;
};

void makeNamesUnique(QList<CompressorEntry>& entries) {
    QHash<QString, int> counts;
    for (const CompressorEntry& entry : entries) {
        ++counts[entry.name];
    }
    for (CompressorEntry& entry : entries) {
        if (counts.value(entry.name) > 1) {
            entry.name += QStringLiteral(" (%1)").arg(entry.factoryName);
        }
    }
}

// The sound default of the rules is a 4:1 compressed sound that no writer here takes; MP3 is
// this platform's compressed sound that every writer takes.
constexpr const char* kAdpcmStandIn = "lamemp3enc";

QString asciiLower(const QString& text) {
    QString result = text;
    for (QChar& c : result) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) {
            c = QChar(c.unicode() + ('a' - 'A'));
        }
    }
    return result;
}

}  // namespace

QString compressorDisplayName(const QString& factoryName, const QString& longName) {
    const EncoderRow* row = encoderRow(factoryName);
    return row && row->displayName ? QString::fromUtf8(row->displayName) : longName;
}

QList<CompressorEntry> compressorCatalogue(CompressorKind kind) {
    QList<CompressorEntry> entries;
    if (!gst_is_initialized()) {
        return entries;
    }
    const WriterInputs writers;
    GList* factories =
        gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_ENCODER, GST_RANK_NONE);
    std::vector<Candidate> candidates;
    for (GList* item = factories; item; item = item->next) {
        auto* factory = static_cast<GstElementFactory*>(item->data);
        const QString name = QString::fromUtf8(GST_OBJECT_NAME(factory));
        const QStringList klass =
            QString::fromUtf8(gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS))
                .split(QLatin1Char('/'));
        if (!klassMatches(klass, kind) || isUnusable(name, klass)) {
            continue;
        }
        QList<int32_t> formats = writers.formatsTaking(factory);
        if (formats.isEmpty()) {
            continue;
        }
        candidates.push_back({factory, gst_plugin_feature_get_rank(GST_PLUGIN_FEATURE(factory)),
                              name, std::move(formats)});
    }
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        return a.rank != b.rank ? a.rank > b.rank : a.factoryName < b.factoryName;
    });
    for (const Candidate& candidate : candidates) {
        const QString longName = QString::fromUtf8(
            gst_element_factory_get_metadata(candidate.factory, GST_ELEMENT_METADATA_LONGNAME));
        entries.append({compressorDisplayName(candidate.factoryName, longName),
                        candidate.factoryName, candidate.formats});
    }
    gst_plugin_feature_list_free(factories);
    makeNamesUnique(entries);
    return entries;
}

QString noCompressionName(CompressorKind kind) {
    return kind == CompressorKind::Video ? QStringLiteral("Full frames (uncompressed)")
                                         : QStringLiteral("Uncompressed Audio");
}

bool writerInstalled(int32_t format) {
    const OutputFormat* row = outputFormat(format);
    if (!row || !row->writer) {
        return false;
    }
    GObjectPtr<GstElementFactory> factory(gst_element_factory_find(row->writer));
    return factory != nullptr;
}

CompressorEntry noCompressionEntry(CompressorKind kind) {
    QList<int32_t> formats;
    for (const OutputFormat* format : compressedFormats()) {
        if (format->takesUncompressed) {
            formats.append(format->value);
        }
    }
    return {noCompressionName(kind), QString(), formats};
}

QStringList listCompressors(CompressorKind kind) {
    QStringList names{noCompressionName(kind)};
    for (const CompressorEntry& entry : compressorCatalogue(kind)) {
        names.append(entry.name);
    }
    return names;
}

std::optional<int32_t> findPreferredCompressor(CompressorKind kind, const QStringList& names) {
    const QString wanted =
        kind == CompressorKind::Video ? QStringLiteral("divx") : QStringLiteral("microsoft adpcm");
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (asciiLower(names[i]).contains(wanted)) {
            return int32_t(i);
        }
    }
    return std::nullopt;
}

std::optional<int32_t> findPreferredCompressorIn(CompressorKind kind,
                                                 const QList<CompressorEntry>& catalogue) {
    QStringList names;
    for (const CompressorEntry& entry : catalogue) {
        names.append(entry.name);
    }
    if (std::optional<int32_t> named = findPreferredCompressor(kind, names)) {
        return named;
    }
    if (kind == CompressorKind::Audio) {
        for (qsizetype i = 0; i < catalogue.size(); ++i) {
            if (catalogue[i].factoryName == QLatin1String(kAdpcmStandIn)) {
                return int32_t(i);
            }
        }
    }
    return std::nullopt;
}

std::optional<int32_t> findPreferredCompressor(CompressorKind kind) {
    return findPreferredCompressorIn(kind, compressorCatalogue(kind));
}

std::optional<CompressorEntry> compressorEntryOf(CompressorKind kind, const QString& factoryName) {
    for (const CompressorEntry& entry : compressorCatalogue(kind)) {
        if (entry.factoryName == factoryName) {
            return entry;
        }
    }
    return std::nullopt;
}

bool CompressorEntry::worksWith(int32_t format) const {
    // The previews decode whatever was encoded.
    return !writesFile(format) || formats.contains(format);
}
