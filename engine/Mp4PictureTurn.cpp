#include "engine/Mp4PictureTurn.h"

#include <QFile>
#include <QtEndian>
#include <array>

#include "engine/Mp4Boxes.h"

namespace {

constexpr qint32 kOne = 1 << 16;         // 16.16 fixed point
constexpr qint32 kProjection = 1 << 30;  // 2.30 fixed point

// The track header's matrix follows its times, id and duration (longer in version 1), two
// reserved words, layer, group, volume and a reserved half word.
constexpr int64_t kMatrixInVersion0 = 4 + 20 + 16;
constexpr int64_t kMatrixInVersion1 = 4 + 32 + 16;
constexpr int64_t kMatrixBytes = 9 * 4;

// The matrix that shows a picture turned clockwise (players take the turn alone and keep the
// picture in view).
std::array<qint32, 9> turnMatrix(int degrees) {
    switch (degrees) {
        case 90:
            return {0, kOne, 0, -kOne, 0, 0, 0, 0, kProjection};
        case 180:
            return {-kOne, 0, 0, 0, -kOne, 0, 0, 0, kProjection};
        case 270:
            return {0, -kOne, 0, kOne, 0, 0, 0, 0, kProjection};
        default:
            return {kOne, 0, 0, 0, kOne, 0, 0, 0, kProjection};
    }
}

bool isPictureTrack(Mp4BoxWalker& walker, const std::vector<Mp4Box>& inTrack) {
    const Mp4Box* media = findMp4Box(inTrack, "mdia");
    if (!media) {
        return false;
    }
    const std::vector<Mp4Box> inMedia = walker.children(*media);
    const Mp4Box* handler = findMp4Box(inMedia, "hdlr");
    // Version and flags, a predefined word, then the handler's type.
    return handler && walker.read(*handler, 8, 4) == "vide";
}

}  // namespace

int turnOfOrientation(const QString& orientation) {
    for (const int degrees : {90, 180, 270}) {
        if (orientation == QStringLiteral("rotate-%1").arg(degrees)) {
            return degrees;
        }
    }
    return 0;
}

Status setMp4PictureTurn(const QString& path, int degrees) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) {
        return status::kFalse;
    }
    Mp4BoxWalker walker(file);
    const std::vector<Mp4Box> top = walker.children(0, file.size());
    const Mp4Box* moov = findMp4Box(top, "moov");
    if (!moov) {
        return status::kFalse;
    }
    for (const Mp4Box& track : walker.children(*moov)) {
        if (track.type != "trak") {
            continue;
        }
        const std::vector<Mp4Box> inTrack = walker.children(track);
        const Mp4Box* header = findMp4Box(inTrack, "tkhd");
        if (!header || !isPictureTrack(walker, inTrack)) {
            continue;
        }
        const QByteArray version = walker.read(*header, 0, 1);
        const int64_t matrixAt =
            version == QByteArray(1, '\1') ? kMatrixInVersion1 : kMatrixInVersion0;
        if (version.isEmpty()) {
            return status::kFalse;
        }
        const std::array<qint32, 9> matrix = turnMatrix(degrees);
        QByteArray bytes(kMatrixBytes, '\0');
        for (size_t i = 0; i < matrix.size(); ++i) {
            qToBigEndian<qint32>(matrix[i], bytes.data() + 4 * i);
        }
        return walker.write(*header, matrixAt, bytes) ? status::kOk : status::kFalse;
    }
    return status::kFalse;
}
