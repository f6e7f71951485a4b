#pragma once

#include <QByteArray>
#include <QFile>
#include <cstdint>
#include <vector>

// The boxes of a finished MP4 file, read where they lie: for the few header fields GStreamer
// 1.22's MP4 writer leaves wrong, which are mended in place (their size never changes).
struct Mp4Box {
    int64_t at = 0;       // where its header begins
    int64_t content = 0;  // where its content begins
    int64_t end = 0;
    QByteArray type;
};

class Mp4BoxWalker {
  public:
    explicit Mp4BoxWalker(QFile& file) : file_(file) {}

    // The boxes directly inside [begin, end).
    std::vector<Mp4Box> children(int64_t begin, int64_t end);
    std::vector<Mp4Box> children(const Mp4Box& box) { return children(box.content, box.end); }
    // Up to `size` bytes of a box's content from `offset` on.
    QByteArray read(const Mp4Box& box, int64_t offset, int64_t size);
    // Writes `bytes` into a box's content at `offset`; false when they do not fit in it.
    bool write(const Mp4Box& box, int64_t offset, const QByteArray& bytes);

  private:
    QFile& file_;
};

// The first box of a type among `boxes`; nullptr when there is none.
const Mp4Box* findMp4Box(const std::vector<Mp4Box>& boxes, const char* type);
