#include "output/quality/EncoderQuality.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>

#include "media/Elements.h"

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

// How an encoder aims at a bitrate, for a size target.
struct BitrateControl {
    const char* property = nullptr;  // nullptr: it cannot
    int64_t unit = 1;                // bits per unit of the property (1000 for kbit/s)
    std::array<Setting, 2> mode{};   // its average-bitrate mode
    // Two passes: the property taking the pass, its values for the first and second, and the
    // property naming the notes' file; a value holding "%1" names the file itself.
    const char* passProperty = nullptr;
    const char* firstPass = nullptr;
    const char* secondPass = nullptr;
    const char* statsProperty = nullptr;
    // The libav encoders aim by the quantizer of libavQuantizerFor.
    bool viaQuantizer = false;
    double leastBitsPerPixel = 0.01;
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
    BitrateControl bitrate = {};
};

// GStreamer 1.22's libav wrapper ignores its "quantizer" and breaks the encoders' rate control
// (see libavQuantizerFor), which then sits at the coarsest quantizer allowed: the bound on it
// is the one control that works.
constexpr std::array<Setting, 6> kLibavAtBound = {{{"pass", "cbr"}, {"bitrate", "1000"}}};
constexpr std::array<const char*, kQualityLevelCount> kQuantizers = {"12", "8", "5", "4", "3"};
// One pass: GStreamer 1.22's libav wrapper corrupts the heap in a second pass (its notes are
// freed twice when the encoder closes), so the file is measured and corrected instead.
constexpr BitrateControl kLibavVideoBitrate = {"qmax",  1,       {},   nullptr, nullptr,
                                               nullptr, nullptr, true, 0.05};
constexpr BitrateControl kVpxBitrate = {
    "target-bitrate", 1,           {{{"end-usage", "vbr"}}}, "multipass-mode",
    "first-pass",     "last-pass", "multipass-cache-file"};
// Sound encoders aim at their bitrate property as it is.
constexpr BitrateControl kSoundBitrate = {"bitrate"};

