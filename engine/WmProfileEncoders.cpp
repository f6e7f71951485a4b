#include "engine/WmProfileEncoders.h"

#include <algorithm>
#include <cmath>

#include "media/Elements.h"
#include "output/quality/EncoderQuality.h"
#include "output/quality/SizeTarget.h"
#include "output/settings/OutputRules.h"
#include "output/settings/OutputSettings.h"

namespace {

constexpr uint32_t kWmaTag = 0x161;
constexpr uint32_t kAudioRate = 44100;
constexpr uint32_t kAudioChannels = 2;
constexpr int32_t kKeyFrameSpacingSeconds = 8;

// Bounding the quantizer by what the bitrate allows per pixel makes the written bit rate follow
// the one asked for (see libavQuantizerFor; an encoder whose rate control works stays within the
// bound anyway).
int quantizerBound(uint32_t bitrate, const VideoInfo& video) {
    const double framesPerSecond =
        video.averageTimePerFrame > 0 ? 1e7 / double(video.averageTimePerFrame) : 25.0;
    const double pixelsPerSecond =
        double(video.header.width) * std::abs(video.header.height) * framesPerSecond;
    return int(std::lround(libavQuantizerFor(bitrate, pixelsPerSecond)));
}

}  // namespace

Status buildWmvProfile(const OutputSettings& settings, WmProfile* profile) {
    const AudioStreamRequest audio{static_cast<uint32_t>(settings.audioBitrate), kWmaTag,
                                   kAudioRate, kAudioChannels};
    VideoStreamRequest video;
    video.fourcc = makeFourcc("WMV3");
    video.bitrate = static_cast<uint32_t>(settings.videoBitrate);
    video.height = settings.outputHeight;
    video.width = settings.outputWidth;
    // The conversion refuses rates outside this range; the bound keeps the conversion defined.
    video.framesPerSecond = static_cast<int32_t>(std::trunc(
        std::isfinite(settings.frameRate) ? std::clamp(settings.frameRate, 0.0, kMaximumFrameRate)
                                          : 0.0));
    video.quality = 0;
    video.keyFrameSpacing = kKeyFrameSpacingSeconds;
    Status result = buildCustomProfile(&audio, std::nullopt, 1, &video, kWmFormatVersion9, profile);
    if (result == wmstatus::kNoVideoCodecFormat) {
        video.fourcc = makeFourcc("WMV2");
        result = buildCustomProfile(&audio, std::nullopt, 1, &video, kWmFormatVersion9, profile);
    }
    return result;
}

Status mapFileProfile(WmProfile* profile) {
    return MapProfile(QStringLiteral("test2"), profile);
}

GObjectPtr<GstElement> makeProfileEncoder(const WmProfile& profile, WmMajorType kind) {
    const WmStreamConfig* stream = profile.firstStream(kind);
    if (!stream || stream->encoderFactory.isEmpty()) {
        return nullptr;
    }
    GObjectPtr<GstElement> encoder;
    if (failed(makeElement(stream->encoderFactory.toLatin1().constData(), nullptr, &encoder))) {
        return nullptr;
    }
    if (hasProperty(encoder.get(), "bitrate") && stream->bitrate > 0) {
        g_object_set(encoder.get(), "bitrate", static_cast<gint>(stream->bitrate), nullptr);
    }
    if (kind == WmMajorType::Video && hasProperty(encoder.get(), "qmax")) {
        g_object_set(encoder.get(), "qmax",
                     quantizerBound(stream->bitrate, stream->mediaType.video), nullptr);
    }
    // The profile's key-frame spacing (8 s) is not applied: with it the Windows Media writer
    // leaves the last frames of a short file unreadable, and the encoder's own spacing of a
    // dozen frames makes the file quicker to seek in.
    return encoder;
}
