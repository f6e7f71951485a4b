#include "engine/WmProfileEncoders.h"

#include <cmath>

#include "media/Elements.h"
#include "output/OutputSettings.h"

namespace {

constexpr uint32_t kWmaTag = 0x161;
constexpr uint32_t kAudioRate = 44100;
constexpr uint32_t kAudioChannels = 2;
constexpr int32_t kKeyFrameSpacingSeconds = 8;

bool hasProperty(GstElement* element, const char* name) {
    return g_object_class_find_property(G_OBJECT_GET_CLASS(element), name) != nullptr;
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
    video.framesPerSecond = static_cast<int32_t>(std::trunc(settings.frameRate));
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
    // The profile's key-frame spacing (8 s) is not applied: with it the Windows Media writer
    // leaves the last frames of a short file unreadable, and the encoder's own spacing of a
    // dozen frames makes the file quicker to seek in.
    return encoder;
}
