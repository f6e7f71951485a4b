#pragma once

#include <thread>

// Loads, on a thread of its own, the plugins that opening, playing and converting common files
// need, so that the first Open Video does not wait for them: the libav plugin alone brings some
// two hundred libraries. Nothing depends on it having finished; the destructor waits for it.
class PluginPreloader {
  public:
    PluginPreloader();
    ~PluginPreloader();
    PluginPreloader(const PluginPreloader&) = delete;
    PluginPreloader& operator=(const PluginPreloader&) = delete;

  private:
    std::thread thread_;
};
