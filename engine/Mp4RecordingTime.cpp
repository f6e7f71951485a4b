#include "engine/Mp4RecordingTime.h"

#include <QFile>
#include <QtEndian>

namespace {

// Seconds from 1904-01-01, where MP4 times count from, to 1970-01-01.
constexpr int64_t kMp4EpochToUnix = 2082844800;

struct Box {
    int64_t at = 0;       // where its header begins
    int64_t content = 0;  // where its content begins
    int64_t end = 0;
    QByteArray type;
};

class BoxWalker {
  public:
    explicit BoxWalker(QFile& file) : file_(file) {}

    // The boxes directly inside [begin, end).
    std::vector<Box> children(int64_t begin, int64_t end) {
        std::vector<Box> boxes;
        for (int64_t at = begin; at + 8 <= end;) {
            file_.seek(at);
            const QByteArray header = file_.read(16);
            if (header.size() < 8) {
                break;
            }
            int64_t size = qFromBigEndian<quint32>(header.constData());
            int64_t content = at + 8;
            if (size == 1 && header.size() == 16) {
                size = static_cast<int64_t>(qFromBigEndian<quint64>(header.constData() + 8));
                content = at + 16;
            } else if (size == 0) {
                size = end - at;
            }
            if (size < content - at || at + size > end) {
                break;
            }
            boxes.push_back({at, content, at + size, header.mid(4, 4)});
            at += size;
        }
        return boxes;
    }

    // Writes the creation time of a full box whose version decides the field's size (mvhd,
    // tkhd, mdhd all put it first after version and flags).
    bool stamp(const Box& box, uint64_t mp4Seconds) {
        file_.seek(box.content);
        const QByteArray version = file_.read(1);
        if (version.size() != 1) {
            return false;
        }
        QByteArray field(version[0] == 1 ? 8 : 4, '\0');
        if (field.size() == 8) {
            qToBigEndian<quint64>(mp4Seconds, field.data());
        } else {
            qToBigEndian<quint32>(static_cast<quint32>(mp4Seconds), field.data());
        }
        return box.content + 4 + field.size() <= box.end && file_.seek(box.content + 4) &&
               file_.write(field) == field.size();
    }

  private:
    QFile& file_;
};

const Box* find(const std::vector<Box>& boxes, const char* type) {
    for (const Box& box : boxes) {
        if (box.type == type) {
            return &box;
        }
    }
    return nullptr;
}

}  // namespace

Status setMp4CreationTime(const QString& path, int64_t unixSeconds) {
    QFile file(path);
    if (unixSeconds + kMp4EpochToUnix < 0 || !file.open(QIODevice::ReadWrite)) {
        return status::kFalse;
    }
    const auto mp4Seconds = static_cast<uint64_t>(unixSeconds + kMp4EpochToUnix);
    BoxWalker walker(file);
    const std::vector<Box> top = walker.children(0, file.size());
    const Box* moov = find(top, "moov");
    if (!moov) {
        return status::kFalse;
    }
    const std::vector<Box> inMovie = walker.children(moov->content, moov->end);
    const Box* header = find(inMovie, "mvhd");
    if (!header || !walker.stamp(*header, mp4Seconds)) {
        return status::kFalse;
    }
    for (const Box& track : inMovie) {
        if (track.type != "trak") {
            continue;
        }
        const std::vector<Box> inTrack = walker.children(track.content, track.end);
        if (const Box* trackHeader = find(inTrack, "tkhd")) {
            walker.stamp(*trackHeader, mp4Seconds);
        }
        if (const Box* media = find(inTrack, "mdia")) {
            const std::vector<Box> inMedia = walker.children(media->content, media->end);
            if (const Box* mediaHeader = find(inMedia, "mdhd")) {
                walker.stamp(*mediaHeader, mp4Seconds);
            }
        }
    }
    return status::kOk;
}
