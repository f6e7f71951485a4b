#include <QXmlStreamReader>
#include <QtGlobal>
#include <utility>

#include "output/windowsmedia/WmProfile.h"

// Reads the XML profile description of Windows Media (".prx"): a <profile> with one
// <streamconfig> per stream, each holding a <wmmediatype> with a <waveformatex> or a
// <videoinfoheader>. Elements this reader does not use are skipped.

namespace {

// Media type GUIDs share their last parts; the first part tells the type or the codec.
constexpr QLatin1String kMediaGuidTail("-0000-0010-8000-00AA00389B71}");
constexpr uint32_t kAudioMajorType = 0x73647561;
constexpr uint32_t kVideoMajorType = 0x73646976;
constexpr uint32_t kScriptMajorType = 0x73636D64;

class Attributes {
  public:
    explicit Attributes(QXmlStreamAttributes attributes) : attributes_(std::move(attributes)) {}

    QString text(QLatin1String name) const {
        for (const QXmlStreamAttribute& attribute : attributes_) {
            if (attribute.name().compare(name, Qt::CaseInsensitive) == 0) {
                return attribute.value().toString();
            }
        }
        return {};
    }

    // Missing or malformed numbers make the profile invalid.
    int64_t number(QLatin1String name) {
        bool ok = false;
        const int64_t value = text(name).trimmed().toLongLong(&ok);
        valid_ = valid_ && ok;
        return value;
    }

    // The first part of a media type GUID, e.g. 0x161 for "{00000161-0000-0010-...}".
    uint32_t mediaGuid(QLatin1String name) {
        const QString guid = text(name).trimmed();
        bool ok = guid.size() == 38 && guid.startsWith(QLatin1Char('{')) &&
                  guid.endsWith(kMediaGuidTail, Qt::CaseInsensitive);
        const uint32_t value = ok ? guid.mid(1, 8).toUInt(&ok, 16) : 0;
        valid_ = valid_ && ok;
        return value;
    }

    // A FOURCC written as its four letters or as a number.
    uint32_t fourcc(QLatin1String name) {
        const QString code = text(name).trimmed();
        if (code.size() == 4 && !code.at(0).isDigit()) {
            const QByteArray letters = code.toLatin1();
            return uint32_t(uint8_t(letters[0])) | uint32_t(uint8_t(letters[1])) << 8 |
                   uint32_t(uint8_t(letters[2])) << 16 | uint32_t(uint8_t(letters[3])) << 24;
        }
        return uint32_t(number(name));
    }

    bool valid() const { return valid_; }

  private:
    QXmlStreamAttributes attributes_;
    bool valid_ = true;
};

bool named(const QXmlStreamReader& xml, QLatin1String name) {
    return xml.name().compare(name, Qt::CaseInsensitive) == 0;
}

Rect readRect(Attributes& a) {
    return {int32_t(a.number(QLatin1String("left"))), int32_t(a.number(QLatin1String("top"))),
            int32_t(a.number(QLatin1String("right"))), int32_t(a.number(QLatin1String("bottom")))};
}

class ProfileReader {
  public:
    explicit ProfileReader(const QString& text) : xml_(text) {}

    // False when the text describes no profile.
    bool read(WmProfile& profile) {
        if (!xml_.readNextStartElement() || !named(xml_, QLatin1String("profile"))) {
            return false;
        }
        Attributes attributes(xml_.attributes());
        profile.name = attributes.text(QLatin1String("name"));
        profile.version = uint32_t(attributes.number(QLatin1String("version")));
        valid_ = attributes.valid();
        while (valid_ && xml_.readNextStartElement()) {
            if (named(xml_, QLatin1String("streamconfig"))) {
                readStream(profile);
            } else {
                xml_.skipCurrentElement();
            }
        }
        return valid_ && !xml_.hasError() && !profile.streams.isEmpty();
    }

  private:
    void readStream(WmProfile& profile) {
        WmStreamConfig stream;
        Attributes a(xml_.attributes());
        const uint32_t major = a.mediaGuid(QLatin1String("majortype"));
        stream.streamNumber = int32_t(a.number(QLatin1String("streamnumber")));
        stream.streamName = a.text(QLatin1String("streamname"));
        stream.connectionName = a.text(QLatin1String("inputname"));
        stream.bitrate = uint32_t(a.number(QLatin1String("bitrate")));
        stream.bufferWindow = int32_t(a.number(QLatin1String("bufferwindow")));
        valid_ = a.valid() && stream.streamNumber >= 1 && stream.streamNumber <= 63;
        if (major == kAudioMajorType) {
            stream.kind = WmMajorType::Audio;
        } else if (major == kVideoMajorType) {
            stream.kind = WmMajorType::Video;
        } else if (major == kScriptMajorType) {
            stream.kind = WmMajorType::Script;
        } else {
            valid_ = false;
        }
        stream.mediaType.majorType = stream.kind;
        while (valid_ && xml_.readNextStartElement()) {
            if (named(xml_, QLatin1String("videomediaprops"))) {
                Attributes props(xml_.attributes());
                stream.maxKeyFrameSpacing = props.number(QLatin1String("maxkeyframespacing"));
                stream.quality = int32_t(props.number(QLatin1String("quality")));
                valid_ = props.valid();
                xml_.skipCurrentElement();
            } else if (named(xml_, QLatin1String("wmmediatype"))) {
                readMediaType(stream.mediaType);
            } else {
                xml_.skipCurrentElement();
            }
        }
        const WmFormatType wanted = stream.kind == WmMajorType::Audio   ? WmFormatType::Wave
                                    : stream.kind == WmMajorType::Video ? WmFormatType::VideoInfo
                                                                        : WmFormatType::Script;
        valid_ = valid_ && stream.mediaType.formatType == wanted;
        profile.streams.append(stream);
    }