// Chosen so that one level gives about the same picture (SSIM against the source scaled alike)
// with every video encoder; the sound follows the level in the same steps.
constexpr EncoderQuality kEncoders[] = {
    // Without a VBV of 0 the CRF is capped at the "bitrate" (2048 kbit/s by default).
    {"x264enc",
     {{{"pass", "qual"}, {"vbv-buf-capacity", "0"}, {"speed-preset", "medium"}}},
     "quantizer",
     {"29", "26", "23", "20", "17"},
     LevelValue::AsWritten,
     0,
     {"bitrate", 1000, {{{"pass", "cbr"}}}, "pass", "pass1", "pass2", "multipass-cache-file"}},
    {"x265enc",
     {{{"speed-preset", "medium"}}},
     "option-string",
     {"crf=31", "crf=28", "crf=26", "crf=23", "crf=20"},
     LevelValue::AsWritten,
     0,
     {"bitrate", 1000, {}, "option-string", "pass=1:stats=%1", "pass=2:stats=%1", nullptr}},
    // Constrained quality under a bitrate it never reaches, with the finest quantizer held at
    // the level, is constant quality (1.22's VP9 encoder has no mode of its own for it). Speed 4 of
    // the "good" deadline is the fastest that
    // keeps its compression; row-mt lets it use more than one core.
    {"vp9enc",
     {{{"end-usage", "cq"},
       {"target-bitrate", "100000000"},
       {"deadline", "1000000"},
       {"cpu-used", "4"},
       {"row-mt", "true"},
       {"auto-alt-ref", "true"}}},
     "cq-level",
     {"44", "38", "33", "28", "22"},
     LevelValue::AsWritten,
     0,
     kVpxBitrate},
    {"vp8enc",
     {{{"end-usage", "cq"},
       {"target-bitrate", "100000000"},
       {"deadline", "1000000"},
       {"cpu-used", "4"},
       {"auto-alt-ref", "true"}}},
     "cq-level",
     {"36", "26", "18", "12", "6"},
     LevelValue::AsWritten,
     0,
     kVpxBitrate},
    {"av1enc",
     {{{"end-usage", "q"}, {"cpu-used", "6"}, {"row-mt", "true"}}},
     "cq-level",
     {"44", "38", "32", "26", "20"},
     LevelValue::AsWritten,
     0,
     {"target-bitrate", 1000, {{{"end-usage", "vbr"}}}}},
    {"avenc_mpeg4", kLibavAtBound, "qmax", kQuantizers, LevelValue::AsWritten, 0,
     kLibavVideoBitrate},
    {"avenc_msmpeg4", kLibavAtBound, "qmax", kQuantizers, LevelValue::AsWritten, 0,
     kLibavVideoBitrate},
    {"avenc_msmpeg4v2", kLibavAtBound, "qmax", kQuantizers, LevelValue::AsWritten, 0,
     kLibavVideoBitrate},
    {"avenc_h263", kLibavAtBound, "qmax", kQuantizers, LevelValue::AsWritten, 0,
     kLibavVideoBitrate},
    {"avenc_h263p", kLibavAtBound, "qmax", kQuantizers, LevelValue::AsWritten, 0,
     kLibavVideoBitrate},
    {"avenc_wmv1", kLibavAtBound, "qmax", kQuantizers, LevelValue::AsWritten, 0,
     kLibavVideoBitrate},
    {"avenc_wmv2", kLibavAtBound, "qmax", kQuantizers, LevelValue::AsWritten, 0,
     kLibavVideoBitrate},
    {"theoraenc",
     {{{"bitrate", "0"}}},
     "quality",
     {"20", "32", "44", "52", "60"},
     LevelValue::AsWritten,
     0,
     {"bitrate", 1000, {}, "multipass-mode", "first-pass", "second-pass", "multipass-cache-file"}},
    {"openh264enc",
     {},
     nullptr,
     {},
     LevelValue::AsWritten,
     0,
     {"bitrate", 1, {{{"rate-control", "bitrate"}}}}},
    // Sound.
    {"avenc_aac",
     {},
     "bitrate",
     {"80000", "96000", "128000", "160000", "256000"},
     LevelValue::PerStereoPair,
     512000,
     kSoundBitrate},
    {"voaacenc",
     {},
     "bitrate",
     {"80000", "96000", "128000", "160000", "256000"},
     LevelValue::PerStereoPair,
     320000,
     kSoundBitrate},
    {"opusenc",
     {},
     "bitrate",
     {"48000", "64000", "96000", "128000", "160000"},
     LevelValue::PerStereoPair,
     512000,
     {"bitrate", 1, {{{"bitrate-type", "constrained-vbr"}}}}},
    {"vorbisenc",
     {{{"managed", "false"}}},
     "quality",
     {"0.1", "0.3", "0.4", "0.6", "0.8"},
     LevelValue::AsWritten,
     0,
     {"bitrate", 1, {{{"managed", "true"}}}}},
    {"lamemp3enc",
     {{{"target", "quality"}}},
     "quality",
     {"6", "5", "4", "2", "0"},
     LevelValue::AsWritten,
     0,
     {"bitrate", 1000, {{{"target", "bitrate"}, {"cbr", "true"}}}}},
    {"avenc_ac3",
     {},
     "bitrate",
     {"128000", "160000", "192000", "224000", "256000"},
     LevelValue::PerStereoPair,
     640000,
     kSoundBitrate},
    {"avenc_ac3_fixed",
     {},
     "bitrate",
     {"128000", "160000", "192000", "224000", "256000"},
     LevelValue::PerStereoPair,
     640000,
     kSoundBitrate},
    {"avenc_eac3",
     {},
     "bitrate",
     {"96000", "128000", "160000", "192000", "224000"},
     LevelValue::PerStereoPair,
     1536000,
     kSoundBitrate},
    {"avenc_mp2",
     {},
     "bitrate",
     {"128000", "160000", "192000", "224000", "256000"},
     LevelValue::AsWritten,
     0,
     kSoundBitrate},
    {"avenc_mp2fixed",
     {},
     "bitrate",
     {"128000", "160000", "192000", "224000", "256000"},
     LevelValue::AsWritten,
     0,
     kSoundBitrate},
    {"twolamemp2enc",
     {},
     "bitrate",
     {"128", "160", "192", "224", "256"},
     LevelValue::AsWritten,
     0,
     {"bitrate", 1000}},
    {"avenc_wmav1",
     {},
     "bitrate",
     {"64000", "96000", "128000", "160000", "192000"},
     LevelValue::PerStereoPair,
     320000,
     kSoundBitrate},
    {"avenc_wmav2",
     {},
     "bitrate",
     {"64000", "96000", "128000", "160000", "192000"},
     LevelValue::PerStereoPair,
     320000,
     kSoundBitrate},
    {"speexenc", {}, "quality", {"3", "5", "7", "8", "10"}},
};

