#include "player/AudioOutput.h"

#include <cstring>

namespace {

// autoaudiosink settles on an inner sink when it starts; with no device at all that is a fake one.
bool playsIntoFakeSink(GstElement* autoSink) {
    bool fake = false;
    GstIterator* children = gst_bin_iterate_elements(GST_BIN(autoSink));
    GValue child = G_VALUE_INIT;
    while (gst_iterator_next(children, &child) == GST_ITERATOR_OK) {
        GstElementFactory* factory =
            gst_element_get_factory(GST_ELEMENT(g_value_get_object(&child)));
        if (factory && std::strcmp(GST_OBJECT_NAME(factory), "fakesink") == 0) {
            fake = true;
        }
        g_value_reset(&child);
    }
    g_value_unset(&child);
    gst_iterator_free(children);
    return fake;
}

GObjectPtr<GstElement> silentSink() {
    GObjectPtr<GstElement> sink = refSink(gst_element_factory_make("fakesink", "silent-output"));
    if (sink) {
        // Keeps to the clock like a sound card would, so pictures still play in time.
        g_object_set(sink.get(), "sync", TRUE, nullptr);
    }
    return sink;
}

}  // namespace

GObjectPtr<GstElement> makeAudioOutput() {
    GObjectPtr<GstElement> output = refSink(gst_element_factory_make("autoaudiosink", nullptr));
    if (!output) {
        return silentSink();
    }
    const GstStateChangeReturn started = gst_element_set_state(output.get(), GST_STATE_READY);
    if (started != GST_STATE_CHANGE_FAILURE && !playsIntoFakeSink(output.get())) {
        // Left ready: taking it down would make it search for a device all over again.
        return output;
    }
    gst_element_set_state(output.get(), GST_STATE_NULL);
    return silentSink();
}
