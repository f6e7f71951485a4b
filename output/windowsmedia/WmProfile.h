#pragma once

#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

#include "media/Status.h"
#include "output/windowsmedia/WmFormats.h"

// A Windows Media profile: the streams a WMV file holds, each with the encoder that writes it and
// the exact format it is written in. The output graph turns every stream into its encoder element
// (encoderFactory, configured from bitrate and the media type) feeding asfmux:
//   audio: mediaType.wave gives format tag, samplesPerSecond, channels, blockAlign; bitrate is
//          averageBytesPerSecond * 8 in bits per second.
//   video: mediaType.video.header gives width, height and the FOURCC; mediaType.video gives the
//          bitrate and averageTimePerFrame (100-ns units, so frames per second = 10^7 / it);
//          maxKeyFrameSpacing (100-ns units) bounds the distance between key frames.
//   script: no encoder (encoderFactory is empty).

struct WmStreamConfig {
    WmMajorType kind = WmMajorType::Audio;
    int32_t streamNumber = 0;
    QString streamName;
    QString connectionName;
    uint32_t bitrate = 0;         // bits per second
    int32_t bufferWindow = 3000;  // milliseconds
    WmMediaType mediaType;
    int32_t quality = 0;             // video only
    int64_t maxKeyFrameSpacing = 0;  // video only, 100-ns units
    QString encoderFactory;          // e.g. "avenc_wmav2"
};

enum class WmExclusionType { Bitrate };

// Streams of which a reader plays one, chosen by the bitrate it can take.
struct WmMutualExclusion {
    WmExclusionType type = WmExclusionType::Bitrate;
    QList<int32_t> streamNumbers;
};

struct WmProfile {
    QString name;
    uint32_t version = 0;
    QList<WmStreamConfig> streams;
    QList<WmMutualExclusion> exclusions;

    // The first stream of a kind, or nullptr.
    const WmStreamConfig* firstStream(WmMajorType kind) const;
};

// What the caller asks of the audio stream; the format must match tag, rate and channels, and
// its bitrate must lie within 249 bits per second of the requested one.
struct AudioStreamRequest {
    uint32_t bitrate = 0;
    uint32_t formatTag = 0;
    uint32_t samplesPerSecond = 0;
    uint32_t channels = 0;
};

struct VideoStreamRequest {
    uint32_t fourcc = 0;
    uint32_t bitrate = 0;
    int32_t height = 0;
    int32_t width = 0;
    int32_t framesPerSecond = 0;  // whole frames per second, at least 1
    int32_t quality = 0;
    int32_t keyFrameSpacing = 0;  // seconds
};

// Windows Media Format versions a profile can be made for.
constexpr uint32_t kWmFormatVersion4 = 0x00040000;
constexpr uint32_t kWmFormatVersion7 = 0x00070000;
constexpr uint32_t kWmFormatVersion8 = 0x00080000;
constexpr uint32_t kWmFormatVersion9 = 0x00090000;

constexpr int32_t kMaxVideoStreamRequests = 63;

// Results of the Windows Media layer besides the general ones of media/Status.h.
namespace wmstatus {
constexpr Status kNoAudioCodecFormat = status::fromBits(0xC00D0BC2);  // no installed format fits
constexpr Status kNoVideoCodecFormat = status::fromBits(0xC00D0BC4);  // no installed format fits
constexpr Status kInvalidProfile = status::fromBits(0xC00D0BC6);      // a profile text that is none
}  // namespace wmstatus

// No installed codec offers WMV3 (VC-1): a caller asking for it gets kNoVideoCodecFormat and may
// ask again for WMV2.
//
// Builds "Custom Profile": audio stream 1 in the installed format closest to the request
// (with video the one with the smallest block alignment among the fitting formats, without video
// the largest; the last of equals), video request k as stream k + 2 in the first installed format
// of its FOURCC, the video streams in one bitrate exclusion when there are several, and a script
// stream numbered after them when scriptBitrate is given. Results: 0 and the profile in *profile;
// kInvalidArgument (no audio request, no result place, more than 63 video requests, requests
// counted but not given, a video request without a positive frame rate, an unknown version),
// kNoAudioCodecFormat, kNoVideoCodecFormat, kFail for an audio format that is no wave format, or
// the codec source's own failure. On failure *profile is left as it was.
Status buildCustomProfile(const AudioStreamRequest* audio, std::optional<uint32_t> scriptBitrate,
                          int32_t videoCount, const VideoStreamRequest* videos, uint32_t version,
                          WmProfile* profile, const WmCodecSource& codecs = installedWmCodecs());

// Loads a profile from its XML description (the format of Windows Media ".prx" files; a text of
// any length). Results: 0
// and the profile; kPointer without a result place; kInvalidProfile for a text that describes no
// profile; kNoAudioCodecFormat or kNoVideoCodecFormat for a stream whose codec is not installed.
Status MapProfile(const QString& text, WmProfile* profile,
                  const WmCodecSource& codecs = installedWmCodecs());
