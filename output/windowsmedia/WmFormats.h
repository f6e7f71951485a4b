#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

#include "media/Status.h"

// The Windows Media codecs GStreamer offers, described the way a Windows Media profile describes
// its streams: wave formats for audio, video-info headers for video.

constexpr uint32_t makeFourcc(const char (&code)[5]) {
    return uint32_t(uint8_t(code[0])) | uint32_t(uint8_t(code[1])) << 8 |
           uint32_t(uint8_t(code[2])) << 16 | uint32_t(uint8_t(code[3])) << 24;
}

constexpr uint32_t kWmaVersion1Tag = 0x160;
constexpr uint32_t kWmaVersion2Tag = 0x161;
constexpr uint32_t kWmv1Fourcc = makeFourcc("WMV1");
constexpr uint32_t kWmv2Fourcc = makeFourcc("WMV2");
constexpr uint32_t kWmv3Fourcc = makeFourcc("WMV3");

constexpr int64_t kTimeUnitsPerSecond = 10'000'000;  // 100-ns units

enum class WmMajorType { Audio, Video, Script };
enum class WmFormatType { None, Wave, VideoInfo, Script };

struct WaveFormat {
    uint32_t formatTag = 0;
    uint32_t channels = 0;
    uint32_t samplesPerSecond = 0;
    uint32_t averageBytesPerSecond = 0;
    uint32_t blockAlign = 0;
    uint32_t bitsPerSample = 0;
    QByteArray extra;  // codec data after the 18-byte header; its size is the extra-bytes count

    uint32_t formatBlockSize() const { return 18 + uint32_t(extra.size()); }
};

struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

struct BitmapHeader {
    int32_t width = 0;
    int32_t height = 0;
    uint32_t planes = 1;
    uint32_t bitCount = 24;
    uint32_t compression = 0;  // FOURCC
    uint32_t imageSize = 0;
};

struct VideoInfo {
    Rect source;
    Rect target;
    uint32_t bitrate = 0;
    uint32_t bitErrorRate = 0;
    int64_t averageTimePerFrame = 0;  // 100-ns units
    BitmapHeader header;
};

struct WmMediaType {
    WmMajorType majorType = WmMajorType::Audio;
    uint32_t subtype = 0;  // the wave format tag or the FOURCC; 0 for script
    bool fixedSizeSamples = false;
    bool temporalCompression = false;
    uint32_t sampleSize = 0;
    WmFormatType formatType = WmFormatType::None;
    WaveFormat wave;  // formatType Wave
    VideoInfo video;  // formatType VideoInfo
};

// One format a codec offers: a stream configuration ready to be put into a profile.
struct WmCodecFormat {
    WmMediaType mediaType;
    uint32_t bitrate = 0;
    int32_t bufferWindow = 3000;     // milliseconds
    int32_t quality = 0;             // video only
    int64_t maxKeyFrameSpacing = 0;  // video only, 100-ns units
};

struct WmCodec {
    QString name;
    QString encoderFactory;  // the GStreamer encoder that writes this codec
    QList<WmCodecFormat> formats;
};

// Where the profile builder finds the installed codecs. The default lists the GStreamer encoders
// of Windows Media Audio 2 and 1 and Windows Media Video 8 and 7 (in that order) that are
// installed; tests give their own lists.
class WmCodecSource {
  public:
    virtual ~WmCodecSource() = default;
    // Fails (negative) when the codecs cannot be read at all.
    virtual Status codecs(WmMajorType type, QList<WmCodec>* result) const = 0;
};

const WmCodecSource& installedWmCodecs();
