#include <gtest/gtest.h>

#include "output/windowsmedia/WmProfile.h"

namespace {

WmCodecFormat waveFormat(uint32_t bytesPerSecond, uint32_t blockAlign, uint32_t rate = 44100,
                         uint32_t channels = 2, uint32_t tag = kWmaVersion2Tag) {
    WmCodecFormat format;
    format.mediaType.majorType = WmMajorType::Audio;
    format.mediaType.formatType = WmFormatType::Wave;
    format.mediaType.subtype = tag;
    WaveFormat& wave = format.mediaType.wave;
    wave.formatTag = tag;
    wave.channels = channels;
    wave.samplesPerSecond = rate;
    wave.averageBytesPerSecond = bytesPerSecond;
    wave.blockAlign = blockAlign;
    wave.bitsPerSample = 16;
    wave.extra = QByteArray(int(blockAlign % 7), '\x01');  // tells formats apart
    return format;
}

WmCodecFormat videoFormat(uint32_t fourcc) {
    WmCodecFormat format;
    format.mediaType.majorType = WmMajorType::Video;
    format.mediaType.formatType = WmFormatType::VideoInfo;
    format.mediaType.subtype = fourcc;
    format.mediaType.video.header.compression = fourcc;
    format.mediaType.video.header.imageSize = 4242;
    format.bufferWindow = 5000;
    return format;
}

class FakeCodecs : public WmCodecSource {
  public:
    Status codecs(WmMajorType type, QList<WmCodec>* result) const override {
        *result = type == WmMajorType::Audio ? audio : video;
        return failure;
    }
    QList<WmCodec> audio;
    QList<WmCodec> video = {{"WMV2", "avenc_wmv2", {videoFormat(kWmv2Fourcc)}}};
    Status failure = status::kOk;
};

VideoStreamRequest videoRequest(int32_t fps = 25, uint32_t fourcc = kWmv2Fourcc) {
    return {fourcc, 512000, 480, 640, fps, 0, 8};
}

}  // namespace

TEST(CustomProfile, AudioFormatMustLieWithin249BitsOfTheRequest) {
    const AudioStreamRequest request{128000, kWmaVersion2Tag, 44100, 2};
    for (const auto& [bytes, fits] :
         {std::pair{16000u, true}, std::pair{15990u, true}, std::pair{16031u, true},
          std::pair{16032u, false}, std::pair{15968u, false}}) {
        FakeCodecs codecs;
        codecs.audio = {{"WMA", "avenc_wmav2", {waveFormat(bytes, 700)}}};
        WmProfile profile;
        const Status result = buildCustomProfile(&request, std::nullopt, 0, nullptr,
                                                 kWmFormatVersion9, &profile, codecs);
        EXPECT_EQ(result, fits ? status::kOk : wmstatus::kNoAudioCodecFormat) << bytes;
        if (fits) {
            // The stream takes the format's own rate, not the requested one.
            EXPECT_EQ(profile.firstStream(WmMajorType::Audio)->bitrate, bytes * 8);
        }
    }
}

TEST(CustomProfile, AudioFormatMustMatchRateChannelsAndTag) {
    FakeCodecs codecs;
    codecs.audio = {{"WMA",
                     "avenc_wmav2",
                     {waveFormat(16000, 1, 48000), waveFormat(16000, 2, 44100, 1),
                      waveFormat(16000, 3, 44100, 2, kWmaVersion1Tag)}}};
    const AudioStreamRequest request{128000, kWmaVersion2Tag, 44100, 2};
    WmProfile profile;
    EXPECT_EQ(
        buildCustomProfile(&request, std::nullopt, 0, nullptr, kWmFormatVersion9, &profile, codecs),
        wmstatus::kNoAudioCodecFormat);
    codecs.audio.append({"Odd", "x", {videoFormat(kWmv2Fourcc)}});
    EXPECT_EQ(
        buildCustomProfile(&request, std::nullopt, 0, nullptr, kWmFormatVersion9, &profile, codecs),
        status::kFail);
}

