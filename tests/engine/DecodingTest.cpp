#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <algorithm>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <map>
#include <mutex>
#include <vector>

#include "engine/TimelineBuilder.h"
#include "media/Elements.h"
#include "media/RenderEngine.h"
#include "media/Timeline.h"
#include "tests/common/TestMedia.h"
#include "tests/engine/ConversionFixture.h"

// What a conversion decodes, taken where the decoded pictures enter the conversion (after the
// trim), compared bit for bit with libav's own decoding of the same file by ffmpeg, on streams
// that are hard to decode or to time.
namespace {

// The checksum ffmpeg's framemd5 gives a picture: its samples plane by plane, rows unpadded.
std::string checksumOf(GstBuffer* buffer, GstCaps* caps) {
    GstVideoInfo info;
    GstVideoFrame frame;
    if (!gst_video_info_from_caps(&info, caps) ||
        !gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) {
        return "unreadable";
    }
    GChecksum* checksum = g_checksum_new(G_CHECKSUM_MD5);
    for (guint plane = 0; plane < GST_VIDEO_FRAME_N_PLANES(&frame); ++plane) {
        const auto* data = static_cast<const guint8*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, plane));
        const int rowBytes =
            GST_VIDEO_FRAME_COMP_WIDTH(&frame, plane) * GST_VIDEO_FRAME_COMP_PSTRIDE(&frame, plane);
        for (int row = 0; row < GST_VIDEO_FRAME_COMP_HEIGHT(&frame, plane); ++row) {
            g_checksum_update(checksum, data + row * GST_VIDEO_FRAME_PLANE_STRIDE(&frame, plane),
                              rowBytes);
        }
    }
    std::string text = g_checksum_get_string(checksum);
    g_checksum_free(checksum);
    gst_video_frame_unmap(&frame);
    return text;
}

struct Collected {
    std::mutex mutex;
    std::vector<std::string> pictures;
    std::string format;  // the GStreamer sample format of the last picture
};

GstPadProbeReturn onDecodedPicture(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto* collected = static_cast<Collected*>(data);
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps) {
        return GST_PAD_PROBE_OK;
    }
    GstVideoInfo video;
    const bool known = gst_video_info_from_caps(&video, caps);
    const std::string sum = checksumOf(GST_PAD_PROBE_INFO_BUFFER(info), caps);
    gst_caps_unref(caps);
    std::lock_guard lock(collected->mutex);
    collected->pictures.push_back(sum);
    if (known) {
        collected->format = gst_video_format_to_string(GST_VIDEO_INFO_FORMAT(&video));
    }
    return GST_PAD_PROBE_OK;
}

// libav's pictures of a file, in the order they show, from the `skipped`-th on.
std::vector<std::string> libavPictures(const QString& path, const char* pixelFormat,
                                       int skipped = 0, const QStringList& decoding = {}) {
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg",
                 QStringList{"-v", "error"} + decoding +
                     QStringList{"-i", path, "-map", "0:v:0", "-autoscale", "0", "-fps_mode",
                                 "passthrough", "-pix_fmt", pixelFormat, "-f", "framemd5", "-"});
    std::vector<std::string> pictures;
    if (!ffmpeg.waitForFinished(60000)) {
        return pictures;
    }
    const QStringList lines = QString::fromUtf8(ffmpeg.readAllStandardOutput()).split('\n');
    for (const QString& line : lines) {
        if (!line.startsWith('#') && line.count(',') >= 5) {
            pictures.push_back(line.section(',', 5).trimmed().toStdString());
        }
    }
    pictures.erase(pictures.begin(), pictures.begin() + std::min<size_t>(skipped, pictures.size()));
    return pictures;
}

const std::map<std::string, const char*> kPixelFormats = {
    {"I420", "yuv420p"}, {"I420_10LE", "yuv420p10le"}, {"Y42B", "yuv422p"}};

