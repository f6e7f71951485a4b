#include "output/windowsmedia/WmProfile.h"

#include <algorithm>

namespace {

constexpr int32_t kAudioStreamNumber = 1;
constexpr int32_t kFirstVideoStreamNumber = 2;
// How far a format's bitrate may lie from the requested one, in bits per second.
constexpr uint32_t kAudioBitrateTolerance = 249;

bool isKnownVersion(uint32_t version) {
    return version == kWmFormatVersion4 || version == kWmFormatVersion7 ||
           version == kWmFormatVersion8 || version == kWmFormatVersion9;
}

Status checkArguments(const AudioStreamRequest* audio, int32_t videoCount,
                      const VideoStreamRequest* videos, uint32_t version,
                      const WmProfile* profile) {
    if (!audio || !profile || videoCount < 0 || videoCount > kMaxVideoStreamRequests ||
        (videoCount > 0 && !videos) || !isKnownVersion(version)) {
        return status::kInvalidArgument;
    }
    // The time per frame divides by the frame rate.
    for (int32_t k = 0; k < videoCount; ++k) {
        if (videos[k].framesPerSecond <= 0) {
            return status::kInvalidArgument;
        }
    }
    return status::kOk;
}

bool fitsRequest(const WaveFormat& wave, const AudioStreamRequest& request) {
    // Unsigned wrap-around turns "within the tolerance either side" into one comparison.
    const uint32_t difference = wave.averageBytesPerSecond * 8u - request.bitrate;
    return difference + kAudioBitrateTolerance <= 2 * kAudioBitrateTolerance &&
           wave.samplesPerSecond == request.samplesPerSecond && wave.channels == request.channels &&
           wave.formatTag == request.formatTag;
}

// With video the audio gets the smallest blocks (less to wait for between video frames); alone it
// gets the largest. Among equals the last one met wins.
bool replacesChoice(const WaveFormat& candidate, const WaveFormat& chosen, bool withVideo) {
    return withVideo ? candidate.blockAlign <= chosen.blockAlign
                     : candidate.blockAlign >= chosen.blockAlign;
}

Status addAudioStream(const AudioStreamRequest& request, bool withVideo,
                      const WmCodecSource& source, WmProfile& profile) {
    QList<WmCodec> codecs;
    if (const Status result = source.codecs(WmMajorType::Audio, &codecs); failed(result)) {
        return result;
    }
    const WmCodec* chosenCodec = nullptr;
    const WmCodecFormat* chosen = nullptr;
    for (const WmCodec& codec : codecs) {
        for (const WmCodecFormat& format : codec.formats) {
            if (format.mediaType.formatType != WmFormatType::Wave) {
                return status::kFail;
            }
            if (!fitsRequest(format.mediaType.wave, request)) {
                continue;
            }
            if (!chosen ||
                replacesChoice(format.mediaType.wave, chosen->mediaType.wave, withVideo)) {
                chosenCodec = &codec;
                chosen = &format;
            }
        }
    }
    if (!chosen) {
        return wmstatus::kNoAudioCodecFormat;
    }
    const WaveFormat& wave = chosen->mediaType.wave;
    WmStreamConfig stream;
    stream.kind = WmMajorType::Audio;
    stream.streamNumber = kAudioStreamNumber;
    stream.streamName = QStringLiteral("Audio Stream");
    stream.connectionName = QStringLiteral("Audio");
    stream.bitrate = wave.averageBytesPerSecond * 8u;  // the format's own rate
    stream.bufferWindow = chosen->bufferWindow;
    stream.encoderFactory = chosenCodec->encoderFactory;
    WmMediaType& type = stream.mediaType;
    type.majorType = WmMajorType::Audio;
    type.subtype = wave.formatTag;
    type.fixedSizeSamples = true;
    type.temporalCompression = false;
    type.sampleSize = wave.blockAlign;
    type.formatType = WmFormatType::Wave;
    type.wave = wave;
    profile.streams.append(stream);
    return status::kOk;
}

Status addVideoStream(const VideoStreamRequest& request, int32_t streamNumber,
                      const WmCodecSource& source, WmProfile& profile) {
    QList<WmCodec> codecs;
    if (const Status result = source.codecs(WmMajorType::Video, &codecs); failed(result)) {
        return result;
    }
    for (const WmCodec& codec : codecs) {
        for (const WmCodecFormat& format : codec.formats) {
            if (format.mediaType.formatType != WmFormatType::VideoInfo ||
                format.mediaType.video.header.compression != request.fourcc) {
                continue;
            }
            WmStreamConfig stream;
            stream.kind = WmMajorType::Video;
            stream.streamNumber = streamNumber;
            stream.streamName = QStringLiteral("Video Stream");
            stream.connectionName = QStringLiteral("Video");
            stream.bitrate = request.bitrate;
            stream.bufferWindow = format.bufferWindow;
            stream.quality = request.quality;
            stream.maxKeyFrameSpacing = int64_t(request.keyFrameSpacing) * kTimeUnitsPerSecond;
            stream.encoderFactory = codec.encoderFactory;
            stream.mediaType = format.mediaType;
            // Everything else (the image size among it) stays as the codec gave it.
            VideoInfo& video = stream.mediaType.video;
            video.source.right = video.target.right = request.width;
            video.source.bottom = video.target.bottom = request.height;
            video.bitrate = request.bitrate;
            video.averageTimePerFrame = kTimeUnitsPerSecond / request.framesPerSecond;
            video.header.width = request.width;
            video.header.height = request.height;
            profile.streams.append(stream);
            return status::kOk;
        }
    }
    return wmstatus::kNoVideoCodecFormat;
}

void addBitrateExclusion(int32_t videoCount, WmProfile& profile) {
    WmMutualExclusion exclusion;
    exclusion.type = WmExclusionType::Bitrate;
    for (int32_t k = 0; k < videoCount; ++k) {
        exclusion.streamNumbers.append(kFirstVideoStreamNumber + k);
    }
    profile.exclusions.append(exclusion);
}

void addScriptStream(int32_t streamNumber, uint32_t bitrate, WmProfile& profile) {
    WmStreamConfig stream;
    stream.kind = WmMajorType::Script;
    stream.streamNumber = streamNumber;
    stream.streamName = QStringLiteral("Script Stream");
    stream.connectionName = QStringLiteral("Script");
    stream.bitrate = bitrate;
    WmMediaType& type = stream.mediaType;
    type.majorType = WmMajorType::Script;
    type.subtype = 0;
    type.fixedSizeSamples = false;
    type.temporalCompression = false;
    type.sampleSize = 0;
    type.formatType = WmFormatType::Script;  // script commands as pairs of type and text
    profile.streams.append(stream);
}

}  // namespace

