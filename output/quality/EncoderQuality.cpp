#include "output/quality/EncoderQuality.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>

#include "media/Elements.h"
#include "output/compressors/EncoderTable.h"
#include "output/quality/SizeTarget.h"

namespace {

using EncoderQuality = EncoderRow;

// Sound bitrates of the encoders whose levels are qualities, by level, for two channels; the
// bitrate a size target gives them. MP3's constant bitrates must be among its standard ones.
constexpr std::array<int64_t, kQualityLevelCount> kSoundLadder = {64000, 96000, 128000, 160000,
                                                                  192000};

const EncoderQuality* qualityOf(const char* factory) {
    return encoderRow(factory);
}

const EncoderQuality* qualityOf(const QString& factory) {
    return encoderRow(factory);
}

void set(GstElement* element, const char* name, const std::string& value) {
    if (name && hasProperty(element, name)) {
        gst_util_set_object_arg(G_OBJECT(element), name, value.c_str());
    }
}

template <size_t N>
void setAll(GstElement* element, const std::array<EncoderSetting, N>& settings) {
    for (const EncoderSetting& setting : settings) {
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
    if (quality->levelAlsoSets) {
        set(encoder, quality->levelAlsoSets, value);
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
