#include "tests/common/TestMedia.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cctype>

#include "media/GPtr.h"

namespace {

constexpr int kAudioRate = 44100;
constexpr int kSamplesPerBuffer = 441;  // 10 ms buffers, so lengths are exact to 10 ms

QString muxerFor(const QString& container) {
    if (container == "mkv") {
        return "matroskamux";
    }
    if (container == "wav") {
        return "wavenc";
    }
    return "avimux";
}

bool runPipeline(const QString& description) {
    GError* rawError = nullptr;
    GObjectPtr<GstElement> pipeline(gst_parse_launch(description.toUtf8().constData(), &rawError));
    GErrorPtr error(rawError);
    if (!pipeline || error) {
        ADD_FAILURE() << "Cannot build test pipeline: " << (error ? error->message : "?");
        return false;
    }
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    GObjectPtr<GstBus> bus(gst_element_get_bus(pipeline.get()));
    GstMessagePtr message(gst_bus_timed_pop_filtered(
        bus.get(), 120 * GST_SECOND,
        static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    if (!message || GST_MESSAGE_TYPE(message.get()) != GST_MESSAGE_EOS) {
        ADD_FAILURE() << "Test pipeline failed: " << description.toStdString();
        return false;
    }
    return true;
}

}  // namespace

QString makeClip(const QString& folder, const QString& name, const ClipSpec& clip) {
    const QString path = folder + '/' + name;
    QString description;
    const QString mux = muxerFor(clip.container);
    description += QString("%1 name=mux ! filesink location=\"%2\" ").arg(mux, path);
    if (clip.video && clip.container != "wav") {
        description += QString(
                           "videotestsrc num-buffers=%1 pattern=smpte ! "
                           "video/x-raw,width=%2,height=%3,framerate=%4/%5 ! videoconvert ! "
                           "%6 ! queue ! mux. ")
                           .arg(clip.frames)
                           .arg(clip.width)
                           .arg(clip.height)
                           .arg(clip.fpsNumerator)
                           .arg(clip.fpsDenominator)
                           .arg(clip.container == "mkv"
                                    ? "x264enc speed-preset=ultrafast key-int-max=10 ! h264parse"
                                    : "avenc_mpeg4 bitrate=400000");
    }
    if (clip.audio) {
        const double seconds = clip.audioSeconds >= 0 ? clip.audioSeconds : clip.seconds();
        const int buffers = qRound(seconds * kAudioRate / kSamplesPerBuffer);
        description += QString(
                           "audiotestsrc num-buffers=%1 samplesperbuffer=%2 ! "
                           "audio/x-raw,rate=%3,channels=2 ! audioconvert ! "
                           "audio/x-raw,format=S16LE ! queue ! mux. ")
                           .arg(buffers)
                           .arg(kSamplesPerBuffer)
                           .arg(kAudioRate);
    }
    return runPipeline(description) ? path : QString();
}

bool runFfmpeg(const QStringList& arguments) {
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", QStringList{"-v", "error", "-y"} + arguments);
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0;
}

QString makeGif(const QString& folder, const QString& name, int frames, int fps,
                const QString& size) {
    const QString path = folder + '/' + name;
    if (!runFfmpeg({"-f", "lavfi", "-i", QString("testsrc=size=%1:rate=%2").arg(size).arg(fps),
                    "-frames:v", QString::number(frames), path})) {
        ADD_FAILURE() << "ffmpeg could not write " << path.toStdString();
        return {};
    }
    return path;
}

QString makeDarkThenLightGif(const QString& folder, const QString& name, int dark, int light,
                             int fps) {
    const QString path = folder + '/' + name;
    const QString color = QString("color=c=%1:size=160x120:rate=%2:duration=%3");
    if (!runFfmpeg({"-f", "lavfi", "-i", color.arg("black").arg(fps).arg(double(dark) / fps), "-f",
                    "lavfi", "-i", color.arg("white").arg(fps).arg(double(light) / fps),
                    "-filter_complex", "[0][1]concat=n=2:v=1", path})) {
        ADD_FAILURE() << "ffmpeg could not write " << path.toStdString();
        return {};
    }
    return path;
}

QString makeRecordedClip(const QString& folder, const QString& name, double pictureSeconds,
                         double soundSeconds, const QString& pixelFormat) {
    const QString path = folder + '/' + name;
    const int rate = pixelFormat == "yuv420p" ? 30 : 25;
    if (!runFfmpeg(
            {"-f", "lavfi", "-i",
             QString("testsrc2=size=320x240:rate=%1:duration=%2").arg(rate).arg(pictureSeconds),
             "-f", "lavfi", "-i", QString("sine=frequency=300:duration=%1").arg(soundSeconds),
             "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", pixelFormat, "-c:a", "aac",
             path})) {
        ADD_FAILURE() << "ffmpeg could not write " << path.toStdString();
        return {};
    }
    return path;
}

QString makeSyncMarkedRecording(const QString& folder, const QString& name, double pictureSeconds,
                                double soundSeconds) {
    const QString path = folder + '/' + name;
    if (!runFfmpeg({"-f", "lavfi", "-i",
                    QString("testsrc2=size=320x240:rate=30:duration=%1,drawbox=c=white:t=fill:"
                            "enable='eq(n,30)+eq(n,90)+eq(n,150)'")
                        .arg(pictureSeconds),
                    "-f", "lavfi", "-i",
                    QString("aevalsrc='0.8*sin(2*PI*1000*t)*(between(t,1,1.01)+between(t,3,3.01)+"
                            "between(t,5,5.01))':s=48000:d=%1")
                        .arg(soundSeconds),
                    "-c:v", "libx264", "-preset", "veryfast", "-c:a", "aac", path})) {
        ADD_FAILURE() << "ffmpeg could not write " << path.toStdString();
        return {};
    }
    return path;
}

QString makeHeavyRecording(const QString& folder, const QString& name, double seconds) {
    const QString path = folder + '/' + name;
    if (!runFfmpeg(
            {"-f", "lavfi", "-i",
             QString("testsrc2=size=640x360:rate=30:duration=%1,noise=alls=20:allf=t").arg(seconds),
             "-f", "lavfi", "-i", QString("sine=frequency=300:duration=%1").arg(seconds), "-c:v",
             "libx264", "-preset", "ultrafast", "-qp", "0", "-pix_fmt", "yuv420p", "-c:a", "aac",
             path})) {
        ADD_FAILURE() << "ffmpeg could not write " << path.toStdString();
        return {};
    }
    return path;
}

QString makeInterlacedRecording(const QString& folder, const QString& name) {
    const QString path = folder + '/' + name;
    if (!runFfmpeg({"-f",
                    "lavfi",
                    "-i",
                    "testsrc2=size=720x576:rate=50:duration=2",
                    "-f",
                    "lavfi",
                    "-i",
                    "sine=frequency=300:duration=2",
                    "-vf",
                    "tinterlace=interleave_top,fieldorder=tff",
                    "-c:v",
                    "libx264",
                    "-preset",
                    "ultrafast",
                    "-flags",
                    "+ilme+ildct",
                    "-x264-params",
                    "tff=1",
                    "-pix_fmt",
                    "yuv420p",
                    "-c:a",
                    "aac",
                    path})) {
        ADD_FAILURE() << "ffmpeg could not write " << path.toStdString();
        return {};
    }
    return path;
}

QString makeSurroundRecording(const QString& folder, const QString& name) {
    const QString path = folder + '/' + name;
    QStringList arguments = {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=2"};
    for (const char* tone : {"300", "1000", "200", "50", "500", "700"}) {
        arguments << "-f"
                  << "lavfi"
                  << "-i" << QString("sine=frequency=%1:duration=2").arg(tone);
    }
    arguments << "-filter_complex"
              << "[1][2][3][4][5][6]join=inputs=6:channel_layout=5.1(side):"
                 "map=0.0-FL|1.0-FR|2.0-FC|3.0-LFE|4.0-SL|5.0-SR[a]"
              << "-map"
              << "0"
              << "-map"
              << "[a]"
              << "-c:v"
              << "libx264"
              << "-preset"
              << "ultrafast"
              << "-c:a"
              << "ac3"
              << "-b:a"
              << "384k" << path;
    if (!runFfmpeg(arguments)) {
        ADD_FAILURE() << "ffmpeg could not write " << path.toStdString();
        return {};
    }
    return path;
}

QString makeTurnedClip(const QString& folder, const QString& name, int rotation) {
    const QString path = folder + '/' + name;
    const QString stored = path + ".stored.mp4";
    // The tag turns the picture counter-clockwise; stored turned the other way, it shows upright.
    const QString turn = rotation == 90    ? ",transpose=clock"
                         : rotation == 180 ? ",transpose=clock,transpose=clock"
                         : rotation == 270 ? ",transpose=cclock"
                                           : "";
    const bool made =
        runFfmpeg(
            {"-f", "lavfi", "-i",
             "color=c=gray:size=360x640:rate=25,drawbox=x=0:y=0:w=80:h=80:color=white:t=fill" +
                 turn,
             "-t", "2", "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p",
             stored}) &&
        runFfmpeg({"-i", stored, "-c", "copy", "-metadata:s:v:0",
                   QString("rotate=%1").arg(rotation), path});
    QFile::remove(stored);
    if (!made) {
        ADD_FAILURE() << "ffmpeg could not write " << path.toStdString();
        return {};
    }
    return path;
}

QString makeGarbage(const QString& folder, const QString& name, int bytes) {
    const QString path = folder + '/' + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        ADD_FAILURE() << "Cannot write " << path.toStdString();
        return {};
    }
    QByteArray data(bytes, '\0');
    QRandomGenerator generator(42);
    for (char& byte : data) {
        byte = static_cast<char>(generator.bounded(256));
    }
    file.write(data);
    return path;
}

QString makeTruncatedCopy(const QString& source, const QString& folder, const QString& name,
                          qint64 bytes) {
    const QString path = folder + '/' + name;
    QFile input(source);
    QFile output(path);
    if (!input.open(QIODevice::ReadOnly) || !output.open(QIODevice::WriteOnly)) {
        ADD_FAILURE() << "Cannot copy " << source.toStdString();
        return {};
    }
    output.write(input.read(bytes));
    return path;
}

std::string fileTestName(const char* file) {
    std::string name = file;
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
    return name;
}

QString testMediaFolder() {
    static QTemporaryDir folder;
    return folder.path();
}

QString sharedClip(const QString& name, const ClipSpec& clip) {
    static QHash<QString, QString> made;
    if (!made.contains(name)) {
        made.insert(name, makeClip(testMediaFolder(), name, clip));
    }
    return made.value(name);
}

namespace clips {

QString tenPointNineSeconds() {
    ClipSpec clip;
    clip.frames = 109;
    clip.fpsNumerator = 10;
    return sharedClip(QStringLiteral("ten-point-nine.avi"), clip);
}

QString halfSecond() {
    ClipSpec clip;
    clip.frames = 5;
    clip.fpsNumerator = 10;
    clip.width = 160;
    clip.height = 120;
    return sharedClip(QStringLiteral("half-second.avi"), clip);
}

QString audioOnly() {
    ClipSpec clip;
    clip.video = false;
    clip.audioSeconds = 3;
    clip.container = QStringLiteral("wav");
    return sharedClip(QStringLiteral("audio-only.wav"), clip);
}

QString corrupt() {
    static const QString path =
        makeGarbage(testMediaFolder(), QStringLiteral("corrupt.avi"), 65536);
    return path;
}

}  // namespace clips
