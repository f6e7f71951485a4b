#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// What the command line asks of one conversion; unset options keep the stored settings.
struct ConvertOptions {
    QString input;
    QString output;
    std::optional<double> startSeconds;
    std::optional<double> endSeconds;
    std::optional<int> format;
    std::optional<QString> size;  // "WxH" or "original"
    std::optional<QString> fps;   // a number or "original"
    std::optional<QString> resize;
    std::optional<QString> videoCompressor;  // a catalogue name, a unique part of one, or "none"
    std::optional<QString> audioCompressor;
    std::optional<int> videoBitrateKbps;
    std::optional<int> audioBitrateKbps;
    std::optional<int> quality;          // a QualityLevel
    std::optional<int64_t> targetBytes;  // 0: no size target
    std::optional<QString> soundTracks;  // "all", "none" or "N[,N...]"
    std::optional<QString> subtitles;    // "keep", "burn" or "none"
    std::optional<int> subtitleTrack;
    int64_t averageBitrate = 0;  // bits per second; 0: the quality level
    bool replaceExisting = false;
    bool showProgress = false;
};

// Opens the input as Open Video does, applies the options and runs the conversion job to its
// end. The exit status: 0 only when the whole span was written, 1 otherwise, 2 for bad options.
int runConversion(const ConvertOptions& options);
