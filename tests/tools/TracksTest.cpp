#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "tests/common/FileProbe.h"
#include "tests/common/QuenzelConvertProcess.h"
#include "tests/common/TestMedia.h"

namespace {

// ffprobe's view of a written file: its streams, chapters and container tags.
QJsonObject probe(const QString& path) {
    QProcess ffprobe;
    ffprobe.start("ffprobe", {"-v", "error", "-of", "json", "-show_streams", "-show_chapters",
                              "-show_format", path});
    if (!ffprobe.waitForFinished(30000) || ffprobe.exitCode() != 0) {
        ADD_FAILURE() << "ffprobe could not read " << path.toStdString();
        return {};
    }
    return QJsonDocument::fromJson(ffprobe.readAllStandardOutput()).object();
}

// A tag whatever the case the writer gave its name ("title" or "TITLE").
QString tag(const QJsonObject& owner, const QString& name) {
    const QJsonObject tags = owner["tags"].toObject();
    for (auto it = tags.begin(); it != tags.end(); ++it) {
        if (it.key().compare(name, Qt::CaseInsensitive) == 0) {
            return it.value().toString();
        }
    }
    return {};
}

QList<QJsonObject> streamsOf(const QJsonObject& file, const QString& type) {
    QList<QJsonObject> streams;
    for (const QJsonValue& stream : file["streams"].toArray()) {
        if (stream["codec_type"].toString() == type) {
            streams << stream.toObject();
        }
    }
    return streams;
}

// Cues at 1-2, 2-4, 5-9 and 10-14 s: cut at 3-12 s, the last three remain.
void writeSubtitles(const QString& path) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(
            "1\n00:00:01,000 --> 00:00:02,000\nVorher\n\n"
            "2\n00:00:02,000 --> 00:00:04,000\nGrüße vom Strand\n\n"
            "3\n00:00:05,000 --> 00:00:09,000\nÜber die Berge\n\n"
            "4\n00:00:10,000 --> 00:00:14,000\nSchöne Aussicht\n");
    }
}

// The subtitles of a written file as ffmpeg reads them back, in SRT.
QString subtitlesOf(const QString& path) {
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-i", path, "-map", "0:s:0", "-f", "srt", "-"});
    ffmpeg.waitForFinished(30000);
    return QString::fromUtf8(ffmpeg.readAllStandardOutput());
}

// Where the last picture of a written file ends, in seconds (MKV has no durations per track).
double lastPictureEnd(const QString& path) {
    QProcess ffprobe;
    ffprobe.start("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries",
                              "packet=pts_time,duration_time", "-of", "csv=p=0", path});
    ffprobe.waitForFinished(30000);
    double end = 0;
    for (const QByteArray& line : ffprobe.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split(',');
        if (fields.size() == 2) {
            end = std::max(end, fields[0].toDouble() + fields[1].toDouble());
        }
    }
    return end;
}

