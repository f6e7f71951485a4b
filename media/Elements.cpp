#include "media/Elements.h"

#include <gst/pbutils/pbutils.h>

#include <array>
#include <cmath>
#include <string_view>
#include <tuple>

Status makeElement(const char* factory, const char* name, GObjectPtr<GstElement>* element) {
    *element = refSink(gst_element_factory_make(factory, name));
    return *element ? status::kOk : status::kNoDecoder;
}

bool elementInstalled(const char* factory) {
    if (!gst_is_initialized()) {
        return false;
    }
    GstElementFactory* found = gst_element_factory_find(factory);
    if (found) {
        gst_object_unref(found);
    }
    return found != nullptr;
}

QString missingElementDescription(const char* factory) {
    GCharPtr description(gst_pb_utils_get_element_description(factory));
    return description ? QString::fromUtf8(description.get()) : QString::fromUtf8(factory);
}

bool padCarries(GstPad* pad, const char* prefix) {
    GstCapsPtr caps(gst_pad_get_current_caps(pad));
    if (!caps) {
        caps.reset(gst_pad_query_caps(pad, nullptr));
    }
    return caps && gst_caps_get_size(caps.get()) > 0 &&
           g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps.get(), 0)), prefix);
}

GstElement* linkToFakeSink(GstBin* bin, GstPad* pad, bool prerolls) {
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    g_object_set(sink, "sync", FALSE, "async", prerolls, nullptr);
    gst_bin_add(bin, sink);
    GObjectPtr<GstPad> input(gst_element_get_static_pad(sink, "sink"));
    gst_pad_link(pad, input.get());
    gst_element_sync_state_with_parent(sink);
    return sink;
}

Status linkChain(std::initializer_list<GstElement*> elements, QString* failedLink) {
    GstElement* previous = nullptr;
    for (GstElement* element : elements) {
        if (previous && !gst_element_link(previous, element)) {
            if (failedLink) {
                *failedLink =
                    QStringLiteral("%1 → %2").arg(QString::fromUtf8(GST_ELEMENT_NAME(previous)),
                                                  QString::fromUtf8(GST_ELEMENT_NAME(element)));
            }
            return status::kCannotConnect;
        }
        previous = element;
    }
    return status::kOk;
}

void frameRateFraction(double framesPerSecond, int* numerator, int* denominator) {
    // 23.976, 29.97 and 59.94 stand for the 1000/1001 rates of NTSC video.
    constexpr std::array kNtscBases = {24, 30, 48, 60, 120};
    for (int base : kNtscBases) {
        if (std::abs(framesPerSecond - base * 1000.0 / 1001.0) < 0.0015) {
            *numerator = base * 1000;
            *denominator = 1001;
            return;
        }
    }
    gst_util_double_to_fraction(framesPerSecond, numerator, denominator);
}

const char* parserForCaps(const GstCaps* caps) {
    if (!caps || gst_caps_is_any(caps) || gst_caps_is_empty(caps)) {
        return nullptr;
    }
    const GstStructure* structure = gst_caps_get_structure(caps, 0);
    const std::string_view name = gst_structure_get_name(structure);
    int version = 0;
    gst_structure_get_int(structure, "mpegversion", &version);
    if (name == "video/mpeg") {
        return version == 4 ? "mpeg4videoparse" : "mpegvideoparse";
    }
    if (name == "video/x-h264") {
        return "h264parse";
    }
    if (name == "video/x-h265") {
        return "h265parse";
    }
    if (name == "video/x-av1") {
        return "av1parse";
    }
    if (name == "video/x-vp9") {
        return "vp9parse";  // MP4 needs the profile and depth it reads from the stream
    }
    if (name == "audio/mpeg") {
        return version == 1 ? "mpegaudioparse" : "aacparse";
    }
    return nullptr;
}

QString errorTextOf(GstMessage* message, const QString& fallback) {
    GError* rawError = nullptr;
    gchar* rawDebug = nullptr;
    gst_message_parse_error(message, &rawError, &rawDebug);
    GErrorPtr error(rawError);
    GCharPtr debug(rawDebug);
    return error ? QString::fromUtf8(error->message) : fallback;
}

void watchPadData(GstElement* element, const char* pad, GstPadProbeCallback callback,
                  gpointer state, GDestroyNotify freeState) {
    GObjectPtr<GstPad> watched(gst_element_get_static_pad(element, pad));
    if (!watched) {
        freeState(state);
        return;
    }
    gst_pad_add_probe(watched.get(),
                      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                   GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                      callback, state, freeState);
}

void addAlwaysPads(GstElementClass* element, const char* inputCaps, const char* outputCaps) {
    for (const auto& [name, direction, description] :
         {std::tuple{"sink", GST_PAD_SINK, inputCaps},
          std::tuple{"src", GST_PAD_SRC, outputCaps}}) {
        GstCapsPtr caps(gst_caps_from_string(description));
        gst_element_class_add_pad_template(
            element, gst_pad_template_new(name, direction, GST_PAD_ALWAYS, caps.get()));
    }
}

bool hasProperty(GstElement* element, const char* name) {
    return g_object_class_find_property(G_OBJECT_GET_CLASS(element), name) != nullptr;
}

QString takePendingError(GstElement* pipeline, const QString& fallback) {
    GObjectPtr<GstBus> bus(gst_element_get_bus(pipeline));
    GstMessagePtr message(gst_bus_pop_filtered(bus.get(), GST_MESSAGE_ERROR));
    return message ? errorTextOf(message.get(), fallback) : QString();
}

bool factoryTakesMediaType(const char* factory, const QString& mediaType) {
    GObjectPtr<GstElementFactory> found(gst_element_factory_find(factory));
    if (!found || mediaType.isEmpty()) {
        return false;
    }
    GstCapsPtr caps(gst_caps_from_string(mediaType.toUtf8().constData()));
    return caps && gst_element_factory_can_sink_any_caps(found.get(), caps.get());
}
