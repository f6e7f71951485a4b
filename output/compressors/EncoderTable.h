#pragma once

#include <QString>
#include <array>
#include <cstdint>

#include "output/quality/QualityLevel.h"

// What the program knows of each encoder, one row each: the name users know it by, whether it
// can write a file here, how it uses the cores and its input, and how it is set for a quality
// level or a bitrate. Which formats take an encoder is read from the writers' pad templates
// (CompressorCatalogue), not kept here. Adding an encoder is adding a row.

struct EncoderSetting {
    const char* name = nullptr;
    const char* value = nullptr;
};

// How a level's value is given to the encoder.
enum class LevelValue {
    AsWritten,      // the text as it stands
    PerStereoPair,  // a bitrate for two channels, scaled with the channel count
};

// How an encoder aims at a bitrate, for a size target.
struct BitrateControl {
    const char* property = nullptr;        // nullptr: it cannot
    int64_t unit = 1;                      // bits per unit of the property (1000 for kbit/s)
    std::array<EncoderSetting, 2> mode{};  // its average-bitrate mode
    // Two passes: the property taking the pass, its values for the first and second, and the
    // property naming the notes' file; a value holding "%1" names the file itself.
    const char* passProperty = nullptr;
    const char* firstPass = nullptr;
    const char* secondPass = nullptr;
    const char* statsProperty = nullptr;
    // The libav encoders aim by the quantizer of libavQuantizerFor.
    bool viaQuantizer = false;
    double leastBitsPerPixel = 0.01;
};

struct EncoderRow {
    const char* factory;
    // The name users know the codec by; nullptr: the factory's long name, which is technical.
    const char* displayName = nullptr;
    // Registered, but writes no file here (the reasons stand beside the rows).
    bool usable = true;
    // Spreads over every core itself, at several times the cost of decoding its pictures.
    bool busiesEveryCore = false;
    // Its library copies each picture as it takes it and never reads the buffer afterwards.
    bool copiesItsInput = false;
    // Set at every level: the constant-quality mode and a speed worth waiting for.
    std::array<EncoderSetting, 6> fixed{};
    // The control a level sets, with its value at each level, smallest file ... best quality.
    const char* levelProperty = nullptr;
    std::array<const char*, kQualityLevelCount> levels{};
    LevelValue levelValue = LevelValue::AsWritten;
    // The most the encoder takes of a scaled bitrate (bits per second); 0: no bound.
    long maximum = 0;
    BitrateControl bitrate{};
    // A second control set to the level's value.
    const char* levelAlsoSets = nullptr;
};

// The row of an encoder factory ("x264enc"), or nullptr for one the program knows nothing of.
const EncoderRow* encoderRow(const char* factory);
const EncoderRow* encoderRow(const QString& factory);