class Decoding : public ConversionFixture {
  protected:
    // Runs the front end of a conversion of the opened source at its own size and rate and
    // returns the checksums of the pictures that enter it.
    std::vector<std::string> conversionPictures() {
        settings.outputWidth = settings.sourceWidth;
        settings.outputHeight = settings.sourceHeight;
        settings.frameRate = settings.sourceFrameRate;
        std::shared_ptr<Timeline> timeline;
        createTimeline(project, settings, dialogs, &timeline);
        RenderEngine engine;
        engine.setTimelineObject(timeline);
        QString error;
        if (failed(engine.connectFrontEnd(&error))) {
            ADD_FAILURE() << error.toStdString();
            return {};
        }
        GstPipeline* pipeline = engine.filterGraph();
        GObjectPtr<GstElement> reader(gst_bin_get_by_name(GST_BIN(pipeline), "source"));
        GstIterator* pads = gst_element_iterate_src_pads(reader.get());
        GValue item = G_VALUE_INIT;
        while (gst_iterator_next(pads, &item) == GST_ITERATOR_OK) {
            GObjectPtr<GstPad> entrance(gst_pad_get_peer(GST_PAD(g_value_get_object(&item))));
            GstCapsPtr caps(gst_pad_get_current_caps(GST_PAD(g_value_get_object(&item))));
            if (entrance && caps &&
                g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps.get(), 0)),
                                 "video/")) {
                gst_pad_add_probe(entrance.get(), GST_PAD_PROBE_TYPE_BUFFER, &onDecodedPicture,
                                  &collected_, nullptr);
            }
            g_value_reset(&item);
        }
        g_value_unset(&item);
        gst_iterator_free(pads);
        for (int group = 0; group < engine.groupCount(); ++group) {
            GstPad* output = nullptr;
            engine.groupOutputPin(group, &output);
            GstElement* sink = gst_element_factory_make("fakesink", nullptr);
            g_object_set(sink, "sync", FALSE, nullptr);
            gst_bin_add(GST_BIN(pipeline), sink);
            GObjectPtr<GstPad> input(gst_element_get_static_pad(sink, "sink"));
            gst_pad_link(output, input.get());
        }
        gst_element_set_state(GST_ELEMENT(pipeline), GST_STATE_PLAYING);
        engine.start();
        GObjectPtr<GstBus> bus(gst_pipeline_get_bus(pipeline));
        GstMessagePtr end(gst_bus_timed_pop_filtered(
            bus.get(), 60 * GST_SECOND,
            static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
        EXPECT_TRUE(end && GST_MESSAGE_TYPE(end.get()) == GST_MESSAGE_EOS);
        gst_element_set_state(GST_ELEMENT(pipeline), GST_STATE_NULL);
        std::lock_guard lock(collected_.mutex);
        return collected_.pictures;
    }

    const char* pixelFormat() {
        const auto found = kPixelFormats.find(collected_.format);
        return found == kPixelFormats.end() ? "yuv420p" : found->second;
    }

    QString make(const char* name, const QStringList& arguments) {
        const QString path = outputFolder.filePath(name);
        return runFfmpeg(arguments + QStringList{path}) ? path : QString();
    }

    Collected collected_;
};

const QString kPicture = "testsrc2=size=320x240:rate=25:duration=2";

// A raw H.264 stream with B-frames, remuxed by "-c copy" into MP4, which then carries decoding
// times as presentation times: every picture of the raw stream, in its order.
TEST_F(Decoding, RemuxedStreamWithDecodingTimesOnly) {
    const QString raw = make(
        "raw.h264", {"-f", "lavfi", "-i", kPicture, "-c:v", "libx264", "-bf", "3", "-f", "h264"});
    const QString remuxed = make("remuxed.mp4", {"-r", "25", "-i", raw, "-c", "copy"});
    ASSERT_FALSE(remuxed.isEmpty());
    openSource(remuxed);
    const std::vector<std::string> pictures = conversionPictures();
    const std::vector<std::string> expected = libavPictures(raw, pixelFormat());
    EXPECT_EQ(pictures, expected);
}

