#include "output/compressors/CurrentCompressors.h"

#include <QString>

#include "output/formats/OutputFormats.h"
#include "output/settings/OutputSettings.h"

const char* const kCompressorPresetName = "Quenzel";

namespace {

struct BoundCompressors {
    GObjectPtr<GstElement> video;
    GObjectPtr<GstElement> audio;

    GObjectPtr<GstElement>& of(CompressorKind kind) {
        return kind == CompressorKind::Video ? video : audio;
    }
};

// Process-wide by design: the compressors outlive the dialog that chose them.
BoundCompressors& boundCompressors() {
    static BoundCompressors bound;
    return bound;
}

void applySavedPreset(GstElement* element) {
    if (!GST_IS_PRESET(element)) {
        return;
    }
    gchar** names = gst_preset_get_preset_names(GST_PRESET(element));
    if (names && g_strv_contains(names, kCompressorPresetName)) {
        gst_preset_load_preset(GST_PRESET(element), kCompressorPresetName);
    }
    g_strfreev(names);
}

bool isConfigurable(const GParamSpec* property) {
    const GParamFlags flags = property->flags;
    return (flags & G_PARAM_READABLE) && (flags & G_PARAM_WRITABLE) &&
           !(flags & (G_PARAM_CONSTRUCT_ONLY | G_PARAM_DEPRECATED)) &&
           g_strcmp0(property->name, "name") != 0 && g_strcmp0(property->name, "parent") != 0;
}

// Sets on `to` what the user changed on `configured`: every property whose value differs from a
// pristine element's, so that what the user set wins over what the program set before.
void copyUserChanges(GstElement* configured, GstElement* to) {
    GObjectPtr<GstElement> pristine =
        refSink(gst_element_factory_create(gst_element_get_factory(configured), nullptr));
    if (!pristine) {
        return;
    }
    guint count = 0;
    GParamSpec** specs = g_object_class_list_properties(G_OBJECT_GET_CLASS(configured), &count);
    for (guint i = 0; i < count; ++i) {
        const GParamSpec* property = specs[i];
        if (!isConfigurable(property)) {
            continue;
        }
        GValue chosen = G_VALUE_INIT;
        GValue untouched = G_VALUE_INIT;
        g_value_init(&chosen, property->value_type);
        g_value_init(&untouched, property->value_type);
        g_object_get_property(G_OBJECT(configured), property->name, &chosen);
        g_object_get_property(G_OBJECT(pristine.get()), property->name, &untouched);
        if (g_param_values_cmp(const_cast<GParamSpec*>(property), &chosen, &untouched) != 0) {
            g_object_set_property(G_OBJECT(to), property->name, &chosen);
        }
        g_value_unset(&chosen);
        g_value_unset(&untouched);
    }
    g_free(specs);
}

void copyConfiguration(GstElement* from, GstElement* to) {
    guint count = 0;
    GParamSpec** specs = g_object_class_list_properties(G_OBJECT_GET_CLASS(from), &count);
    for (guint i = 0; i < count; ++i) {
        const GParamSpec* property = specs[i];
        if (!isConfigurable(property)) {
            continue;
        }
        GValue wanted = G_VALUE_INIT;
        GValue present = G_VALUE_INIT;
        g_value_init(&wanted, property->value_type);
        g_value_init(&present, property->value_type);
        g_object_get_property(G_OBJECT(from), property->name, &wanted);
        g_object_get_property(G_OBJECT(to), property->name, &present);
        if (g_param_values_cmp(const_cast<GParamSpec*>(property), &wanted, &present) != 0) {
            g_object_set_property(G_OBJECT(to), property->name, &wanted);
        }
        g_value_unset(&wanted);
        g_value_unset(&present);
    }
    g_free(specs);
}

}  // namespace

