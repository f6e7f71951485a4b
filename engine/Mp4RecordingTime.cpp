#include "engine/Mp4RecordingTime.h"

#include <QFile>
#include <QtEndian>

#include "engine/Mp4Boxes.h"

namespace {

// Seconds from 1904-01-01, where MP4 times count from, to 1970-01-01.
constexpr int64_t kMp4EpochToUnix = 2082844800;

// Writes the creation time of a full box whose version decides the field's size (mvhd, tkhd,
// mdhd all put it first after version and flags).
bool stamp(Mp4BoxWalker& walker, const Mp4Box& box, uint64_t mp4Seconds) {
    const QByteArray version = walker.read(box, 0, 1);
    if (version.size() != 1) {
        return false;
    }
    QByteArray field(version[0] == 1 ? 8 : 4, '\0');
    if (field.size() == 8) {
        qToBigEndian<quint64>(mp4Seconds, field.data());
    } else {
        qToBigEndian<quint32>(static_cast<quint32>(mp4Seconds), field.data());
    }
    return walker.write(box, 4, field);
}

}  // namespace

Status setMp4CreationTime(const QString& path, int64_t unixSeconds) {
    QFile file(path);
    if (unixSeconds + kMp4EpochToUnix < 0 || !file.open(QIODevice::ReadWrite)) {
        return status::kFalse;
    }
    const auto mp4Seconds = static_cast<uint64_t>(unixSeconds + kMp4EpochToUnix);
    Mp4BoxWalker walker(file);
    const std::vector<Mp4Box> top = walker.children(0, file.size());
    const Mp4Box* moov = findMp4Box(top, "moov");
    if (!moov) {
        return status::kFalse;
    }
    const std::vector<Mp4Box> inMovie = walker.children(*moov);
    const Mp4Box* header = findMp4Box(inMovie, "mvhd");
    if (!header || !stamp(walker, *header, mp4Seconds)) {
        return status::kFalse;
    }
    for (const Mp4Box& track : inMovie) {
        if (track.type != "trak") {
            continue;
        }
        const std::vector<Mp4Box> inTrack = walker.children(track);
        if (const Mp4Box* trackHeader = findMp4Box(inTrack, "tkhd")) {
            stamp(walker, *trackHeader, mp4Seconds);
        }
        if (const Mp4Box* media = findMp4Box(inTrack, "mdia")) {
            const std::vector<Mp4Box> inMedia = walker.children(*media);
            if (const Mp4Box* mediaHeader = findMp4Box(inMedia, "mdhd")) {
                stamp(walker, *mediaHeader, mp4Seconds);
            }
        }
    }
    return status::kOk;
}