// A film with DVD subtitles, as ripped discs keep them: a small square shown for a second at 2 s
// and at 6 s. GStreamer writes it, since ffmpeg makes DVD subtitles only from other pictures.
bool writeDvdSubtitledFilm(const QString& path) {
    gst_init(nullptr, nullptr);
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(
        "videotestsrc num-buffers=300 ! video/x-raw,width=320,height=240,framerate=30/1 ! "
        "x264enc speed-preset=ultrafast ! h264parse ! matroskamux name=mux ! filesink name=file "
        "appsrc name=cues format=time caps=subpicture/x-dvd ! mux.subtitle_0",
        &error);
    if (!pipeline) {
        ADD_FAILURE() << error->message;
        g_error_free(error);
        return false;
    }
    GstElement* file = gst_bin_get_by_name(GST_BIN(pipeline), "file");
    g_object_set(file, "location", path.toUtf8().constData(), nullptr);
    gst_object_unref(file);
    // Size, control offset; two field lines of colour 1 each; show with its palette, alpha, area
    // and lines; hide a second later.
    static const unsigned char kSquare[] = {
        0x00, 0x2a, 0x00, 0x0c, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00,
        0x00, 0x24, 0x01, 0x03, 0x32, 0x10, 0x04, 0xff, 0xf0, 0x05, 0x06, 0x40, 0x73, 0x0c,
        0x80, 0xcb, 0x06, 0x00, 0x04, 0x00, 0x08, 0xff, 0x00, 0x58, 0x00, 0x24, 0x02, 0xff};
    GstElement* cues = gst_bin_get_by_name(GST_BIN(pipeline), "cues");
    for (const GstClockTime at : {2 * GST_SECOND, 6 * GST_SECOND}) {
        GstBuffer* square = gst_buffer_new_memdup(kSquare, sizeof kSquare);
        GST_BUFFER_PTS(square) = at;
        GstFlowReturn flow = GST_FLOW_OK;
        g_signal_emit_by_name(cues, "push-buffer", square, &flow);
        gst_buffer_unref(square);
    }
    GstFlowReturn flow = GST_FLOW_OK;
    g_signal_emit_by_name(cues, "end-of-stream", &flow);
    gst_object_unref(cues);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* end = gst_bus_timed_pop_filtered(
        bus, 60 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool written = end && GST_MESSAGE_TYPE(end) == GST_MESSAGE_EOS;
    if (end) {
        gst_message_unref(end);
    }
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return written;
}

class Tracks : public ::testing::Test {
  protected:
    // A film as people keep them: a main sound track and a commentary, chapters, a title with
    // a space and a recording time.
    QString makeFilm() {
        const QString chapters = folder.path() + "/chapters.txt";
        QFile file(chapters);
        if (!file.open(QIODevice::WriteOnly)) {
            return {};
        }
        file.write(
            ";FFMETADATA1\ntitle=Holiday film\nartist=Anna\n"
            "[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=7000\ntitle=Beach\n"
            "[CHAPTER]\nTIMEBASE=1/1000\nSTART=7000\nEND=15000\ntitle=Mountains\n");
        file.close();
        writeSubtitles(folder.path() + "/subtitles.srt");
        const QString path = folder.path() + "/holiday film.mkv";
        // clang-format off
        const QStringList arguments = {
            "-f", "lavfi", "-i", "testsrc2=size=320x240:rate=30", "-f", "lavfi", "-i",
            "sine=f=440:sample_rate=48000", "-f", "lavfi", "-i", "sine=f=660:sample_rate=48000",
            "-i", chapters, "-i", folder.path() + "/subtitles.srt", "-t", "15", "-map", "0:v",
            "-map", "1:a", "-map", "2:a", "-map", "4:s", "-map_metadata", "3", "-map_chapters",
            "3", "-c:v", "libx264", "-preset", "ultrafast", "-bf", "0", "-c:a", "aac", "-c:s",
            "srt", "-metadata:s:a:0", "language=eng", "-metadata:s:a:0", "title=Main",
            "-metadata:s:a:1", "language=ger", "-metadata:s:a:1", "title=Kommentar", "-metadata",
            "creation_time=2026-07-01T10:20:30Z", path};
        // clang-format on
        if (!runFfmpeg(arguments)) {
            ADD_FAILURE() << "ffmpeg could not write the film";
        }
        return path;
    }

    QJsonObject convert(const QString& source, const QString& name, QStringList arguments) {
        const QString out = folder.path() + '/' + name;
        arguments << "-y"
                  << "-o" << out << source;
        const CommandResult result = runQuenzelConvert(arguments, config.path());
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString() << result.out.toStdString();
        lastOutput = result.out + result.err;
        return probe(out);
    }

    QTemporaryDir config;
    QTemporaryDir folder;
    QString lastOutput;
};

// Encoded again, and copied.
TEST_F(Tracks, TheCutKeepsEverySoundTrackTheChaptersAndTheTags) {
    const QString film = makeFilm();
    const QStringList copy = {"--video-compressor", "copy", "--audio-compressor", "copy"};
    const std::vector<std::pair<QString, QStringList>> cases = {
        {"mkv", {}}, {"mp4", {}}, {"webm", {}}, {"mkv", copy}, {"mp4", copy}};
    for (const auto& [format, more] : cases) {
        SCOPED_TRACE((format + ' ' + more.join(' ')).toStdString());
        const QJsonObject file =
            convert(film, "cut." + format,
                    QStringList{"--format", format, "--start", "3", "--end", "12"} << more);
        const QList<QJsonObject> sound = streamsOf(file, "audio");
        ASSERT_EQ(sound.size(), 2);
        EXPECT_EQ(tag(sound[0], "language"), "eng");
        EXPECT_TRUE(QStringList({"ger", "deu"}).contains(tag(sound[1], "language")));
        if (format != "mp4") {  // GStreamer 1.22's MP4 writer stores no track names
            EXPECT_EQ(tag(sound[0], "title"), "Main");
            EXPECT_EQ(tag(sound[1], "title"), "Kommentar");
        }
        ASSERT_EQ(streamsOf(file, "subtitle").size(), 1);
        const QString cues = subtitlesOf(folder.path() + "/cut." + format);
        // ffmpeg counts WebM from the sound's priming, 7 ms before the first picture.
        const QString ms = format == "webm" ? "007" : "000";
        for (const QString cue : {"00:00:00,%1 --> 00:00:01,%1\\n%2Grüße vom Strand",
                                  "00:00:02,%1 --> 00:00:06,%1\\n%2Über die Berge",
                                  "00:00:07,%1 --> 00:00:09,%1\\n%2Schöne Aussicht"}) {
            // ffmpeg shows MP4's timed text with its style record in front.
            const QRegularExpression expected(cue.arg(ms, "(<font[^>]*>)?"));
            EXPECT_TRUE(expected.match(cues).hasMatch()) << cue.toStdString() << " in\n"
                                                         << cues.toStdString();
        }
        EXPECT_FALSE(cues.contains("Vorher"));
        EXPECT_EQ(tag(file["format"].toObject(), "title"), "Holiday film");
        EXPECT_EQ(tag(file["format"].toObject(), "creation_time").left(19), "2026-07-01T10:20:30");
        if (format == "mkv") {
            const QJsonArray chapters = file["chapters"].toArray();
            ASSERT_EQ(chapters.size(), 2);
            EXPECT_EQ(tag(chapters[0].toObject(), "title"), "Beach");
            EXPECT_NEAR(chapters[0]["start_time"].toString().toDouble(), 0, 0.05);
            EXPECT_NEAR(chapters[0]["end_time"].toString().toDouble(), 4, 0.05);
            EXPECT_EQ(tag(chapters[1].toObject(), "title"), "Mountains");
            EXPECT_NEAR(chapters[1]["end_time"].toString().toDouble(), 9, 0.05);
        }
    }
}

TEST_F(Tracks, TheChosenTrackAloneIsWrittenAndOneTrackFormatsSaySo) {
    const QString film = makeFilm();
    const QList<QJsonObject> commentary = streamsOf(
        convert(film, "commentary.mkv", {"--format", "mkv", "--audio-tracks", "2"}), "audio");
    ASSERT_EQ(commentary.size(), 1);
    EXPECT_EQ(tag(commentary[0], "title"), "Kommentar");

    EXPECT_EQ(streamsOf(convert(film, "first.avi", {"--format", "avi"}), "audio").size(), 1);
    EXPECT_TRUE(lastOutput.contains("1 other is left out")) << lastOutput.toStdString();

    const CommandResult missing = runQuenzelConvert(
        {"--audio-tracks", "3", "-o", folder.path() + "/none.mkv", film}, config.path());
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_TRUE(missing.err.contains("no sound track 3")) << missing.err.toStdString();
    EXPECT_FALSE(QFile::exists(folder.path() + "/none.mkv"));
}

TEST_F(Tracks, BurntSubtitlesAreDrawnIntoThePictureAndWrittenAsNoTrack) {
    // A black picture, so that the drawn text is all that is bright.
    const QString clip = folder.path() + "/night.mkv";
    writeSubtitles(folder.path() + "/cues.srt");
    ASSERT_TRUE(runFfmpeg({"-f", "lavfi", "-i", "color=c=black:size=320x240:rate=30", "-i",
                           folder.path() + "/cues.srt", "-t", "15", "-map", "0:v", "-map", "1:s",
                           "-c:v", "libx264", "-preset", "ultrafast", "-c:s", "srt", clip}));
    const QString burnt = folder.path() + "/burnt.mkv";
    const QJsonObject file =
        convert(clip, "burnt.mkv",
                {"--format", "mkv", "--subtitles", "burn", "--start", "3", "--end", "12"});
    EXPECT_TRUE(streamsOf(file, "subtitle").isEmpty());
    // At 3 s "Über die Berge" shows in the lower part; above it the picture stays black.
    EXPECT_GT(meanBrightnessIn(burnt, 3.0, QRect(100, 195, 120, 30)), 5.0);
    EXPECT_LT(meanBrightnessIn(burnt, 3.0, QRect(0, 0, 320, 150)), 2.0);
    // Between cues nothing is drawn.
    EXPECT_LT(meanBrightnessIn(burnt, 1.5, QRect(100, 195, 120, 30)), 2.0);
    // A copy keeps the pictures as they are: it cannot draw into them.
    const CommandResult copied =
        runQuenzelConvert({"--format", "mkv", "--video-compressor", "copy", "--subtitles", "burn",
                           "-o", folder.path() + "/copied.mkv", clip},
                          config.path());
    EXPECT_NE(copied.exitCode, 0);
    EXPECT_TRUE(copied.err.contains("cannot draw subtitles")) << copied.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder.path() + "/copied.mkv"));
}