bool bindCompressor(CompressorKind kind, int32_t position, UserDialogs& dialogs) {
    GObjectPtr<GstElement>& slot = boundCompressors().of(kind);
    slot.reset();
    const QList<CompressorEntry> catalogue = compressorCatalogue(kind);
    if (position < 0 || position >= catalogue.size()) {
        return false;
    }
    GObjectPtr<GstElement> element = createCompressor(catalogue[position].factoryName);
    if (!element) {
        dialogs.inform(QStringLiteral("Failed to bind to object"));
        return false;
    }
    slot = std::move(element);
    return true;
}

GObjectPtr<GstElement> createCompressor(const QString& factoryName) {
    const QByteArray factory = factoryName.toUtf8();
    GObjectPtr<GstElement> element =
        refSink(gst_element_factory_make(factory.constData(), nullptr));
    if (element) {
        applySavedPreset(element.get());
    }
    return element;
}

GstElement* currentCompressor(CompressorKind kind) {
    return boundCompressors().of(kind).get();
}

GstElement* currentVideoCompressor() {
    return currentCompressor(CompressorKind::Video);
}

GstElement* currentAudioCompressor() {
    return currentCompressor(CompressorKind::Audio);
}

GObjectPtr<GstElement> makeCompressorElement(CompressorKind kind) {
    GstElement* bound = currentCompressor(kind);
    if (!bound) {
        return nullptr;
    }
    GstElementFactory* factory = gst_element_get_factory(bound);
    if (!factory) {
        return nullptr;
    }
    GObjectPtr<GstElement> copy = refSink(gst_element_factory_create(factory, nullptr));
    if (copy) {
        copyConfiguration(bound, copy.get());
    }
    return copy;
}

CompressorInUse compressorInUse(const OutputSettings& settings, CompressorKind kind) {
    const OutputFormat* format = outputFormat(settings.outputFormat);
    if (format && format->compressors == CompressorSource::OwnChoice) {
        const auto own = settings.ownCompressors.find(settings.outputFormat);
        const QString factory =
            own == settings.ownCompressors.end()
                ? QString()
                : (kind == CompressorKind::Video ? own->second.video : own->second.audio);
        return {!factory.isEmpty(), factory};
    }
    const bool used =
        kind == CompressorKind::Video ? settings.useVideoCompressor : settings.useAudioCompressor;
    GstElement* bound = currentCompressor(kind);
    GstElementFactory* factory = bound ? gst_element_get_factory(bound) : nullptr;
    return {used != 0, factory ? QString::fromUtf8(GST_OBJECT_NAME(factory)) : QString()};
}

GObjectPtr<GstElement> makeConversionCompressor(const OutputSettings& settings, CompressorKind kind,
                                                const EncoderGoal& goal) {
    // The element that carries the user's configuration of the encoder.
    GObjectPtr<GstElement> configured;
    const OutputFormat* format = outputFormat(settings.outputFormat);
    if (format && format->compressors == CompressorSource::OwnChoice) {
        const CompressorInUse used = compressorInUse(settings, kind);
        if (used.compressed) {
            configured = createCompressor(used.factoryName);
        }
    } else if (GstElement* bound = currentCompressor(kind)) {
        configured = addRef(bound);
    }
    GstElementFactory* factory = configured ? gst_element_get_factory(configured.get()) : nullptr;
    if (!factory) {
        return nullptr;
    }
    GObjectPtr<GstElement> encoder = refSink(gst_element_factory_create(factory, nullptr));
    if (encoder) {
        applyEncoderGoal(encoder.get(), goal);
        copyUserChanges(configured.get(), encoder.get());
    }
    return encoder;
}

void releaseCompressor(CompressorKind kind) {
    boundCompressors().of(kind).reset();
}

void releaseCompressors() {
    releaseCompressor(CompressorKind::Video);
    releaseCompressor(CompressorKind::Audio);
}

bool saveCompressorPreset(GstElement* element) {
    return element && GST_IS_PRESET(element) &&
           gst_preset_save_preset(GST_PRESET(element), kCompressorPresetName);
}
