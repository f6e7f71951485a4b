#include "output/CompressorCatalogue.h"

#include <gst/gst.h>

#include <QHash>
#include <algorithm>
#include <vector>

#include "media/GPtr.h"

namespace {

const char* const kWriters[] = {"avimux", "matroskamux", "asfmux"};

struct KnownEncoder {
    const char* factory;
    const char* name;
};

// Names users know these codecs by; the factories' long names are technical.
constexpr KnownEncoder kKnownEncoders[] = {
    {"avenc_mpeg4", "MPEG-4 Part 2 (DivX compatible)"},
    {"x264enc", "H.264 (x264)"},
    {"openh264enc", "H.264 (OpenH264)"},
    {"vp8enc", "VP8"},
    {"vp9enc", "VP9"},
    {"av1enc", "AV1 (libaom)"},
    {"theoraenc", "Theora"},
    {"mpeg2enc", "MPEG-2 Video (mjpegtools)"},
    {"avenc_msmpeg4", "Microsoft MPEG-4 version 3"},
    {"avenc_msmpeg4v2", "Microsoft MPEG-4 version 2"},
    {"avenc_wmv1", "Windows Media Video 7 (WMV1)"},
    {"avenc_wmv2", "Windows Media Video 8 (WMV2)"},
    {"avenc_h263", "H.263"},
    {"avenc_h263p", "H.263+"},
    {"avenc_huffyuv", "HuffYUV (lossless)"},
    {"avenc_ffv1", "FFV1 (lossless)"},
    {"avenc_dvvideo", "DV"},
    {"avenc_png", "PNG (lossless)"},
    {"avenc_prores", "Apple ProRes"},
    {"avenc_prores_aw", "Apple ProRes (Anatoliy Wasserman)"},
    {"avenc_prores_ks", "Apple ProRes (Kostya Shishkov)"},
    {"avenc_rv10", "RealVideo 1.0"},
    {"avenc_rv20", "RealVideo 2.0"},
    {"openjpegenc", "JPEG 2000"},
    {"lamemp3enc", "MP3 (LAME)"},
    {"twolamemp2enc", "MPEG Audio Layer 2 (TwoLAME)"},
    {"avenc_mp2", "MPEG Audio Layer 2"},
    {"avenc_mp2fixed", "MPEG Audio Layer 2 (fixed point)"},
    {"voaacenc", "AAC (VisualOn)"},
    {"avenc_aac", "AAC"},
    {"avenc_ac3", "Dolby Digital AC-3"},
    {"avenc_ac3_fixed", "Dolby Digital AC-3 (fixed point)"},
    {"avenc_eac3", "Dolby Digital Plus E-AC-3"},
    {"vorbisenc", "Vorbis"},
    {"opusenc", "Opus"},
    {"flacenc", "FLAC (lossless)"},
    {"speexenc", "Speex"},
    {"alawenc", "A-law"},
    {"mulawenc", "mu-law"},
    {"adpcmenc", "IMA ADPCM"},
    {"avenc_adpcm_ima_wav", "IMA ADPCM (WAV)"},
    {"avenc_wmav1", "Windows Media Audio 1"},
    {"avenc_wmav2", "Windows Media Audio 2"},
    {"avenc_tta", "True Audio (lossless)"},
    {"avenc_g722", "G.722"},
    {"avenc_g726", "G.726"},
    {"avenc_real_144", "RealAudio 1.0 (14.4K)"},
};

// Encoders that are registered but cannot write a file here: libav's experimental DTS encoder
// refuses to run at the default strictness, and GStreamer 1.22's libav wrapper hands the MPEG-1
// and MPEG-2 video encoders a time base they reject (mpeg2enc still offers MPEG-2).
constexpr const char* kUnusableEncoders[] = {"avenc_dca", "avenc_mpeg1video", "avenc_mpeg2video"};

bool isUnusable(const QString& factoryName, const QStringList& klass) {
    // Hardware encoders need a device that a desktop usually lacks; OpenMAX ones are never
    // backed by one on a desktop.
    if (klass.contains(QStringLiteral("Hardware")) || factoryName.endsWith(QLatin1String("_omx"))) {
        return true;
    }
    return std::any_of(std::begin(kUnusableEncoders), std::end(kUnusableEncoders),
                       [&](const char* name) { return factoryName == QLatin1String(name); });
}

bool klassMatches(const QStringList& klass, CompressorKind kind) {
    const QString media =
        kind == CompressorKind::Video ? QStringLiteral("Video") : QStringLiteral("Audio");
    return klass.contains(QStringLiteral("Encoder")) && klass.contains(media);
}

// The sink pad templates of the writers, gathered once per enumeration.
class WriterInputs {
  public:
    WriterInputs() {
        for (const char* writer : kWriters) {
            GObjectPtr<GstElementFactory> factory(gst_element_factory_find(writer));
            if (!factory) {
                continue;
            }
            for (const GList* item = gst_element_factory_get_static_pad_templates(factory.get());
                 item; item = item->next) {
                auto* padTemplate = static_cast<GstStaticPadTemplate*>(item->data);
                if (padTemplate->direction == GST_PAD_SINK) {
                    caps_.emplace_back(gst_static_pad_template_get_caps(padTemplate));
                }
            }
        }
    }

    bool accept(GstElementFactory* encoder) const {
        for (const GList* item = gst_element_factory_get_static_pad_templates(encoder); item;
             item = item->next) {
            auto* padTemplate = static_cast<GstStaticPadTemplate*>(item->data);
            if (padTemplate->direction != GST_PAD_SRC) {
                continue;
            }
            GstCapsPtr output(gst_static_pad_template_get_caps(padTemplate));
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

// An encoder that cannot even be created (a missing library or device) is no compressor.
bool instantiates(GstElementFactory* factory) {
    GObjectPtr<GstElement> element = refSink(gst_element_factory_create(factory, nullptr));
    return element != nullptr;
}

struct Candidate {
    GstElementFactory* factory;
    guint rank;
    QString factoryName;
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
    for (const KnownEncoder& known : kKnownEncoders) {
        if (factoryName == QLatin1String(known.factory)) {
            return QString::fromUtf8(known.name);
        }
    }
    return longName;
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
        if (!klassMatches(klass, kind) || isUnusable(name, klass) || !writers.accept(factory)) {
            continue;
        }
        candidates.push_back(
            {factory, gst_plugin_feature_get_rank(GST_PLUGIN_FEATURE(factory)), name});
    }
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        return a.rank != b.rank ? a.rank > b.rank : a.factoryName < b.factoryName;
    });
    for (const Candidate& candidate : candidates) {
        if (!instantiates(candidate.factory)) {
            continue;
        }
        const QString longName = QString::fromUtf8(
            gst_element_factory_get_metadata(candidate.factory, GST_ELEMENT_METADATA_LONGNAME));
        entries.append(
            {compressorDisplayName(candidate.factoryName, longName), candidate.factoryName});
    }
    gst_plugin_feature_list_free(factories);
    makeNamesUnique(entries);
    return entries;
}

QString noCompressionName(CompressorKind kind) {
    return kind == CompressorKind::Video ? QStringLiteral("Full frames (uncompressed)")
                                         : QStringLiteral("Uncompressed Audio");
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

std::optional<int32_t> findPreferredCompressor(CompressorKind kind) {
    QStringList names;
    for (const CompressorEntry& entry : compressorCatalogue(kind)) {
        names.append(entry.name);
    }
    return findPreferredCompressor(kind, names);
}