TEST_F(Tracks, ASubtitleFileBesideTheClipBecomesItsTrack) {
    const QString clip = folder.path() + "/my clip.mp4";
    ASSERT_TRUE(runFfmpeg({"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=30", "-t", "12", "-c:v",
                           "libx264", "-preset", "ultrafast", "-bf", "0", clip}));
    writeSubtitles(folder.path() + "/my clip.de.srt");
    const QJsonObject file =
        convert(clip, "with subtitles.mkv", {"--format", "mkv", "--start", "3"});
    const QList<QJsonObject> subtitles = streamsOf(file, "subtitle");
    ASSERT_EQ(subtitles.size(), 1);
    EXPECT_TRUE(QStringList({"de", "ger", "deu"}).contains(tag(subtitles[0], "language")));
    EXPECT_TRUE(subtitlesOf(folder.path() + "/with subtitles.mkv")
                    .contains("00:00:02,000 --> 00:00:06,000\nÜber die Berge"));
}

TEST_F(Tracks, AStoppedConversionEndsItsSubtitlesWithItsPictures) {
    const QString clip = folder.path() + "/long clip.mp4";
    ASSERT_TRUE(runFfmpeg({"-f", "lavfi", "-i", "testsrc2=size=1280x720:rate=30", "-t", "20",
                           "-c:v", "libx264", "-preset", "ultrafast", "-bf", "0", clip}));
    writeSubtitles(folder.path() + "/long clip.srt");
    for (const QString format : {"mkv", "mp4"}) {
        const QString out = folder.path() + "/stopped." + format;
        // Stopped once some seconds of pictures are written (into a part file, or for MP4 into
        // the media file of its writer beside it).
        const auto stopNow = [&] {
            qint64 written = 0;
            for (const QFileInfo& file : QDir(folder.path()).entryInfoList(QDir::Files)) {
                if (!file.fileName().startsWith("long clip")) {
                    written += file.size();
                }
            }
            return written > 1'000'000;
        };
        const CommandResult stopped =
            runQuenzelConvert({"--format", format, "--video-compressor", "x264", "--quality",
                               "best", "-y", "-o", out, clip},
                              config.path(), 120000, stopNow);
        ASSERT_TRUE(stopped.finished) << format.toStdString();
        const QJsonObject file = probe(out);
        const double pictures = lastPictureEnd(out);
        ASSERT_GT(pictures, 0.5) << format.toStdString() << stopped.err.toStdString();
        ASSERT_LT(pictures, 15) << "not stopped: " << format.toStdString();
        // The cue on screen when it stopped may keep its end; none after it is written.
        static const QRegularExpression cueTimes(
            "(\\d\\d):(\\d\\d):(\\d\\d),(\\d\\d\\d) --> (\\d\\d):(\\d\\d):(\\d\\d),(\\d\\d\\d)");
        const auto seconds = [](const QRegularExpressionMatch& time, int first) {
            return time.captured(first).toInt() * 3600 + time.captured(first + 1).toInt() * 60 +
                   time.captured(first + 2).toInt() + time.captured(first + 3).toInt() / 1000.0;
        };
        double lastEnd = pictures;
        for (auto cue = cueTimes.globalMatch(subtitlesOf(out)); cue.hasNext();) {
            const QRegularExpressionMatch time = cue.next();
            EXPECT_LT(seconds(time, 1), pictures) << format.toStdString();
            lastEnd = std::max(lastEnd, seconds(time, 5));
        }
        // Gaps are announced a little ahead of the pictures, never a cue.
        EXPECT_LT(file["format"].toObject()["duration"].toString().toDouble(), lastEnd + 1);
        QFile::remove(out);  // not counted as written for the next format
    }
}

