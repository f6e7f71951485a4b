#include "engine/TransitionChooser.h"

#include <chrono>

#include "engine/TransitionCatalogue.h"

TransitionChooser::TransitionChooser()
    : TransitionChooser(
          static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count())) {}

TransitionChooser::TransitionChooser(uint32_t seed) : random_(seed) {}

int32_t TransitionChooser::chooseTransition(int position) {
    switch (defaults_.transitionMode) {
        case TransitionMode::Random:
            return static_cast<int32_t>(random_() % kTransitionCount);
        case TransitionMode::Sequence: {
            // Positions past the last index wrap round by 46, never reaching "None" again.
            const int32_t last = kTransitionCount - 1;
            int32_t index = position;
            if (index > last) {
                index = (index - 1) % last + 1;
            }
            return index;
        }
        case TransitionMode::Same:
            return defaults_.chosenTransition;
    }
    // A stored mode the program does not know gives no transition.
    return 0;
}