TEST(CustomProfile, BlockAlignmentChoiceDependsOnVideo) {
    FakeCodecs codecs;
    codecs.audio = {{"A", "enc_a", {waveFormat(16000, 500), waveFormat(16000, 300)}},
                    {"B", "enc_b", {waveFormat(16000, 300), waveFormat(16000, 900)}},
                    {"C", "enc_c", {waveFormat(16000, 900)}}};
    const AudioStreamRequest request{128000, kWmaVersion2Tag, 44100, 2};
    const VideoStreamRequest video = videoRequest();

    WmProfile withVideo;
    ASSERT_EQ(buildCustomProfile(&request, std::nullopt, 1, &video, kWmFormatVersion9, &withVideo,
                                 codecs),
              status::kOk);
    const WmStreamConfig* audio = withVideo.firstStream(WmMajorType::Audio);
    EXPECT_EQ(audio->mediaType.wave.blockAlign, 300u);
    EXPECT_EQ(audio->encoderFactory, "enc_b");  // the last of equals

    WmProfile alone;
    ASSERT_EQ(
        buildCustomProfile(&request, std::nullopt, 0, nullptr, kWmFormatVersion9, &alone, codecs),
        status::kOk);
    audio = alone.firstStream(WmMajorType::Audio);
    EXPECT_EQ(audio->mediaType.wave.blockAlign, 900u);
    EXPECT_EQ(audio->encoderFactory, "enc_c");
    EXPECT_EQ(audio->mediaType.wave.extra, waveFormat(16000, 900).mediaType.wave.extra);
    EXPECT_EQ(audio->mediaType.wave.formatBlockSize(), 18u + 900 % 7);
}

TEST(CustomProfile, VideoStreamTakesTheRequestedPicture) {
    FakeCodecs codecs;
    codecs.audio = {{"WMA", "avenc_wmav2", {waveFormat(16000, 743)}}};
    const AudioStreamRequest audio{128000, kWmaVersion2Tag, 44100, 2};
    const VideoStreamRequest video = videoRequest(int32_t(29.97));
    WmProfile profile;
    ASSERT_EQ(
        buildCustomProfile(&audio, std::nullopt, 1, &video, kWmFormatVersion9, &profile, codecs),
        status::kOk);
    EXPECT_EQ(profile.name, "Custom Profile");
    ASSERT_EQ(profile.streams.size(), 2);
    EXPECT_EQ(profile.streams[0].streamNumber, 1);
    const WmStreamConfig& stream = profile.streams[1];
    EXPECT_EQ(stream.streamNumber, 2);
    EXPECT_EQ(stream.encoderFactory, "avenc_wmv2");
    EXPECT_EQ(stream.bitrate, 512000u);
    EXPECT_EQ(stream.bufferWindow, 5000);
    EXPECT_EQ(stream.maxKeyFrameSpacing, 80'000'000);
    const VideoInfo& info = stream.mediaType.video;
    EXPECT_EQ(info.averageTimePerFrame, 344827);
    EXPECT_EQ(info.source.right, 640);
    EXPECT_EQ(info.header.width, 640);
    EXPECT_EQ(info.header.imageSize, 4242u);  // as the codec gave it
    EXPECT_TRUE(profile.exclusions.isEmpty());
}