TEST_F(Tracks, DvdSubtitlesAreKeptInMkvAndNamedWhereTheyCannotBe) {
    const QString film = folder.path() + "/ripped.mkv";
    ASSERT_TRUE(writeDvdSubtitledFilm(film));
    const QJsonObject mkv = convert(film, "kept.mkv", {"--format", "mkv", "--start", "3"});
    const QList<QJsonObject> subtitles = streamsOf(mkv, "subtitle");
    ASSERT_EQ(subtitles.size(), 1);
    EXPECT_EQ(subtitles[0]["codec_name"].toString(), "dvd_subtitle");
    QProcess ffprobe;
    ffprobe.start("ffprobe", {"-v", "error", "-select_streams", "s", "-show_entries",
                              "packet=pts_time", "-of", "csv=p=0", folder.path() + "/kept.mkv"});
    ffprobe.waitForFinished(30000);
    // The square at 6 s, moved by the cut; the one at 2 s lies before it.
    EXPECT_EQ(ffprobe.readAllStandardOutput().trimmed().toDouble(), 3.0);

    const QJsonObject mp4 = convert(film, "left out.mp4", {"--format", "mp4"});
    EXPECT_TRUE(streamsOf(mp4, "subtitle").isEmpty());
    EXPECT_TRUE(lastOutput.contains("cannot write these picture subtitles into MP4"))
        << lastOutput.toStdString();
}

