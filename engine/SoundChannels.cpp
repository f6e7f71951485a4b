#include "engine/SoundChannels.h"

#include <gst/audio/audio.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "media/GPtr.h"

namespace {

constexpr int kMostPlainChannels = 8;
constexpr float kMinus3dB = 0.70710678f;

using Position = GstAudioChannelPosition;

int largestChannels(const GValue* value) {
    if (G_VALUE_HOLDS_INT(value)) {
        return g_value_get_int(value);
    }
    if (GST_VALUE_HOLDS_INT_RANGE(value)) {
        return gst_value_get_int_range_max(value);
    }
    if (GST_VALUE_HOLDS_LIST(value)) {
        int most = 0;
        for (guint index = 0; index < gst_value_list_get_size(value); ++index) {
            most = std::max(most, largestChannels(gst_value_list_get_value(value, index)));
        }
        return most;
    }
    return 0;
}

struct ChannelPlan {
    GstElement* filter;  // owned by the pipeline
    GstElement* encoder;
    int mostChannels;
    EncoderGoal goal;
};

bool isLeft(Position position) {
    switch (position) {
        case GST_AUDIO_CHANNEL_POSITION_FRONT_LEFT:
        case GST_AUDIO_CHANNEL_POSITION_REAR_LEFT:
        case GST_AUDIO_CHANNEL_POSITION_SIDE_LEFT:
        case GST_AUDIO_CHANNEL_POSITION_FRONT_LEFT_OF_CENTER:
        case GST_AUDIO_CHANNEL_POSITION_TOP_FRONT_LEFT:
        case GST_AUDIO_CHANNEL_POSITION_TOP_REAR_LEFT:
        case GST_AUDIO_CHANNEL_POSITION_TOP_SIDE_LEFT:
        case GST_AUDIO_CHANNEL_POSITION_WIDE_LEFT:
        case GST_AUDIO_CHANNEL_POSITION_SURROUND_LEFT:
            return true;
        default:
            return false;
    }
}

bool isRight(Position position) {
    switch (position) {
        case GST_AUDIO_CHANNEL_POSITION_FRONT_RIGHT:
        case GST_AUDIO_CHANNEL_POSITION_REAR_RIGHT:
        case GST_AUDIO_CHANNEL_POSITION_SIDE_RIGHT:
        case GST_AUDIO_CHANNEL_POSITION_FRONT_RIGHT_OF_CENTER:
        case GST_AUDIO_CHANNEL_POSITION_TOP_FRONT_RIGHT:
        case GST_AUDIO_CHANNEL_POSITION_TOP_REAR_RIGHT:
        case GST_AUDIO_CHANNEL_POSITION_TOP_SIDE_RIGHT:
        case GST_AUDIO_CHANNEL_POSITION_WIDE_RIGHT:
        case GST_AUDIO_CHANNEL_POSITION_SURROUND_RIGHT:
            return true;
        default:
            return false;
    }
}

bool isSurround(Position position) {
    switch (position) {
        case GST_AUDIO_CHANNEL_POSITION_REAR_LEFT:
        case GST_AUDIO_CHANNEL_POSITION_REAR_RIGHT:
        case GST_AUDIO_CHANNEL_POSITION_SIDE_LEFT:
        case GST_AUDIO_CHANNEL_POSITION_SIDE_RIGHT:
        case GST_AUDIO_CHANNEL_POSITION_REAR_CENTER:
            return true;
        default:
            return false;
    }
}

bool isLfe(Position position) {
    return position == GST_AUDIO_CHANNEL_POSITION_LFE1 ||
           position == GST_AUDIO_CHANNEL_POSITION_LFE2;
}

// How much of an input channel goes into each output channel.
std::vector<float> spread(Position from, const std::vector<Position>& outputs) {
    std::vector<float> weights(outputs.size(), 0.f);
    const auto at = [&](Position position) {
        return std::find(outputs.begin(), outputs.end(), position) - outputs.begin();
    };
    if (const auto same = size_t(at(from)); same < outputs.size()) {
        weights[same] = 1.f;
        return weights;
    }
    if (isLfe(from)) {
        return weights;  // left out
    }
    if (outputs.size() == 1) {
        weights[0] =
            from == GST_AUDIO_CHANNEL_POSITION_FRONT_CENTER || !isSurround(from) ? 1.f : kMinus3dB;
        return weights;
    }
    // A surround onto the surround of the other kind (side for rear) when there is one.
    if (isSurround(from) && from != GST_AUDIO_CHANNEL_POSITION_REAR_CENTER) {
        for (size_t index = 0; index < outputs.size(); ++index) {
            if (isSurround(outputs[index]) && isLeft(outputs[index]) == isLeft(from)) {
                weights[index] = 1.f;
                return weights;
            }
        }
    }
    // Everything else onto the front: centres (and what has no side) on both at -3 dB.
    const float level =
        isSurround(from) || from == GST_AUDIO_CHANNEL_POSITION_FRONT_CENTER ? kMinus3dB : 1.f;
    for (size_t index = 0; index < outputs.size(); ++index) {
        const Position to = outputs[index];
        const bool front = to == GST_AUDIO_CHANNEL_POSITION_FRONT_LEFT ||
                           to == GST_AUDIO_CHANNEL_POSITION_FRONT_RIGHT;
        if (front && ((isLeft(from) && isLeft(to)) || (isRight(from) && isRight(to)))) {
            weights[index] = level;
        } else if (front && !isLeft(from) && !isRight(from)) {
            weights[index] = kMinus3dB;
        }
    }
    return weights;
}

void setMixMatrix(GstElement* converter, const std::vector<Position>& inputs,
                  const std::vector<Position>& outputs) {
    std::vector<std::vector<float>> rows(outputs.size(), std::vector<float>(inputs.size(), 0.f));
    for (size_t in = 0; in < inputs.size(); ++in) {
        const std::vector<float> weights = spread(inputs[in], outputs);
        for (size_t out = 0; out < outputs.size(); ++out) {
            rows[out][in] = weights[out];
        }
    }
    GValue matrix = G_VALUE_INIT;
    g_value_init(&matrix, GST_TYPE_ARRAY);
    for (std::vector<float>& row : rows) {
        float sum = 0;
        for (float weight : row) {
            sum += weight;
        }
        GValue rowValue = G_VALUE_INIT;
        g_value_init(&rowValue, GST_TYPE_ARRAY);
        for (float weight : row) {
            GValue cell = G_VALUE_INIT;
            g_value_init(&cell, G_TYPE_FLOAT);
            g_value_set_float(&cell, sum > 1 ? weight / sum : weight);
            gst_value_array_append_and_take_value(&rowValue, &cell);
        }
        gst_value_array_append_and_take_value(&matrix, &rowValue);
    }
    g_object_set_property(G_OBJECT(converter), "mix-matrix", &matrix);
    g_value_unset(&matrix);
}

GstPadProbeReturn onSoundFormat(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) != GST_EVENT_CAPS) {
        return GST_PAD_PROBE_OK;
    }
    const auto* plan = static_cast<const ChannelPlan*>(data);
    GstCaps* caps = nullptr;
    gst_event_parse_caps(event, &caps);
    GstAudioInfo input;
    if (!gst_audio_info_from_caps(&input, caps) || input.channels <= 0) {
        return GST_PAD_PROBE_OK;
    }
    const int channels = std::min(input.channels, plan->mostChannels);
    const guint64 mask = channels > 1 ? gst_audio_channel_get_fallback_mask(channels) : 0;
    GstCapsPtr wanted(
        gst_caps_new_simple("audio/x-raw", "channels", G_TYPE_INT, channels, nullptr));
    if (channels > 1) {
        gst_caps_set_simple(wanted.get(), "channel-mask", GST_TYPE_BITMASK, mask, nullptr);
    }
    g_object_set(plan->filter, "caps", wanted.get(), nullptr);
    GstElement* converter = GST_ELEMENT(GST_PAD_PARENT(pad));
    if (channels < input.channels) {
        std::vector<Position> outputs(size_t(channels), GST_AUDIO_CHANNEL_POSITION_MONO);
        if (channels > 1) {
            gst_audio_channel_positions_from_mask(channels, mask, outputs.data());
        }
        std::vector<Position> inputs(input.position, input.position + input.channels);
        if (GST_AUDIO_INFO_IS_UNPOSITIONED(&input) &&
            !gst_audio_channel_positions_from_mask(
                input.channels, gst_audio_channel_get_fallback_mask(input.channels),
                inputs.data())) {
            return GST_PAD_PROBE_OK;  // no idea where they sound: the converter's own way
        }
        setMixMatrix(converter, inputs, outputs);
    }
    if (plan->encoder) {
        fitSoundBitrateToChannels(plan->encoder, plan->goal, channels);
    }
    return GST_PAD_PROBE_OK;
}

}  // namespace

int mostChannelsOf(GstElement* encoder) {
    if (!encoder) {
        return kMostPlainChannels;
    }
    GObjectPtr<GstPad> input(gst_element_get_static_pad(encoder, "sink"));
    GstCapsPtr caps(input ? gst_pad_query_caps(input.get(), nullptr) : nullptr);
    int most = 0;
    for (guint index = 0; caps && index < gst_caps_get_size(caps.get()); ++index) {
        const GValue* channels =
            gst_structure_get_value(gst_caps_get_structure(caps.get(), index), "channels");
        most = std::max(most, channels ? largestChannels(channels) : kMostPlainChannels);
    }
    return most > 0 ? std::min(most, kMostPlainChannels) : 2;
}

void fitSoundChannels(GstElement* converter, GstElement* channelFilter, GstElement* encoder,
                      int mostChannels, const EncoderGoal& goal) {
    GObjectPtr<GstPad> input(gst_element_get_static_pad(converter, "sink"));
    auto* plan = new ChannelPlan{channelFilter, encoder, std::max(mostChannels, 1), goal};
    gst_pad_add_probe(input.get(), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &onSoundFormat, plan,
                      [](gpointer data) { delete static_cast<ChannelPlan*>(data); });
}