// Sound bitrates of the encoders whose levels are qualities, by level, for two channels; the
// bitrate a size target gives them. MP3's constant bitrates must be among its standard ones.
constexpr std::array<int64_t, kQualityLevelCount> kSoundLadder = {64000, 96000, 128000, 160000,
                                                                  192000};

const EncoderQuality* qualityOf(const char* factory) {
    for (const EncoderQuality& encoder : kEncoders) {
        if (std::strcmp(encoder.factory, factory) == 0) {
            return &encoder;
        }
    }
    return nullptr;
}

const EncoderQuality* qualityOf(const QString& factory) {
    return qualityOf(factory.toUtf8().constData());
}

void set(GstElement* element, const char* name, const std::string& value) {
    if (name && hasProperty(element, name)) {
        gst_util_set_object_arg(G_OBJECT(element), name, value.c_str());
    }
}

template <size_t N>
void setAll(GstElement* element, const std::array<Setting, N>& settings) {
    for (const Setting& setting : settings) {
        if (setting.name) {
            set(element, setting.name, setting.value);
        }
    }
}

// The level's sound bitrate, scaled for the channels.
int64_t scaledBitrate(const EncoderQuality& quality, int64_t stereo, int channels) {
    // Mono keeps the stereo bitrate: below it the encoders lose more than they save.
    int64_t bitrate = stereo * std::max(channels, 2) / 2;
    return quality.maximum > 0 ? std::min<int64_t>(bitrate, quality.maximum) : bitrate;
}

std::string withFile(const char* value, const QString& file) {
    std::string text = value;
    const size_t mark = text.find("%1");
    if (mark != std::string::npos) {
        text.replace(mark, 2, file.toStdString());
    }
    return text;
}

// The libav encoders hold their quantizer at 2 at the finest unless their rate-distortion floor
// (lambda, in units of 118 a quantizer step) comes down with it.
void allowFinestQuantizer(GstElement* encoder, int quantizer) {
    constexpr int kLambdaPerQuantizer = 118;
    if (quantizer <= kFinestLibavQuantizer) {
        set(encoder, "qmin", std::to_string(quantizer));
        set(encoder, "lmin", std::to_string(quantizer * kLambdaPerQuantizer));
        set(encoder, "mblmin", std::to_string(quantizer * kLambdaPerQuantizer));
    }
}

void applyBitrate(GstElement* encoder, const EncoderQuality& quality, const EncoderGoal& goal) {
    const BitrateControl& control = quality.bitrate;
    setAll(encoder, control.mode);
    if (control.viaQuantizer && goal.blendFinest > 0) {
        allowFinestQuantizer(encoder, goal.blendFinest);
        set(encoder, "qmin", std::to_string(goal.blendFinest));
        set(encoder, "qmax", std::to_string(goal.blendCoarsest));
        set(encoder, "bitrate", std::to_string(std::clamp<int64_t>(goal.bitrate, 1, G_MAXINT)));
        return;
    }
    if (control.viaQuantizer) {
        const int quantizer = libavQuantizerStep(double(goal.bitrate), goal.pixelsPerSecond);
        allowFinestQuantizer(encoder, quantizer);
        set(encoder, control.property, std::to_string(quantizer));
        return;
    }
    set(encoder, control.property,
        std::to_string(std::max<int64_t>(goal.bitrate / control.unit, 1)));
    if (goal.pass == 0 || !control.passProperty) {
        return;
    }
    set(encoder, control.passProperty,
        withFile(goal.pass == 1 ? control.firstPass : control.secondPass, goal.statsFile));
    if (control.statsProperty) {
        set(encoder, control.statsProperty, goal.statsFile.toStdString());
    }
}

}  // namespace

void applyEncoderGoal(GstElement* encoder, const EncoderGoal& goal) {
    GstElementFactory* factory = gst_element_get_factory(encoder);
    const EncoderQuality* quality = factory ? qualityOf(GST_OBJECT_NAME(factory)) : nullptr;
    if (!quality) {
        return;
    }
    setAll(encoder, quality->fixed);
    // libvpx and libaom work on one thread unless told otherwise.
    if (hasProperty(encoder, "row-mt") && hasProperty(encoder, "threads")) {
        g_object_set(encoder, "threads", static_cast<gint>(g_get_num_processors()), nullptr);
    }
    if (goal.bitrate > 0 && quality->bitrate.property) {
        applyBitrate(encoder, *quality, goal);
        return;
    }
    if (!quality->levelProperty) {
        return;
    }
    std::string value = quality->levels[static_cast<size_t>(goal.level)];
    if (quality->levelValue == LevelValue::PerStereoPair) {
        value = std::to_string(scaledBitrate(*quality, std::stol(value), goal.channels));
    }
    set(encoder, quality->levelProperty, value);
    // libvpx's constrained quality only bounds the quantizer from below loosely: holding its
    // finest quantizer at the level makes the level decide the picture.
    if (std::strncmp(quality->factory, "vp", 2) == 0) {
        set(encoder, "min-quantizer", value);
    }
}