TEST_F(Tracks, ASubtitleTrackNothingReadsIsLeftOutAndTheRestIsWritten) {
    // GStreamer 1.22's Matroska reader does not know WebVTT.
    const QString film = folder.path() + "/web.mkv";
    writeSubtitles(folder.path() + "/web.srt");
    ASSERT_TRUE(runFfmpeg({"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=30", "-i",
                           folder.path() + "/web.srt", "-t", "6", "-map", "0", "-map", "1", "-c:v",
                           "libx264", "-preset", "ultrafast", "-c:s", "webvtt", film}));
    const QJsonObject written = convert(film, "pictures.mp4", {"--format", "mp4", "--end", "5"});
    EXPECT_EQ(streamsOf(written, "video").size(), 1);
    EXPECT_TRUE(lastOutput.contains("GStreamer cannot read 1 track(s) of the source"))
        << lastOutput.toStdString();
}

TEST_F(Tracks, APhoneClipKeepsItsRecordingTime) {
    const QString phone = folder.path() + "/phone.mp4";
    ASSERT_TRUE(runFfmpeg({"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=30", "-t", "2", "-c:v",
                           "libx264", "-preset", "ultrafast", "-metadata",
                           "creation_time=2025-05-04T09:08:07Z", phone}));
    for (const QString format : {"mp4", "mkv"}) {
        const QJsonObject file = convert(phone, "out." + format, {"--format", format});
        EXPECT_EQ(tag(file["format"].toObject(), "creation_time").left(19), "2025-05-04T09:08:07")
            << format.toStdString();
    }
}

}  // namespace