TEST(CustomProfile, RefusesBadArgumentsAndMissingCodecs) {
    FakeCodecs codecs;
    codecs.audio = {{"WMA", "avenc_wmav2", {waveFormat(16000, 743)}}};
    const AudioStreamRequest audio{128000, kWmaVersion2Tag, 44100, 2};
    std::vector<VideoStreamRequest> videos(64, videoRequest());
    WmProfile profile;
    profile.name = QStringLiteral("untouched");
    auto build = [&](const AudioStreamRequest* a, int32_t count, const VideoStreamRequest* v,
                     WmProfile* p, uint32_t version = kWmFormatVersion9) {
        return buildCustomProfile(a, std::nullopt, count, v, version, p, codecs);
    };
    EXPECT_EQ(build(nullptr, 1, videos.data(), &profile), status::kInvalidArgument);
    EXPECT_EQ(build(&audio, 1, videos.data(), nullptr), status::kInvalidArgument);
    EXPECT_EQ(build(&audio, 64, videos.data(), &profile), status::kInvalidArgument);
    EXPECT_EQ(build(&audio, 2, nullptr, &profile), status::kInvalidArgument);
    EXPECT_EQ(build(&audio, 1, videos.data(), &profile, 0x00050000), status::kInvalidArgument);
    const VideoStreamRequest slow = videoRequest(0);  // a rate below 1 fps truncates to 0
    EXPECT_EQ(build(&audio, 1, &slow, &profile), status::kInvalidArgument);
    const VideoStreamRequest wmv3 = videoRequest(25, kWmv3Fourcc);
    EXPECT_EQ(build(&audio, 1, &wmv3, &profile), wmstatus::kNoVideoCodecFormat);
    codecs.failure = status::kUnexpected;
    EXPECT_EQ(build(&audio, 1, videos.data(), &profile), status::kUnexpected);
    EXPECT_EQ(profile.name, "untouched");
}

TEST(CustomProfile, ManyVideoStreamsShareABitrateExclusion) {
    FakeCodecs codecs;
    codecs.audio = {{"WMA", "avenc_wmav2", {waveFormat(16000, 743)}}};
    const AudioStreamRequest audio{128000, kWmaVersion2Tag, 44100, 2};
    const std::vector<VideoStreamRequest> videos(63, videoRequest());
    WmProfile profile;
    ASSERT_EQ(
        buildCustomProfile(&audio, 20000u, 63, videos.data(), kWmFormatVersion9, &profile, codecs),
        status::kOk);
    ASSERT_EQ(profile.streams.size(), 65);
    EXPECT_EQ(profile.streams[63].streamNumber, 64);
    const WmStreamConfig& script = profile.streams.last();
    EXPECT_EQ(script.kind, WmMajorType::Script);
    EXPECT_EQ(script.streamNumber, 65);
    EXPECT_EQ(script.streamName, "Script Stream");
    EXPECT_EQ(script.bitrate, 20000u);
    ASSERT_EQ(profile.exclusions.size(), 1);
    EXPECT_EQ(profile.exclusions[0].streamNumbers.size(), 63);
    EXPECT_EQ(profile.exclusions[0].streamNumbers.first(), 2);
    EXPECT_EQ(profile.exclusions[0].streamNumbers.last(), 64);
}

TEST(CustomProfile, InstalledCodecsServeTheWmvOutput) {
    QList<WmCodec> video;
    ASSERT_EQ(installedWmCodecs().codecs(WmMajorType::Video, &video), status::kOk);
    if (video.isEmpty()) {
        GTEST_SKIP() << "no Windows Media encoders installed";
    }
    for (int32_t bitrate : {64000, 128000, 192000, 320000}) {
        const AudioStreamRequest audio{uint32_t(bitrate), kWmaVersion2Tag, 44100, 2};
        const VideoStreamRequest wmv3 = videoRequest(23, kWmv3Fourcc);
        WmProfile profile;
        EXPECT_EQ(buildCustomProfile(&audio, std::nullopt, 1, &wmv3, kWmFormatVersion9, &profile),
                  wmstatus::kNoVideoCodecFormat);
        const VideoStreamRequest wmv2 = videoRequest(23);
        ASSERT_EQ(buildCustomProfile(&audio, std::nullopt, 1, &wmv2, kWmFormatVersion9, &profile),
                  status::kOk)
            << bitrate;
        const WmStreamConfig* stream = profile.firstStream(WmMajorType::Audio);
        EXPECT_EQ(stream->encoderFactory, "avenc_wmav2");
        EXPECT_EQ(stream->bitrate, uint32_t(bitrate));
        EXPECT_EQ(profile.firstStream(WmMajorType::Video)->encoderFactory, "avenc_wmv2");
    }
}

