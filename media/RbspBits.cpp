#include "media/RbspBits.h"

QByteArray withoutEmulationPrevention(const char* data, int size) {
    QByteArray payload;
    payload.reserve(size);
    int zeros = 0;
    for (int i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        if (zeros >= 2 && byte == 3) {
            zeros = 0;
            continue;
        }
        zeros = byte == 0 ? zeros + 1 : 0;
        payload.append(char(byte));
    }
    return payload;
}

QByteArray withEmulationPrevention(const QByteArray& payload) {
    QByteArray escaped;
    escaped.reserve(payload.size() + payload.size() / 64 + 1);
    int zeros = 0;
    for (const char c : payload) {
        const auto byte = static_cast<unsigned char>(c);
        if (zeros >= 2 && byte <= 3) {
            escaped.append(char(3));
            zeros = 0;
        }
        zeros = byte == 0 ? zeros + 1 : 0;
        escaped.append(c);
    }
    if (zeros >= 2) {
        escaped.append(char(3));  // a payload ending on a zero word (cabac_zero_word)
    }
    return escaped;
}

uint32_t RbspReader::bits(int count) {
    uint32_t value = 0;
    for (int i = 0; i < count; ++i, ++position_) {
        const int byte = position_ / 8;
        if (byte >= payload_.size()) {
            overrun_ = true;
            return 0;
        }
        value = (value << 1) |
                ((static_cast<unsigned char>(payload_[byte]) >> (7 - position_ % 8)) & 1);
    }
    return value;
}

uint32_t RbspReader::unsignedGolomb() {
    int zeros = 0;
    while (bits(1) == 0) {
        if (overrun_ || ++zeros > 31) {
            overrun_ = true;
            return 0;
        }
    }
    return zeros == 0 ? 0 : ((1u << zeros) - 1) + bits(zeros);
}

void RbspReader::skip(int count) {
    position_ += count;
    if (position_ > int(payload_.size()) * 8) {
        overrun_ = true;
    }
}

int32_t RbspReader::signedGolomb() {
    const uint32_t code = unsignedGolomb();
    return code % 2 ? int32_t((code + 1) / 2) : -int32_t(code / 2);
}

void RbspWriter::bits(uint64_t value, int count) {
    for (int i = count - 1; i >= 0; --i, ++position_) {
        if (position_ % 8 == 0) {
            payload_.append(char(0));
        }
        if ((value >> i) & 1) {
            payload_[position_ / 8] = char(payload_[position_ / 8] | (0x80 >> (position_ % 8)));
        }
    }
}

void RbspWriter::unsignedGolomb(uint32_t value) {
    const int length = unsignedGolombLength(value);
    bits(uint64_t(value) + 1, length);  // the leading zeros are the bits above value + 1
}

void RbspWriter::signedGolomb(int32_t value) {
    unsignedGolomb(value > 0 ? uint32_t(value) * 2 - 1 : uint32_t(-int64_t(value)) * 2);
}

void RbspWriter::copy(const QByteArray& payload, int from, int to) {
    if (from % 8 == 0 && position_ % 8 == 0) {
        const int whole = (to - from) / 8;
        payload_.append(payload.mid(from / 8, whole));
        position_ += whole * 8;
        from += whole * 8;
    }
    for (int at = from; at < to; ++at) {
        bits((static_cast<unsigned char>(payload[at / 8]) >> (7 - at % 8)) & 1, 1);
    }
}

int unsignedGolombLength(uint32_t value) {
    int significant = 0;
    for (uint64_t v = uint64_t(value) + 1; v > 1; v >>= 1) {
        ++significant;
    }
    return 2 * significant + 1;
}

int signedGolombLength(int32_t value) {
    return unsignedGolombLength(value > 0 ? uint32_t(value) * 2 - 1
                                          : uint32_t(-int64_t(value)) * 2);
}

int endOfPayloadBits(const QByteArray& payload) {
    for (int byte = int(payload.size()) - 1; byte >= 0; --byte) {
        const auto value = static_cast<unsigned char>(payload[byte]);
        if (value != 0) {
            int bit = 0;
            while (!((value >> bit) & 1)) {
                ++bit;
            }
            return byte * 8 + (8 - bit);
        }
    }
    return 0;
}
