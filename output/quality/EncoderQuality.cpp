#include "output/quality/EncoderQuality.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace {

struct Setting {
    const char* name = nullptr;
    const char* value = nullptr;
};

// How a level's value is given to the encoder.
enum class LevelValue {
    AsWritten,      // the text as it stands
    PerStereoPair,  // a bitrate for two channels, scaled with the channel count
};

struct EncoderQuality {
    const char* factory;
    // Set at every level: the constant-quality mode and a speed worth waiting for.
    std::array<Setting, 6> fixed;
    const char* levelProperty;
    // Smallest file ... best quality.
    std::array<const char*, kQualityLevelCount> levels;
    LevelValue levelValue = LevelValue::AsWritten;
    // The most the encoder takes of a scaled bitrate (bits per second); 0: no bound.
    long maximum = 0;
};

// Chosen so that one level gives about the same picture (SSIM against the source scaled alike)
// with every video encoder; the sound follows the level in the same steps.
constexpr EncoderQuality kEncoders[] = {
    // Without a VBV of 0 the CRF is capped at the "bitrate" (2048 kbit/s by default).
    {"x264enc",
     {{{"pass", "qual"}, {"vbv-buf-capacity", "0"}, {"speed-preset", "medium"}}},
     "quantizer",
     {"29", "26", "23", "20", "17"}},
    {"x265enc",
     {{{"speed-preset", "medium"}}},
     "option-string",
     {"crf=31", "crf=28", "crf=26", "crf=23", "crf=20"}},
    // Constrained quality under a bitrate it never reaches is constant quality (1.22's VP9
    // encoder has no mode of its own for it). Speed 4 of the "good" deadline is the fastest that
    // keeps its compression; row-mt lets it use more than one core.
    {"vp9enc",
     {{{"end-usage", "cq"},
       {"target-bitrate", "100000000"},
       {"deadline", "1000000"},
       {"cpu-used", "4"},
       {"row-mt", "true"},
       {"auto-alt-ref", "true"}}},
     "cq-level",
     {"44", "38", "33", "28", "22"}},
    {"vp8enc",
     {{{"end-usage", "cq"},
       {"target-bitrate", "100000000"},
       {"deadline", "1000000"},
       {"cpu-used", "4"},
       {"auto-alt-ref", "true"}}},
     "cq-level",
     {"36", "26", "18", "12", "6"}},
    {"av1enc",
     {{{"end-usage", "q"}, {"cpu-used", "6"}, {"row-mt", "true"}}},
     "cq-level",
     {"44", "38", "32", "26", "20"}},
    {"avenc_mpeg4", {{{"pass", "quant"}}}, "quantizer", {"12", "8", "5", "3.5", "2"}},
    {"avenc_msmpeg4", {{{"pass", "quant"}}}, "quantizer", {"12", "8", "5", "3.5", "2"}},
    {"avenc_msmpeg4v2", {{{"pass", "quant"}}}, "quantizer", {"12", "8", "5", "3.5", "2"}},
    {"avenc_h263", {{{"pass", "quant"}}}, "quantizer", {"12", "8", "5", "3.5", "2"}},
    {"avenc_h263p", {{{"pass", "quant"}}}, "quantizer", {"12", "8", "5", "3.5", "2"}},
    {"avenc_wmv1", {{{"pass", "quant"}}}, "quantizer", {"12", "8", "5", "3.5", "2"}},
    {"avenc_wmv2", {{{"pass", "quant"}}}, "quantizer", {"12", "8", "5", "3.5", "2"}},
    {"theoraenc", {{{"bitrate", "0"}}}, "quality", {"20", "32", "44", "52", "60"}},
    // Sound.
    {"avenc_aac",
     {},
     "bitrate",
     {"80000", "96000", "128000", "160000", "256000"},
     LevelValue::PerStereoPair,
     512000},
    {"voaacenc",
     {},
     "bitrate",
     {"80000", "96000", "128000", "160000", "256000"},
     LevelValue::PerStereoPair,
     320000},
    {"opusenc",
     {},
     "bitrate",
     {"48000", "64000", "96000", "128000", "160000"},
     LevelValue::PerStereoPair,
     512000},
    {"vorbisenc", {{{"managed", "false"}}}, "quality", {"0.1", "0.3", "0.4", "0.6", "0.8"}},
    {"lamemp3enc", {{{"target", "quality"}}}, "quality", {"6", "5", "4", "2", "0"}},
    {"avenc_ac3",
     {},
     "bitrate",
     {"128000", "160000", "192000", "224000", "256000"},
     LevelValue::PerStereoPair,
     640000},
    {"avenc_ac3_fixed",
     {},
     "bitrate",
     {"128000", "160000", "192000", "224000", "256000"},
     LevelValue::PerStereoPair,
     640000},
    {"avenc_eac3",
     {},
     "bitrate",
     {"96000", "128000", "160000", "192000", "224000"},
     LevelValue::PerStereoPair,
     1536000},
    {"avenc_mp2",
     {},
     "bitrate",
     {"128000", "160000", "192000", "224000", "256000"},
     LevelValue::AsWritten},
    {"avenc_mp2fixed",
     {},
     "bitrate",
     {"128000", "160000", "192000", "224000", "256000"},
     LevelValue::AsWritten},
    {"twolamemp2enc", {}, "bitrate", {"128", "160", "192", "224", "256"}, LevelValue::AsWritten},
    {"avenc_wmav1",
     {},
     "bitrate",
     {"64000", "96000", "128000", "160000", "192000"},
     LevelValue::PerStereoPair,
     320000},
    {"avenc_wmav2",
     {},
     "bitrate",
     {"64000", "96000", "128000", "160000", "192000"},
     LevelValue::PerStereoPair,
     320000},
    {"speexenc", {}, "quality", {"3", "5", "7", "8", "10"}},
};

