#include "output/windowsmedia/WmFormats.h"

#include <gst/gst.h>

#include "media/GPtr.h"

namespace {

struct AudioLadder {
    uint32_t samplesPerSecond;
    uint32_t channels;
    std::initializer_list<uint32_t> kbps;
};

// The constant-bitrate formats offered for both WMA versions, highest rates first. libav's WMA
// encoder takes no less than 24 Kbps.
const AudioLadder kAudioLadders[] = {
    {48000, 2, {320, 256, 192, 160, 128, 96, 64}},
    {44100, 2, {320, 256, 192, 160, 128, 96, 80, 64, 48}},
    {44100, 1, {64, 48, 32}},
    {32000, 2, {96, 64, 48, 40, 32}},
    {32000, 1, {48, 32}},
    {22050, 2, {48, 32, 24}},
    {22050, 1, {32, 24}},
    {16000, 1, {24}},
};

// Samples per WMA frame, as the encoder chooses them for a sample rate.
uint32_t wmaFrameLength(uint32_t samplesPerSecond, int version) {
    if (samplesPerSecond <= 16000) {
        return 512;
    }
    if (samplesPerSecond <= 22050 || (samplesPerSecond <= 32000 && version == 1)) {
        return 1024;
    }
    return 2048;
}

WmCodecFormat wmaFormat(uint32_t tag, uint32_t samplesPerSecond, uint32_t channels,
                        uint32_t bitrate) {
    const int version = tag == kWmaVersion1Tag ? 1 : 2;
    WmCodecFormat format;
    format.bitrate = bitrate;
    WaveFormat& wave = format.mediaType.wave;
    wave.formatTag = tag;
    wave.channels = channels;
    wave.samplesPerSecond = samplesPerSecond;
    wave.averageBytesPerSecond = bitrate / 8;
    // One encoded frame per block, as the encoder writes it.
    wave.blockAlign = uint32_t(uint64_t(bitrate) * wmaFrameLength(samplesPerSecond, version) /
                               (uint64_t(samplesPerSecond) * 8));
    wave.bitsPerSample = 16;
    // The encoder's codec data: its flags, the second one marking the bit-reservoir use.
    wave.extra = version == 1 ? QByteArray::fromHex("00000100")
                              : QByteArray::fromHex("00000000010000000000");
    WmMediaType& type = format.mediaType;
    type.majorType = WmMajorType::Audio;
    type.subtype = tag;
    type.fixedSizeSamples = true;
    type.temporalCompression = false;
    type.sampleSize = wave.blockAlign;
    type.formatType = WmFormatType::Wave;
    return format;
}

WmCodec wmaCodec(const char* name, const char* factory, uint32_t tag) {
    WmCodec codec{QString::fromLatin1(name), QString::fromLatin1(factory), {}};
    for (const AudioLadder& ladder : kAudioLadders) {
        for (uint32_t kbps : ladder.kbps) {
            codec.formats.append(
                wmaFormat(tag, ladder.samplesPerSecond, ladder.channels, kbps * 1000));
        }
    }
    return codec;
}

WmCodec wmvCodec(const char* name, const char* factory, uint32_t fourcc) {
    constexpr int32_t kWidth = 320;
    constexpr int32_t kHeight = 240;
    constexpr uint32_t kBitrate = 300000;
    WmCodecFormat format;
    format.bitrate = kBitrate;
    format.bufferWindow = 5000;
    format.quality = 75;
    format.maxKeyFrameSpacing = 8 * kTimeUnitsPerSecond;
    WmMediaType& type = format.mediaType;
    type.majorType = WmMajorType::Video;
    type.subtype = fourcc;
    type.fixedSizeSamples = false;
    type.temporalCompression = true;
    type.formatType = WmFormatType::VideoInfo;
    VideoInfo& video = type.video;
    video.source = {0, 0, kWidth, kHeight};
    video.target = video.source;
    video.bitrate = kBitrate;
    video.averageTimePerFrame = kTimeUnitsPerSecond / 30;
    video.header.width = kWidth;
    video.header.height = kHeight;
    video.header.compression = fourcc;
    return {QString::fromLatin1(name), QString::fromLatin1(factory), {format}};
}

bool isInstalled(const QString& factory) {
    GObjectPtr<GstElementFactory> found(gst_element_factory_find(factory.toUtf8().constData()));
    return found != nullptr;
}

class InstalledWmCodecs : public WmCodecSource {
  public:
    Status codecs(WmMajorType type, QList<WmCodec>* result) const override {
        if (!result) {
            return status::kPointer;
        }
        result->clear();
        if (!gst_is_initialized()) {
            return status::kUnexpected;
        }
        QList<WmCodec> known;
        if (type == WmMajorType::Audio) {
            known = {wmaCodec("Windows Media Audio 2", "avenc_wmav2", kWmaVersion2Tag),
                     wmaCodec("Windows Media Audio 1", "avenc_wmav1", kWmaVersion1Tag)};
        } else if (type == WmMajorType::Video) {
            known = {wmvCodec("Windows Media Video 8", "avenc_wmv2", kWmv2Fourcc),
                     wmvCodec("Windows Media Video 7", "avenc_wmv1", kWmv1Fourcc)};
        }
        for (const WmCodec& codec : known) {
            if (isInstalled(codec.encoderFactory)) {
                result->append(codec);
            }
        }
        return status::kOk;
    }
};

}  // namespace

const WmCodecSource& installedWmCodecs() {
    static const InstalledWmCodecs codecs;
    return codecs;
}
