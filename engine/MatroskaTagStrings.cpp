#include "engine/MatroskaTagStrings.h"

#include <gst/gst.h>

#include <QFile>
#include <algorithm>
#include <optional>

namespace {

constexpr uint32_t kSegment = 0x18538067;
constexpr uint32_t kTags = 0x1254C367;
constexpr uint32_t kTag = 0x7373;
constexpr uint32_t kSimpleTag = 0x67C8;
constexpr uint32_t kTagString = 0x4487;
constexpr uint8_t kVoid = 0xEC;
constexpr int64_t kLargestTags = 16 * 1024 * 1024;

struct ElementHeader {
    uint32_t id = 0;
    int64_t size = 0;      // of the content
    int headerLength = 0;  // id and size field
    int sizeLength = 0;    // the size field alone
};

// Reads an element header from `bytes` (at most 12 bytes looked at); nullopt when it is not one
// or its size is unknown.
std::optional<ElementHeader> parseHeader(const uint8_t* bytes, int64_t available) {
    auto lengthOf = [](uint8_t first) {
        int length = 1;
        for (uint8_t mask = 0x80; mask && !(first & mask); mask >>= 1) {
            ++length;
        }
        return length;
    };
    if (available < 2) {
        return std::nullopt;
    }
    ElementHeader header;
    const int idLength = lengthOf(bytes[0]);
    if (idLength > 4 || idLength >= available) {
        return std::nullopt;
    }
    for (int index = 0; index < idLength; ++index) {
        header.id = (header.id << 8) | bytes[index];
    }
    header.sizeLength = lengthOf(bytes[idLength]);
    if (header.sizeLength > 8 || idLength + header.sizeLength > available) {
        return std::nullopt;
    }
    uint64_t size = bytes[idLength] & (0xFF >> header.sizeLength);
    bool allOnes = size == (0xFFu >> header.sizeLength);
    for (int index = 1; index < header.sizeLength; ++index) {
        size = (size << 8) | bytes[idLength + index];
        allOnes = allOnes && bytes[idLength + index] == 0xFF;
    }
    if (allOnes) {
        return std::nullopt;  // unknown size
    }
    header.size = static_cast<int64_t>(size);
    header.headerLength = idLength + header.sizeLength;
    return header;
}

void writeSize(uint8_t* at, int length, uint64_t size) {
    for (int index = length - 1; index >= 0; --index) {
        at[index] = static_cast<uint8_t>(size & 0xFF);
        size >>= 8;
    }
    at[0] |= static_cast<uint8_t>(0x80 >> (length - 1));
}

// The text GStreamer serialised, or nullopt when `stored` is not such a wrapped string. The
// writer ends its strings with a zero byte, which stays.
std::optional<QByteArray> unwrapped(const QByteArray& stored) {
    const bool terminated = stored.endsWith('\0');
    const QByteArray raw =
        terminated ? stored.left(qsizetype(qstrlen(stored.constData()))) : stored;
    if (raw.size() < 2 || !raw.startsWith('"') || !raw.endsWith('"')) {
        return std::nullopt;
    }
    GValue value = G_VALUE_INIT;
    g_value_init(&value, G_TYPE_STRING);
    std::optional<QByteArray> text;
    if (gst_value_deserialize(&value, raw.constData()) && g_value_get_string(&value)) {
        text = QByteArray(g_value_get_string(&value));
        if (terminated) {
            text->append('\0');
        }
    }
    g_value_unset(&value);
    return text;
}

// Rewrites the tag strings inside the master element content [begin, end) of `tags`; true when
// one changed.
bool fixStrings(QByteArray& tags, int64_t begin, int64_t end) {
    bool changed = false;
    int64_t at = begin;
    auto* bytes = reinterpret_cast<uint8_t*>(tags.data());
    while (at < end) {
        const std::optional<ElementHeader> header = parseHeader(bytes + at, end - at);
        if (!header || header->size > end - at - header->headerLength) {
            return changed;
        }
        const int64_t content = at + header->headerLength;
        if (header->id == kTag || header->id == kSimpleTag) {
            changed = fixStrings(tags, content, content + header->size) || changed;
        } else if (header->id == kTagString) {
            const QByteArray raw = tags.mid(content, header->size);
            const std::optional<QByteArray> text = unwrapped(raw);
            const int64_t freed = text ? header->size - text->size() : 0;
            if (text && freed >= 2 && (freed - 2 <= 126 || freed >= 9)) {
                writeSize(bytes + at + header->headerLength - header->sizeLength,
                          header->sizeLength, static_cast<uint64_t>(text->size()));
                std::copy(text->begin(), text->end(), bytes + content);
                uint8_t* filler = bytes + content + text->size();
                const int sizeLength = freed - 2 <= 126 ? 1 : 8;
                filler[0] = kVoid;
                writeSize(filler + 1, sizeLength, static_cast<uint64_t>(freed - 1 - sizeLength));
                std::fill(filler + 1 + sizeLength, bytes + content + header->size, uint8_t(0));
                changed = true;
            }
        }
        at = content + header->size;
    }
    return changed;
}

}  // namespace

Status fixMatroskaTagStrings(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) {
        return status::kAccessDenied;
    }
    auto headerAt = [&file](int64_t offset) -> std::optional<ElementHeader> {
        if (!file.seek(offset)) {
            return std::nullopt;
        }
        const QByteArray bytes = file.read(12);
        return parseHeader(reinterpret_cast<const uint8_t*>(bytes.constData()), bytes.size());
    };
    // The EBML header, then the segment, whose children are walked by their sizes.
    const std::optional<ElementHeader> ebml = headerAt(0);
    if (!ebml || ebml->id != 0x1A45DFA3) {
        return status::kFalse;
    }
    const int64_t segmentAt = ebml->headerLength + ebml->size;
    const std::optional<ElementHeader> segment = headerAt(segmentAt);
    if (!segment || segment->id != kSegment) {
        return status::kFalse;
    }
    const int64_t segmentEnd =
        std::min<int64_t>(segmentAt + segment->headerLength + segment->size, file.size());
    bool changed = false;
    for (int64_t at = segmentAt + segment->headerLength; at < segmentEnd;) {
        const std::optional<ElementHeader> child = headerAt(at);
        if (!child) {
            break;
        }
        if (child->id == kTags && child->size <= kLargestTags) {
            file.seek(at + child->headerLength);
            QByteArray tags = file.read(child->size);
            if (tags.size() == child->size && fixStrings(tags, 0, tags.size()) &&
                file.seek(at + child->headerLength) && file.write(tags) == tags.size()) {
                changed = true;
            }
        }
        at += child->headerLength + child->size;
    }
    return changed ? status::kOk : status::kFalse;
}
