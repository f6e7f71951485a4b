#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

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
        const QString path = folder.path() + "/holiday film.mkv";
        if (!runFfmpeg({"-f",
                        "lavfi",
                        "-i",
                        "testsrc2=size=320x240:rate=30",
                        "-f",
                        "lavfi",
                        "-i",
                        "sine=f=440:sample_rate=48000",
                        "-f",
                        "lavfi",
                        "-i",
                        "sine=f=660:sample_rate=48000",
                        "-i",
                        chapters,
                        "-t",
                        "15",
                        "-map",
                        "0:v",
                        "-map",
                        "1:a",
                        "-map",
                        "2:a",
                        "-map_metadata",
                        "3",
                        "-map_chapters",
                        "3",
                        "-c:v",
                        "libx264",
                        "-preset",
                        "ultrafast",
                        "-bf",
                        "0",
                        "-c:a",
                        "aac",
                        "-metadata:s:a:0",
                        "language=eng",
                        "-metadata:s:a:0",
                        "title=Main",
                        "-metadata:s:a:1",
                        "language=ger",
                        "-metadata:s:a:1",
                        "title=Kommentar",
                        "-metadata",
                        "creation_time=2026-07-01T10:20:30Z",
                        path})) {
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

TEST_F(Tracks, TheCutKeepsEverySoundTrackTheChaptersAndTheTags) {
    const QString film = makeFilm();
    for (const QString format : {"mkv", "mp4", "webm"}) {
        SCOPED_TRACE(format.toStdString());
        const QJsonObject file =
            convert(film, "cut." + format, {"--format", format, "--start", "3", "--end", "12"});
        const QList<QJsonObject> sound = streamsOf(file, "audio");
        ASSERT_EQ(sound.size(), 2);
        EXPECT_EQ(tag(sound[0], "language"), "eng");
        EXPECT_TRUE(QStringList({"ger", "deu"}).contains(tag(sound[1], "language")));
        if (format != "mp4") {  // GStreamer 1.22's MP4 writer stores no track names
            EXPECT_EQ(tag(sound[0], "title"), "Main");
            EXPECT_EQ(tag(sound[1], "title"), "Kommentar");
        }
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
