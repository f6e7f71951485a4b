#include "media/PluginPreloader.h"

#include <gst/gst.h>

namespace {

// Demuxers, decoders, parsers and converters of the files people convert, and the player's ends.
constexpr const char* kPlugins[] = {
    "coreelements",  "typefindfunctions",
    "playback",      "libav",
    "isomp4",        "matroska",
    "avi",           "videoparsersbad",
    "audioparsers",  "videoconvertscale",
    "videorate",     "audioconvert",
    "audioresample", "app",
    "autodetect",
};

void loadPlugins() {
    for (const char* name : kPlugins) {
        // A plugin that is missing is reported where it is needed, not here.
        if (GstPlugin* plugin = gst_plugin_load_by_name(name)) {
            gst_object_unref(plugin);
        }
    }
}

}  // namespace

PluginPreloader::PluginPreloader() : thread_(&loadPlugins) {}

PluginPreloader::~PluginPreloader() {
    thread_.join();
}