void fitSoundBitrateToChannels(GstElement* encoder, const EncoderGoal& goal, int channels) {
    GstElementFactory* factory = gst_element_get_factory(encoder);
    const EncoderQuality* quality = factory ? qualityOf(GST_OBJECT_NAME(factory)) : nullptr;
    // A size's plan holds the sound's bitrate as it is; levels that are qualities need nothing.
    if (!quality || channels == goal.channels || goal.bitrate > 0 || !quality->levelProperty ||
        quality->levelValue != LevelValue::PerStereoPair ||
        !hasProperty(encoder, quality->levelProperty)) {
        return;
    }
    GValue held = G_VALUE_INIT;
    GValue text = G_VALUE_INIT;
    g_object_get_property(G_OBJECT(encoder), quality->levelProperty, &held);
    g_value_init(&text, G_TYPE_STRING);
    const bool readable = g_value_transform(&held, &text) && g_value_get_string(&text);
    const std::string now = readable ? g_value_get_string(&text) : std::string();
    g_value_unset(&held);
    g_value_unset(&text);
    const int64_t stereo = std::stol(quality->levels[static_cast<size_t>(goal.level)]);
    if (now != std::to_string(scaledBitrate(*quality, stereo, goal.channels))) {
        return;  // the user's own
    }
    set(encoder, quality->levelProperty, std::to_string(scaledBitrate(*quality, stereo, channels)));
}

double libavQuantizerFor(double bitrate, double pixelsPerSecond) {
    constexpr double kBitsPerPixelAtFinest = 0.5;
    constexpr double kFinest = 2;
    constexpr double kCoarsest = 31;
    if (bitrate <= 0 || pixelsPerSecond <= 0) {
        return kCoarsest;
    }
    const double bitsPerPixel = bitrate / pixelsPerSecond;
    const double quantizer = kFinest * std::pow(kBitsPerPixelAtFinest / bitsPerPixel, 1 / 0.85);
    return std::clamp(quantizer, kFinest, kCoarsest);
}

int libavQuantizerStep(double bitrate, double pixelsPerSecond) {
    return int(std::ceil(libavQuantizerFor(bitrate, pixelsPerSecond) - 0.05));
}

int64_t libavBitrateForStep(int quantizer, double pixelsPerSecond) {
    // The middle of the span of bitrates that round to this quantizer.
    const double inside = std::max(quantizer - 0.5, 2.0);
    return int64_t(pixelsPerSecond * 0.5 / std::pow(inside / 2, 0.85));
}

double leastBitsPerPixel(const QString& factoryName) {
    const EncoderQuality* quality = qualityOf(factoryName);
    return quality ? quality->bitrate.leastBitsPerPixel : 0.01;
}

bool aimsByQuantizer(const QString& factoryName) {
    const EncoderQuality* quality = qualityOf(factoryName);
    return quality && quality->bitrate.viaQuantizer;
}

bool hasQualityLevels(const QString& factoryName) {
    const EncoderQuality* quality = qualityOf(factoryName);
    return quality && quality->levelProperty;
}

bool takesBitrate(const QString& factoryName) {
    const EncoderQuality* quality = qualityOf(factoryName);
    return quality && quality->bitrate.property;
}

bool hasTwoPasses(const QString& factoryName) {
    const EncoderQuality* quality = qualityOf(factoryName);
    return quality && quality->bitrate.passProperty;
}

int64_t soundBitrate(const QString& factoryName, QualityLevel level, int channels) {
    const EncoderQuality* quality = qualityOf(factoryName);
    if (!quality || !quality->bitrate.property) {
        return 0;
    }
    const auto index = static_cast<size_t>(level);
    if (quality->levelProperty && std::strcmp(quality->levelProperty, "bitrate") == 0) {
        const int64_t value = std::stol(quality->levels[index]) * quality->bitrate.unit;
        return quality->levelValue == LevelValue::PerStereoPair
                   ? scaledBitrate(*quality, value, channels)
                   : value;
    }
    return scaledBitrate(*quality, kSoundLadder[index], channels);
}