// The SPS of a raw H.264 stream without its reorder field (bitstream restriction), as some
// encoders write it: libav has to find out itself how late pictures show.
TEST_F(Decoding, StreamWithoutItsReorderField) {
    const QString raw = make(
        "full.h264", {"-f", "lavfi", "-i", kPicture, "-c:v", "libx264", "-bf", "2", "-f", "h264"});
    ASSERT_FALSE(raw.isEmpty());
    // Where ffmpeg finds the flag in the sequence header, counted in bits from the NAL header.
    QProcess trace;
    trace.start("ffmpeg", {"-v", "trace", "-i", raw, "-c", "copy", "-bsf:v", "trace_headers",
                           "-frames:v", "1", "-f", "null", "-"});
    ASSERT_TRUE(trace.waitForFinished(30000));
    const QRegularExpressionMatch flag =
        QRegularExpression(R"((\d+)\s+bitstream_restriction_flag\s+1 = 1)")
            .match(QString::fromUtf8(trace.readAllStandardError()));
    ASSERT_TRUE(flag.hasMatch());
    QFile file(raw);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray stream = file.readAll();
    const qsizetype start = stream.indexOf(QByteArray("\x00\x00\x01\x67", 4)) + 3;
    const qsizetype end = stream.indexOf(QByteArray("\x00\x00\x01", 3), start);
    ASSERT_GT(start, 3);
    // The header's bits without emulation prevention; the flag cleared, then the stop bit.
    QByteArray bits;
    for (qsizetype index = start; index < end; ++index) {
        if (index >= start + 2 && stream[index] == 3 && stream[index - 1] == 0 &&
            stream[index - 2] == 0) {
            continue;
        }
        bits.append(stream[index]);
    }
    const int position = flag.captured(1).toInt();
    QByteArray header((position + 8) / 8 + 1, 0);
    for (int bit = 0; bit < position; ++bit) {
        if (bits[bit / 8] & (0x80 >> (bit % 8))) {
            header[bit / 8] = char(header[bit / 8] | (0x80 >> (bit % 8)));
        }
    }
    header[(position + 1) / 8] = char(header[(position + 1) / 8] | (0x80 >> ((position + 1) % 8)));
    header.truncate((position + 1) / 8 + 1);
    QByteArray escaped;
    int zeros = 0;
    for (char byte : header) {
        if (zeros == 2 && uint8_t(byte) <= 3) {
            escaped.append(char(3));
            zeros = 0;
        }
        escaped.append(byte);
        zeros = byte == 0 ? zeros + 1 : 0;
    }
    stream.replace(start, end - start, escaped);
    const QString edited = outputFolder.filePath("no-reorder-field.h264");
    QFile out(edited);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(stream);
    out.close();
    const QString muxed = make("no-reorder-field.mp4", {"-r", "25", "-i", edited, "-c", "copy"});
    ASSERT_FALSE(muxed.isEmpty());
    openSource(muxed);
    const std::vector<std::string> pictures = conversionPictures();
    const std::vector<std::string> expected = libavPictures(raw, pixelFormat());
    EXPECT_EQ(pictures.size(), expected.size());
    EXPECT_TRUE(std::equal(pictures.begin(), pictures.end(), expected.begin(), expected.end()));
}

// Groups of 12 pictures that refer back across their key frames, cut inside a group.
TEST_F(Decoding, AccurateStartInsideAnOpenGroup) {
    const QString clip =
        make("open-gop.mp4", {"-f", "lavfi", "-i", kPicture, "-c:v", "libx264", "-bf", "3",
                              "-x264-params", "open-gop=1:keyint=12:min-keyint=12:scenecut=0"});
    ASSERT_FALSE(clip.isEmpty());
    openSource(clip);
    project.startTime = 17 * kUnitsPerSecond / 25;  // picture 17
    const std::vector<std::string> pictures = conversionPictures();
    const std::vector<std::string> expected = libavPictures(clip, pixelFormat(), 17);
    EXPECT_EQ(pictures, expected);
}