const WmStreamConfig* WmProfile::firstStream(WmMajorType kind) const {
    const auto found = std::find_if(streams.begin(), streams.end(),
                                    [kind](const WmStreamConfig& s) { return s.kind == kind; });
    return found == streams.end() ? nullptr : &*found;
}

Status buildCustomProfile(const AudioStreamRequest* audio, std::optional<uint32_t> scriptBitrate,
                          int32_t videoCount, const VideoStreamRequest* videos, uint32_t version,
                          WmProfile* profile, const WmCodecSource& codecs) {
    if (const Status result = checkArguments(audio, videoCount, videos, version, profile);
        failed(result)) {
        return result;
    }
    WmProfile built;
    built.name = QStringLiteral("Custom Profile");
    built.version = version;
    if (const Status result = addAudioStream(*audio, videoCount > 0, codecs, built);
        failed(result)) {
        return result;
    }
    for (int32_t k = 0; k < videoCount; ++k) {
        if (const Status result =
                addVideoStream(videos[k], kFirstVideoStreamNumber + k, codecs, built);
            failed(result)) {
            return result;
        }
    }
    if (videoCount > 1) {
        addBitrateExclusion(videoCount, built);
    }
    if (scriptBitrate) {
        addScriptStream(videoCount + kFirstVideoStreamNumber, *scriptBitrate, built);
    }
    *profile = std::move(built);
    return status::kOk;
}