TEST(MapProfile, ReadsAProfileDescription) {
    const QString text = QStringLiteral(R"(<profile version="589824" name="Small" description="">
  <streamconfig majortype="{73647561-0000-0010-8000-00AA00389B71}" streamnumber="1"
      streamname="Audio Stream" inputname="Audio409" bitrate="64000" bufferwindow="-1">
    <wmmediatype subtype="{00000161-0000-0010-8000-00AA00389B71}" bfixedsizesamples="1"
        btemporalcompression="0" lsamplesize="371">
      <WAVEFORMATEX wFormatTag="353" nChannels="2" nSamplesPerSec="44100" nAvgBytesPerSec="8000"
          nBlockAlign="371" wBitsPerSample="16" codecdata="00000000010000000000"/>
    </wmmediatype>
  </streamconfig>
  <streamconfig majortype="{73646976-0000-0010-8000-00AA00389B71}" streamnumber="2"
      streamname="Video Stream" inputname="Video409" bitrate="300000" bufferwindow="5000">
    <videomediaprops maxkeyframespacing="80000000" quality="60"/>
    <wmmediatype subtype="{32564D57-0000-0010-8000-00AA00389B71}" bfixedsizesamples="0"
        btemporalcompression="1" lsamplesize="0">
      <videoinfoheader dwbitrate="300000" dwbiterrorrate="0" avgtimeperframe="400000">
        <rcsource left="0" top="0" right="320" bottom="240"/>
        <rctarget left="0" top="0" right="320" bottom="240"/>
        <bitmapinfoheader biwidth="320" biheight="240" biplanes="1" bibitcount="24"
            bicompression="WMV2" bisizeimage="0"/>
      </videoinfoheader>
    </wmmediatype>
  </streamconfig>
</profile>)");
    FakeCodecs codecs;
    codecs.audio = {{"WMA", "avenc_wmav2", {waveFormat(16000, 743)}}};
    WmProfile profile;
    ASSERT_EQ(MapProfile(text, &profile, codecs), status::kOk);
    EXPECT_EQ(profile.name, "Small");
    EXPECT_EQ(profile.version, kWmFormatVersion9);
    ASSERT_EQ(profile.streams.size(), 2);
    const WmStreamConfig& audio = profile.streams[0];
    EXPECT_EQ(audio.encoderFactory, "avenc_wmav2");
    EXPECT_EQ(audio.mediaType.wave.blockAlign, 371u);
    EXPECT_EQ(audio.mediaType.wave.extra.size(), 10);
    const WmStreamConfig& video = profile.streams[1];
    EXPECT_EQ(video.encoderFactory, "avenc_wmv2");
    EXPECT_EQ(video.quality, 60);
    EXPECT_EQ(video.mediaType.video.header.compression, kWmv2Fourcc);
    EXPECT_EQ(video.mediaType.video.averageTimePerFrame, 400000);

    codecs.video.clear();
    EXPECT_EQ(MapProfile(text, &profile, codecs), wmstatus::kNoVideoCodecFormat);
}

TEST(MapProfile, TextThatIsNoProfileFails) {
    FakeCodecs codecs;
    WmProfile profile;
    profile.name = QStringLiteral("untouched");
    for (const char* text :
         {"test2", "", "<profile version=\"589824\"/>", "<other/>",
          "<profile version=\"x\"><streamconfig/></profile>",
          "<profile version=\"589824\"><streamconfig majortype=\"{73647561-0000-0010-8000-"
          "00AA00389B71}\" streamnumber=\"1\" bitrate=\"1\" bufferwindow=\"0\"/></profile>"}) {
        EXPECT_EQ(MapProfile(QString::fromLatin1(text), &profile, codecs),
                  wmstatus::kInvalidProfile)
            << text;
    }
    EXPECT_EQ(profile.name, "untouched");
    EXPECT_EQ(MapProfile(QStringLiteral("test2"), nullptr, codecs), status::kPointer);
    EXPECT_EQ(MapProfile(QStringLiteral("test2"), &profile), wmstatus::kInvalidProfile);
}
