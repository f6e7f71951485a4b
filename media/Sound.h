#pragma once

// Something the program lets the user hear. It is only ever started: playing never blocks and
// never reports back, so a missing sound output costs nothing but the sound.
class Sound {
  public:
    virtual ~Sound() = default;

    // Starts the sound and returns at once.
    virtual void play() = 0;
};
