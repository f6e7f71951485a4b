#include "engine/Mp4Boxes.h"

#include <QtEndian>
#include <algorithm>

std::vector<Mp4Box> Mp4BoxWalker::children(int64_t begin, int64_t end) {
    std::vector<Mp4Box> boxes;
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

QByteArray Mp4BoxWalker::read(const Mp4Box& box, int64_t offset, int64_t size) {
    if (offset < 0 || box.content + offset >= box.end || !file_.seek(box.content + offset)) {
        return {};
    }
    return file_.read(std::min(size, box.end - box.content - offset));
}

bool Mp4BoxWalker::write(const Mp4Box& box, int64_t offset, const QByteArray& bytes) {
    return offset >= 0 && box.content + offset + bytes.size() <= box.end &&
           file_.seek(box.content + offset) && file_.write(bytes) == bytes.size();
}

const Mp4Box* findMp4Box(const std::vector<Mp4Box>& boxes, const char* type) {
    for (const Mp4Box& box : boxes) {
        if (box.type == type) {
            return &box;
        }
    }
    return nullptr;
}
