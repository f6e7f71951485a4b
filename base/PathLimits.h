#pragma once

// The longest path the program takes anywhere: a source, an item of a timeline, an output name.
// The described program's limit (MAX_PATH without its terminating zero), kept so that a
// project and an output name that work in one place work in every other.
constexpr int kLongestPath = 259;
