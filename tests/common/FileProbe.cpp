#include "tests/common/FileProbe.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <cstdlib>

namespace {

double fraction(const QString& text) {
    const QStringList parts = text.split('/');
    if (parts.size() == 2 && parts[1].toDouble() != 0) {
        return parts[0].toDouble() / parts[1].toDouble();
    }
    return text.toDouble();
}

double numberOr(const QJsonValue& value, double fallback) {
    bool ok = false;
    const double number = value.toString().toDouble(&ok);
    return ok ? number : fallback;
}

}  // namespace

const ProbedStream* ProbedFile::stream(const QString& type) const {
    for (const ProbedStream& candidate : streams) {
        if (candidate.type == type) {
            return &candidate;
        }
    }
    return nullptr;
}

ProbedFile probeFile(const QString& path) {
    QProcess ffprobe;
    ffprobe.start("ffprobe", {"-v", "error", "-count_frames", "-show_streams", "-show_format",
                              "-of", "json", path});
    ProbedFile result;
    if (!ffprobe.waitForFinished(120000) || ffprobe.exitCode() != 0) {
        return result;
    }
    const QJsonObject root = QJsonDocument::fromJson(ffprobe.readAllStandardOutput()).object();
    const QJsonObject format = root.value("format").toObject();
    result.readable = !format.isEmpty();
    result.container = format.value("format_name").toString();
    result.duration = numberOr(format.value("duration"), -1);
    result.title = format.value("tags").toObject().value("title").toString();
    for (const QJsonValue& value : root.value("streams").toArray()) {
        const QJsonObject object = value.toObject();
        ProbedStream stream;
        stream.type = object.value("codec_type").toString();
        stream.codec = object.value("codec_name").toString();
        stream.profile = object.value("profile").toString();
        stream.pixelFormat = object.value("pix_fmt").toString();
        stream.channels = object.value("channels").toInt();
        stream.width = object.value("width").toInt();
        stream.height = object.value("height").toInt();
        stream.frameRate = fraction(object.value("avg_frame_rate").toString());
        if (stream.frameRate == 0) {
            stream.frameRate = fraction(object.value("r_frame_rate").toString());
        }
        stream.duration = numberOr(object.value("duration"), -1);
        stream.frames = static_cast<qint64>(numberOr(object.value("nb_read_frames"), -1));
        stream.startTime = numberOr(object.value("start_time"), 0);
        for (const QJsonValue& side : object.value("side_data_list").toArray()) {
            stream.rotation = side.toObject().value("rotation").toInt(stream.rotation);
        }
        stream.language = object.value("tags").toObject().value("language").toString();
        result.streams.append(stream);
    }
    return result;
}

double meanBrightnessIn(const QString& path, double seconds, const QRect& area) {
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-ss", QString::number(seconds), "-i", path, "-frames:v",
                            "1", "-f", "rawvideo", "-pix_fmt", "gray", "-"});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) {
        ADD_FAILURE() << "ffmpeg could not decode a frame of " << path.toStdString();
        return -1;
    }
    const QByteArray pixels = ffmpeg.readAllStandardOutput();
    const ProbedFile probed = probeFile(path);
    const ProbedStream* video = probed.stream("video");
    if (!video || video->width <= area.right() ||
        pixels.size() < qsizetype(video->width) * (area.bottom() + 1)) {
        ADD_FAILURE() << "No picture of the expected size in " << path.toStdString();
        return -1;
    }
    double sum = 0;
    for (int row = area.top(); row <= area.bottom(); ++row) {
        for (int column = area.left(); column <= area.right(); ++column) {
            sum += static_cast<unsigned char>(pixels[qsizetype(row) * video->width + column]);
        }
    }
    return sum / (double(area.width()) * area.height());
}

double progressiveShare(const QString& path) {
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg",
                 {"-v", "info", "-nostats", "-i", path, "-vf", "idet", "-an", "-f", "null", "-"});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) {
        return -1;
    }
    static const QRegularExpression counts(
        "Multi frame detection: TFF: *(\\d+) BFF: *(\\d+) Progressive: *(\\d+)");
    const QRegularExpressionMatch found =
        counts.match(QString::fromUtf8(ffmpeg.readAllStandardError()));
    if (!found.hasMatch()) {
        return -1;
    }
    const double interlaced = found.captured(1).toDouble() + found.captured(2).toDouble();
    const double progressive = found.captured(3).toDouble();
    return interlaced + progressive > 0 ? progressive / (interlaced + progressive) : -1;
}

double toneLevel(const QString& path, const QString& channel, int frequency) {
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "info", "-nostats", "-i", path, "-vn", "-af",
                            QString("pan=mono|c0=%1,bandpass=f=%2:width_type=q:w=8,volumedetect")
                                .arg(channel)
                                .arg(frequency),
                            "-f", "null", "-"});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) {
        return -1000;
    }
    static const QRegularExpression mean("mean_volume: (-?[0-9.]+) dB");
    const QRegularExpressionMatch found =
        mean.match(QString::fromUtf8(ffmpeg.readAllStandardError()));
    return found.hasMatch() ? found.captured(1).toDouble() : -1000;
}

double firstWhitePictureAt(const QString& path) {
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-i", path, "-an", "-vf",
                            "signalstats,metadata=print:key=lavfi.signalstats.YAVG:file=-", "-f",
                            "null", "-"});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) {
        return -1;
    }
    static const QRegularExpression shown("pts_time:([0-9.]+)\\s+lavfi.signalstats.YAVG=([0-9.]+)");
    for (const QRegularExpressionMatch& picture :
         shown.globalMatch(QString::fromUtf8(ffmpeg.readAllStandardOutput()))) {
        if (picture.captured(2).toDouble() > 200) {
            return picture.captured(1).toDouble();
        }
    }
    return -1;
}

double firstLoudSoundAt(const QString& path) {
    constexpr int kRate = 48000;
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-i", path, "-vn", "-f", "s16le", "-ac", "1", "-ar",
                            QString::number(kRate), "-"});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) {
        return -1;
    }
    const QByteArray sound = ffmpeg.readAllStandardOutput();
    const auto* samples = reinterpret_cast<const qint16*>(sound.constData());
    for (qsizetype at = 0; at < sound.size() / 2; ++at) {
        if (std::abs(samples[at]) > 8000) {
            return double(at) / kRate;
        }
    }
    return -1;
}

double meanBrightness(const QString& path, double seconds, int firstRow, int lastRow) {
    const ProbedFile probed = probeFile(path);
    const ProbedStream* video = probed.stream("video");
    if (!video) {
        ADD_FAILURE() << "No picture in " << path.toStdString();
        return -1;
    }
    return meanBrightnessIn(path, seconds, QRect(0, firstRow, video->width, lastRow - firstRow));
}
