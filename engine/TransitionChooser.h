#pragma once

#include <cstdint>
#include <random>

#include "project/ConversionProject.h"

// Picks the transition of a new video item from the project defaults.
class TransitionChooser {
  public:
    // Seeded from the clock, so Random differs from run to run.
    TransitionChooser();
    explicit TransitionChooser(uint32_t seed);

    void setDefaults(const ProjectDefaults& defaults) { defaults_ = defaults; }

    // The catalogue index for an item at `position` (0-based) of the video list.
    int32_t chooseTransition(int position);

  private:
    ProjectDefaults defaults_;
    std::minstd_rand random_;
};