    void readMediaType(WmMediaType& type) {
        Attributes a(xml_.attributes());
        type.subtype =
            a.text(QLatin1String("subtype")).isEmpty() ? 0 : a.mediaGuid(QLatin1String("subtype"));
        type.fixedSizeSamples = a.number(QLatin1String("bfixedsizesamples")) != 0;
        type.temporalCompression = a.number(QLatin1String("btemporalcompression")) != 0;
        type.sampleSize = uint32_t(a.number(QLatin1String("lsamplesize")));
        valid_ = a.valid();
        if (type.majorType == WmMajorType::Script) {
            type.formatType = WmFormatType::Script;
        }
        while (valid_ && xml_.readNextStartElement()) {
            if (named(xml_, QLatin1String("waveformatex"))) {
                readWave(type);
            } else if (named(xml_, QLatin1String("videoinfoheader"))) {
                readVideoInfo(type);
            } else {
                xml_.skipCurrentElement();
            }
        }
    }

    void readWave(WmMediaType& type) {
        Attributes a(xml_.attributes());
        WaveFormat& wave = type.wave;
        wave.formatTag = uint32_t(a.number(QLatin1String("wFormatTag")));
        wave.channels = uint32_t(a.number(QLatin1String("nChannels")));
        wave.samplesPerSecond = uint32_t(a.number(QLatin1String("nSamplesPerSec")));
        wave.averageBytesPerSecond = uint32_t(a.number(QLatin1String("nAvgBytesPerSec")));
        wave.blockAlign = uint32_t(a.number(QLatin1String("nBlockAlign")));
        wave.bitsPerSample = uint32_t(a.number(QLatin1String("wBitsPerSample")));
        wave.extra = QByteArray::fromHex(a.text(QLatin1String("codecdata")).toLatin1());
        valid_ = a.valid();
        type.formatType = WmFormatType::Wave;
        xml_.skipCurrentElement();
    }

    void readVideoInfo(WmMediaType& type) {
        Attributes a(xml_.attributes());
        VideoInfo& video = type.video;
        video.bitrate = uint32_t(a.number(QLatin1String("dwbitrate")));
        video.bitErrorRate = uint32_t(a.number(QLatin1String("dwbiterrorrate")));
        video.averageTimePerFrame = a.number(QLatin1String("avgtimeperframe"));
        valid_ = a.valid();
        bool haveHeader = false;
        while (valid_ && xml_.readNextStartElement()) {
            Attributes part(xml_.attributes());
            if (named(xml_, QLatin1String("rcsource"))) {
                video.source = readRect(part);
            } else if (named(xml_, QLatin1String("rctarget"))) {
                video.target = readRect(part);
            } else if (named(xml_, QLatin1String("bitmapinfoheader"))) {
                BitmapHeader& header = video.header;
                header.width = int32_t(part.number(QLatin1String("biwidth")));
                header.height = int32_t(part.number(QLatin1String("biheight")));
                header.planes = uint32_t(part.number(QLatin1String("biplanes")));
                header.bitCount = uint32_t(part.number(QLatin1String("bibitcount")));
                header.compression = part.fourcc(QLatin1String("bicompression"));
                header.imageSize = uint32_t(part.number(QLatin1String("bisizeimage")));
                haveHeader = true;
            }
            valid_ = part.valid();
            xml_.skipCurrentElement();
        }
        valid_ = valid_ && haveHeader;
        type.formatType = WmFormatType::VideoInfo;
    }

    QXmlStreamReader xml_;
    bool valid_ = true;
};

// The encoder of the installed codec that writes the stream's format, or an empty text.
QString encoderFor(const WmStreamConfig& stream, const QList<WmCodec>& codecs) {
    for (const WmCodec& codec : codecs) {
        for (const WmCodecFormat& format : codec.formats) {
            const bool audio = stream.kind == WmMajorType::Audio &&
                               format.mediaType.formatType == WmFormatType::Wave &&
                               format.mediaType.wave.formatTag == stream.mediaType.wave.formatTag;
            const bool video = stream.kind == WmMajorType::Video &&
                               format.mediaType.formatType == WmFormatType::VideoInfo &&
                               format.mediaType.video.header.compression ==
                                   stream.mediaType.video.header.compression;
            if (audio || video) {
                return codec.encoderFactory;
            }
        }
    }
    return {};
}

}  // namespace

Status MapProfile(const QString& text, WmProfile* profile, const WmCodecSource& codecs) {
    if (!profile) {
        return status::kPointer;
    }
    QList<WmCodec> audioCodecs;
    QList<WmCodec> videoCodecs;
    Status result = codecs.codecs(WmMajorType::Audio, &audioCodecs);
    if (succeeded(result)) {
        result = codecs.codecs(WmMajorType::Video, &videoCodecs);
    }
    if (failed(result)) {
        qWarning("MapProfile: Failed to create profile manager!  hr=0x%x", unsigned(result));
        return result;
    }
    WmProfile loaded;
    if (!ProfileReader(text).read(loaded)) {
        return wmstatus::kInvalidProfile;
    }
    for (WmStreamConfig& stream : loaded.streams) {
        if (stream.kind == WmMajorType::Script) {
            continue;
        }
        const bool audio = stream.kind == WmMajorType::Audio;
        stream.encoderFactory = encoderFor(stream, audio ? audioCodecs : videoCodecs);
        if (stream.encoderFactory.isEmpty()) {
            return audio ? wmstatus::kNoAudioCodecFormat : wmstatus::kNoVideoCodecFormat;
        }
    }
    *profile = std::move(loaded);
    return status::kOk;
}
