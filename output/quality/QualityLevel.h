#pragma once

#include <cstdint>

// The quality a user chooses for a compressed file, from the smallest file to the best picture.
// Each level maps to every encoder's own constant-quality control (see EncoderQuality.h), so
// that one level looks alike whatever the encoder. Stored as its number.
enum class QualityLevel : int32_t { Smallest = 0, Small = 1, Balanced = 2, High = 3, Best = 4 };

inline constexpr int32_t kQualityLevelCount = 5;
inline constexpr QualityLevel kDefaultQualityLevel = QualityLevel::Balanced;

// The level of a stored number; out-of-range numbers give the default.
inline QualityLevel qualityLevelOf(int32_t stored) {
    return stored >= 0 && stored < kQualityLevelCount ? static_cast<QualityLevel>(stored)
                                                      : kDefaultQualityLevel;
}
