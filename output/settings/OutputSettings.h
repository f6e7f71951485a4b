#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>

// The compressors of a format that keeps a choice of its own (MP4, WebM): encoder factory names,
// empty for none.
struct OwnCompressors {
    QString video;
    QString audio;

    bool operator==(const OwnCompressors&) const = default;
};

// What a conversion writes and how. The main window owns one record; the output options dialog
// edits a copy. Sizes in pixels, rates in frames per second, bitrates in bits per second.
struct OutputSettings {
    // Output format indexes.
    static constexpr int32_t kAvi = 0;
    static constexpr int32_t kWmv = 1;
    static constexpr int32_t kMkv = 2;
    static constexpr int32_t kAsf = 3;
    static constexpr int32_t kPreviewWithProperties = 4;
    static constexpr int32_t kPreview = 5;
    static constexpr int32_t kMp4 = 6;
    static constexpr int32_t kWebm = 7;

    // Resize modes, the stretch modes of the timeline.
    static constexpr int32_t kStretch = 0;
    static constexpr int32_t kPreserveAspectRatio = 2;

    QString outputName;
    int32_t outputFormat = kAvi;
    int32_t outputWidth = 0;
    int32_t outputHeight = 0;
    int32_t frameRateIndex = 1;
    double frameRate = 23.976;
    int32_t resizeMode = kPreserveAspectRatio;
    int32_t useVideoCompressor = 1;
    int32_t useAudioCompressor = 1;
    int32_t videoBitrate = 389120;
    int32_t audioBitrate = 128000;
    int32_t useFileProfile = 0;
    // The quality of compressed files (QualityLevel); WMV keeps its bitrates.
    int32_t qualityLevel = 2;
    // "Fit in N MB": the size a compressed file must not exceed, in bytes; 0 means no target.
    // A target wins over the quality level.
    int64_t targetSizeBytes = 0;
    // An average bitrate for the compressed pictures in one pass (bits per second), from the
    // command line; 0: the quality level. A size target wins over it. Never stored.
    int64_t averageVideoBitrate = 0;
    // By format, for the formats whose compressors are their own choice; the flags and the bound
    // compressors above serve the others.
    std::map<int32_t, OwnCompressors> ownCompressors;
    // "Copy from source": the source's pictures (and sound) are written as they are, and only
    // the pictures at the cut's edges are encoded again; the compressors above are then unused
    // for that kind.
    bool copyVideo = false;
    bool copyAudio = false;
    // Which of the source's sound tracks are written: "all", "none", or their numbers ("2",
    // "1,3") as quenzel-convert --tracks counts them. A format that holds one sound track takes
    // the first of those.
    QString soundTracks = QStringLiteral("all");
    // Text subtitles: "keep" as subtitle tracks where the format holds them, "burn" into the
    // picture, or "none"; subtitleTrack picks one by its number (0: every one kept, the first
    // burnt).
    QString subtitles = QStringLiteral("keep");
    int32_t subtitleTrack = 0;

    // Facts of the opened source, offered by the dialog; never stored.
    int32_t sourceWidth = 0;
    int32_t sourceHeight = 0;
    double sourceFrameRate = 23.976;
    int32_t videoItemCount = 0;
    // The language and title of each sound track ("eng, Main"), by number.
    QStringList sourceSoundTracks;
    // The media types of the source's picture and first sound track ("video/x-h264"): where
    // "Copy from source" is offered.
    QString sourceVideoFormat;
    QString sourceSoundFormat;

    bool operator==(const OutputSettings&) const = default;
};