// The pictures change size in the middle of the stream.
TEST_F(Decoding, SizeChangingInTheMiddle) {
    const QString first = make(
        "first.h264", {"-f", "lavfi", "-i", kPicture, "-t", "1", "-c:v", "libx264", "-f", "h264"});
    const QString second =
        make("second.h264", {"-f", "lavfi", "-i", "testsrc2=size=352x288:rate=25:duration=1",
                             "-c:v", "libx264", "-f", "h264"});
    ASSERT_FALSE(first.isEmpty() || second.isEmpty());
    QFile joined(outputFolder.filePath("joined.h264"));
    ASSERT_TRUE(joined.open(QIODevice::WriteOnly));
    for (const QString& part : {first, second}) {
        QFile file(part);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        joined.write(file.readAll());
    }
    joined.close();
    const QString clip = make("joined.mp4", {"-r", "25", "-i", joined.fileName(), "-c", "copy"});
    ASSERT_FALSE(clip.isEmpty());
    openSource(clip);
    const std::vector<std::string> pictures = conversionPictures();
    EXPECT_EQ(pictures, libavPictures(joined.fileName(), pixelFormat()));
}

// Each stream here is one a plain open and conversion take as it is.
struct Stream {
    const char* name;
    const char* file;
    QStringList encoding;
};

class HardStreams : public Decoding, public ::testing::WithParamInterface<Stream> {};

TEST_P(HardStreams, GiveLibavsPictures) {
    const QString clip =
        make(GetParam().file, QStringList{"-f", "lavfi", "-i", kPicture} + GetParam().encoding);
    ASSERT_FALSE(clip.isEmpty());
    openSource(clip);
    const std::vector<std::string> pictures = conversionPictures();
    EXPECT_EQ(pictures, libavPictures(clip, pixelFormat()));
}

INSTANTIATE_TEST_SUITE_P(
    Decoding, HardStreams,
    ::testing::Values(
        // AVI carries no presentation times: only the key frames are timed.
        Stream{"AviWithoutTimes", "no-times.avi", {"-c:v", "libx264", "-bf", "3"}},
        Stream{"TenBitH265",
               "phone-10bit.mov",
               {"-c:v", "libx265", "-pix_fmt", "yuv420p10le", "-tag:v", "hvc1", "-x265-params",
                "log-level=error"}},
        Stream{"InterlacedTransportStream",
               "interlaced.ts",
               {"-vf", "tinterlace=interleave_top", "-c:v", "libx264", "-flags", "+ildct+ilme",
                "-x264-params", "tff=1"}}),
    [](const ::testing::TestParamInfo<Stream>& info) { return std::string(info.param.name); });

// Bytes overwritten in the middle of the pictures: every picture comes out, and those before
// the damage are exact. How libav conceals the damaged ones changes from run to run when it
// decodes on several threads (ffmpeg itself differs between two runs), so they are not compared.
TEST_F(Decoding, DamagedBytes) {
    const QString clip = make("damaged.mkv", {"-f", "lavfi", "-i", kPicture, "-c:v", "libx264"});
    ASSERT_FALSE(clip.isEmpty());
    const std::vector<std::string> intact = libavPictures(clip, pixelFormat());
    QFile file(clip);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    for (qint64 offset = file.size() / 3; offset < file.size() * 2 / 3; offset += 7919) {
        file.seek(offset);
        file.write(QByteArray(16, char(0x5a)));
    }
    file.close();
    const std::vector<std::string> concealed =
        libavPictures(clip, pixelFormat(), 0, {"-threads", "1"});
    const auto firstDamaged =
        std::mismatch(intact.begin(), intact.end(), concealed.begin(), concealed.end()).first -
        intact.begin();
    ASSERT_GT(firstDamaged, 0);
    openSource(clip);
    const std::vector<std::string> pictures = conversionPictures();
    ASSERT_EQ(pictures.size(), concealed.size());
    EXPECT_TRUE(std::equal(intact.begin(), intact.begin() + firstDamaged, pictures.begin()));
}

}  // namespace
