#include "engine/AsfPacketLengths.h"

#include <QFile>
#include <array>
#include <cstring>

namespace {

using Guid = std::array<uint8_t, 16>;

// Object identifiers as stored in the file (little-endian fields first).
constexpr Guid kHeaderObject = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr Guid kFilePropertiesObject = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                        0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr Guid kDataObject = {0x36, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                              0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

constexpr qint64 kObjectHeaderSize = 24;     // identifier and size
constexpr qint64 kHeaderObjectFields = 30;   // plus count and two reserved bytes
constexpr qint64 kMinPacketSizeOffset = 92;  // in the file properties object
constexpr qint64 kDataObjectFields = 50;     // up to the first packet
constexpr qint64 kPacketCountOffset = 40;    // in the data object

uint64_t readLittle(const char* bytes, int size) {
    uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<uint8_t>(bytes[i]);
    }
    return value;
}

void writeLittle(char* bytes, int size, uint64_t value) {
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(value & 0xFF);
        value >>= 8;
    }
}

bool isObject(const QByteArray& bytes, qint64 at, const Guid& guid) {
    return at + kObjectHeaderSize <= bytes.size() &&
           std::memcmp(bytes.constData() + at, guid.data(), guid.size()) == 0;
}

// Bytes of a field whose size a two-bit length type gives: none, byte, word or double word.
int fieldSize(unsigned lengthType) {
    static constexpr int kSizes[] = {0, 1, 2, 4};
    return kSizes[lengthType & 3];
}

// Repairs one packet; true when it changed.
bool fixPacket(char* packet, uint32_t packetSize) {
    int at = 0;
    if (static_cast<uint8_t>(packet[0]) & 0x80) {  // error correction data comes first
        at = 1 + (static_cast<uint8_t>(packet[0]) & 0x0F);
    }
    const auto flags = static_cast<uint8_t>(packet[at]);
    at += 2;  // length type flags and property flags
    const int lengthSize = fieldSize(flags >> 5);
    const int sequenceSize = fieldSize(flags >> 1);
    const int paddingSize = fieldSize(flags >> 3);
    if (lengthSize == 0 || paddingSize == 0 ||
        at + lengthSize + sequenceSize + paddingSize > int(packetSize)) {
        return false;
    }
    char* lengthField = packet + at;
    const uint64_t length = readLittle(lengthField, lengthSize);
    const uint64_t padding = readLittle(lengthField + lengthSize + sequenceSize, paddingSize);
    if (length >= packetSize || length + padding != packetSize ||
        (lengthSize < 4 && packetSize >= (1u << (8 * lengthSize)))) {
        return false;
    }
    writeLittle(lengthField, lengthSize, packetSize);
    return true;
}

}  // namespace

Status fixAsfPacketLengths(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) {
        return status::kAccessDenied;
    }
    const QByteArray start = file.read(kObjectHeaderSize);
    if (!isObject(start, 0, kHeaderObject)) {
        return status::kFalse;
    }
    const auto headerSize = static_cast<qint64>(readLittle(start.constData() + 16, 8));
    constexpr qint64 kLongestHeader = 16 * 1024 * 1024;
    if (headerSize <= kHeaderObjectFields || headerSize > kLongestHeader || !file.seek(0)) {
        return status::kFalse;
    }
    const QByteArray header = file.read(headerSize + kDataObjectFields);
    if (header.size() != headerSize + kDataObjectFields ||
        !isObject(header, headerSize, kDataObject)) {
        return status::kFalse;
    }
    uint32_t packetSize = 0;
    for (qint64 at = kHeaderObjectFields; at + kObjectHeaderSize <= headerSize;) {
        const auto size = static_cast<qint64>(readLittle(header.constData() + at + 16, 8));
        if (size < kObjectHeaderSize || at + size > headerSize) {
            return status::kFalse;
        }
        if (isObject(header, at, kFilePropertiesObject) && size >= kMinPacketSizeOffset + 8) {
            const char* sizes = header.constData() + at + kMinPacketSizeOffset;
            if (readLittle(sizes, 4) == readLittle(sizes + 4, 4)) {
                packetSize = static_cast<uint32_t>(readLittle(sizes, 4));
            }
        }
        at += size;
    }
    const auto packets =
        static_cast<qint64>(readLittle(header.constData() + headerSize + kPacketCountOffset, 8));
    if (packetSize == 0 || packets <= 0) {
        return status::kFalse;
    }
    const qint64 last = headerSize + kDataObjectFields + (packets - 1) * packetSize;
    if (!file.seek(last)) {
        return status::kFalse;
    }
    QByteArray packet = file.read(packetSize);
    if (packet.size() != qint64(packetSize) || !fixPacket(packet.data(), packetSize)) {
        return status::kFalse;
    }
    if (!file.seek(last) || file.write(packet) != packet.size() || !file.flush()) {
        return status::kDiskFull;
    }
    return status::kOk;
}
