#pragma once

#include "output/settings/OutputRules.h"
#include "output/settings/OutputSettings.h"

// What Convert checks and adjusts before anything is built, as pure functions on the
// conversion's own copy of the settings: a conversion never changes the record it was given.
// The window keeps what it wants of the adjusted copy (the answer to the frame-rate question).

// The rate written when the source's own one is questioned and Yes is answered.
constexpr double kFallbackFrameRate = kDefaultFrameRate;
// Above this, a source's own rate is likely a misreading and is questioned.
constexpr double kHighestLikelyFrameRate = 100.0;

// Whether the source's own rate ("original" chosen) is unlikely enough to ask about.
bool frameRateIsQuestionable(const OutputSettings& settings);

// The settings with the question answered: Yes writes kFallbackFrameRate, No the source's own.
OutputSettings withFrameRateAnswer(OutputSettings settings, bool useFallback);

// Whether any writer takes the rate (it is a number within the limits of the options).
bool frameRateIsWritable(const OutputSettings& settings);

// Compressors store colour at half the size (4:2:0), which an odd width or height cannot have:
// the frame made even, as OK of the output options makes a typed one, wherever pictures are
// compressed.
OutputSettings withEvenFrame(OutputSettings settings);
