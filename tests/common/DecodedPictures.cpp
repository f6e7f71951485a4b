#include "tests/common/DecodedPictures.h"

#include <QProcess>
#include <algorithm>
#include <cmath>

DecodedPictures decodePictures(const QString& path, int width, int height,
                               const QStringList& inputOptions, const QString& rate) {
    const QString scale = QString("scale=%1:%2").arg(width).arg(height);
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg",
                 QStringList{"-v", "error"} + inputOptions +
                     QStringList{"-i", path, "-map", "0:v:0", "-fps_mode", "passthrough", "-vf",
                                 rate.isEmpty() ? scale : "fps=" + rate + ',' + scale, "-pix_fmt",
                                 "yuv420p", "-f", "rawvideo", "-"});
    DecodedPictures decoded;
    if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0) {
        return decoded;
    }
    const QByteArray all = ffmpeg.readAllStandardOutput();
    const qsizetype size =
        qsizetype(width) * height + 2 * qsizetype((width + 1) / 2) * ((height + 1) / 2);
    for (qsizetype offset = 0; offset + size <= all.size(); offset += size) {
        decoded.pictures.push_back(all.mid(offset, size));
    }
    decoded.readable = true;
    return decoded;
}

double pictureSnr(const QByteArray& picture, const QByteArray& reference) {
    if (picture.size() != reference.size() || picture.isEmpty()) {
        return 0;
    }
    double squares = 0;
    for (qsizetype index = 0; index < picture.size(); ++index) {
        const double difference = double(uint8_t(picture[index])) - uint8_t(reference[index]);
        squares += difference * difference;
    }
    return squares == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * double(picture.size()) / squares);
}

std::string PictureFidelity::describe() const {
    return std::to_string(written) + " pictures written of " + std::to_string(source) +
           ", lowest " + std::to_string(lowestSnr) + " dB at picture " + std::to_string(lowestAt);
}

PictureFidelity compareWithSource(const QString& written, const QString& source, int width,
                                  int height, int skipped) {
    const DecodedPictures out = decodePictures(written, width, height);
    const DecodedPictures in = decodePictures(source, width, height);
    PictureFidelity fidelity;
    fidelity.written = int(out.pictures.size());
    fidelity.source = std::max(0, int(in.pictures.size()) - skipped);
    const int compared = std::min(fidelity.written, fidelity.source);
    for (int index = 0; index < compared; ++index) {
        const double snr =
            pictureSnr(out.pictures[size_t(index)], in.pictures[size_t(index + skipped)]);
        if (snr < fidelity.lowestSnr) {
            fidelity.lowestSnr = snr;
            fidelity.lowestAt = index;
        }
    }
    if (compared == 0) {
        fidelity.lowestSnr = 0;
    }
    return fidelity;
}