const EncoderQuality* qualityOf(const char* factory) {
    for (const EncoderQuality& encoder : kEncoders) {
        if (std::strcmp(encoder.factory, factory) == 0) {
            return &encoder;
        }
    }
    return nullptr;
}

bool hasProperty(GstElement* element, const char* name) {
    return g_object_class_find_property(G_OBJECT_GET_CLASS(element), name) != nullptr;
}

void set(GstElement* element, const char* name, const std::string& value) {
    if (hasProperty(element, name)) {
        gst_util_set_object_arg(G_OBJECT(element), name, value.c_str());
    }
}

}  // namespace

void applyEncoderGoal(GstElement* encoder, const EncoderGoal& goal) {
    GstElementFactory* factory = gst_element_get_factory(encoder);
    const EncoderQuality* quality = factory ? qualityOf(GST_OBJECT_NAME(factory)) : nullptr;
    if (!quality) {
        return;
    }
    for (const Setting& setting : quality->fixed) {
        if (setting.name) {
            set(encoder, setting.name, setting.value);
        }
    }
    // libvpx and libaom work on one thread unless told otherwise.
    if (hasProperty(encoder, "row-mt") && hasProperty(encoder, "threads")) {
        g_object_set(encoder, "threads", static_cast<gint>(g_get_num_processors()), nullptr);
    }
    std::string value = quality->levels[static_cast<size_t>(goal.level)];
    if (quality->levelValue == LevelValue::PerStereoPair) {
        // Mono keeps the stereo bitrate: below it the encoders lose more than they save.
        const long channels = std::max(goal.channels, 2);
        long bitrate = std::stol(value) * channels / 2;
        if (quality->maximum > 0) {
            bitrate = std::min(bitrate, quality->maximum);
        }
        value = std::to_string(bitrate);
    }
    set(encoder, quality->levelProperty, value);
}

bool hasQualityLevels(const QString& factoryName) {
    return qualityOf(factoryName.toUtf8().constData()) != nullptr;
}
