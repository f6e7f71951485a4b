#include "engine/CopyCodecs.h"

#include <array>

#include <QStringList>

#include "media/Elements.h"

namespace {

const std::array<CopyCodec, 5> kCopyCodecs = {{
    {.caps = "video/x-h264",
     .name = "H.264",
     .pictures = PictureCodec::H264,
     .indexChain = "h264parse ! capsfilter "
                   "caps=\"video/x-h264,stream-format=byte-stream,alignment=au\"",
     .copyChain = "h264parse config-interval=-1 ! capsfilter "
                  "caps=\"video/x-h264,stream-format=avc3,alignment=au\"",
     .edgeChain = "x264enc bframes=0 pass=qual quantizer=17 speed-preset=veryfast key-int-max=0 ! "
                  "video/x-h264,profile=%1 ! h264parse config-interval=-1 ! "
                  "video/x-h264,stream-format=avc3,alignment=au",
     .endOfSequence = {}},
    {.caps = "video/x-h265",
     .name = "H.265",
     .pictures = PictureCodec::H265,
     .indexChain = "h265parse ! capsfilter "
                   "caps=\"video/x-h265,stream-format=byte-stream,alignment=au\"",
     .copyChain = "h265parse config-interval=-1 ! capsfilter "
                  "caps=\"video/x-h265,stream-format=hev1,alignment=au\"",
     .edgeChain = "x265enc speed-preset=ultrafast option-string=bframes=0:crf=18:open-gop=0 ! "
                  "h265parse config-interval=-1 ! video/x-h265,stream-format=hev1,alignment=au",
     // An end-of-sequence NAL unit, with the 4-byte length of hev1.
     .endOfSequence = QByteArray::fromHex("000000024801")},
    // The stream as parsed: one picture a packet. The source's setup is put before the first
    // copied picture by the cut; the encoder's own goes before each of the edges' I-VOPs.
    {.caps = "video/mpeg,mpegversion=4|video/x-divx,divxversion=4|video/x-divx,divxversion=5",
     .name = "MPEG-4 Part 2",
     .pictures = PictureCodec::Mpeg4,
     .indexChain = "",
     .copyChain = "",
     .edgeChain = "avenc_mpeg4 max-bframes=0 pass=quant quantizer=2 gop-size=100000 threads=0 ! "
                  "mpeg4videoparse config-interval=-1",
     .endOfSequence = {}},
    {.caps = "video/x-vp9",
     .name = "VP9",
     .pictures = PictureCodec::Other,
     .indexChain = "",
     .copyChain = "",
     // Constant quality, the bitrate only a ceiling.
     .edgeChain = "vp9enc end-usage=cq cq-level=18 target-bitrate=40000000 deadline=1 "
                  "cpu-used=8 threads=4 lag-in-frames=0 row-mt=true keyframe-max-dist=100000",
     .endOfSequence = {}},
    {.caps = "video/x-vp8",
     .name = "VP8",
     .pictures = PictureCodec::Other,
     .indexChain = "",
     .copyChain = "",
     .edgeChain = "vp8enc end-usage=cq cq-level=8 target-bitrate=40000000 deadline=1 "
                  "cpu-used=8 threads=4 lag-in-frames=0 keyframe-max-dist=100000",
     .endOfSequence = {}},
}};

}  // namespace

const CopyCodec* copyCodecFor(const QString& mediaType) {
    for (const CopyCodec& codec : kCopyCodecs) {
        if (QString::fromLatin1(codec.caps).split(QLatin1Char('|')).contains(mediaType)) {
            return &codec;
        }
    }
    return nullptr;
}

bool edgeEncoderInstalled(const CopyCodec& codec) {
    const QByteArray chain(codec.edgeChain);
    return elementInstalled(chain.left(chain.indexOf(' ')).constData());
}
