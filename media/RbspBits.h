#pragma once

#include <QByteArray>
#include <cstdint>

// The payload of an H.264 or H.265 NAL unit without its emulation prevention bytes, and back.
QByteArray withoutEmulationPrevention(const char* data, int size);
QByteArray withEmulationPrevention(const QByteArray& payload);

// Reads the bits of a payload, most significant first, as the codecs' syntax counts them.
class RbspReader {
  public:
    explicit RbspReader(const QByteArray& payload) : payload_(payload) {}
    uint32_t bits(int count);
    uint32_t unsignedGolomb();
    int32_t signedGolomb();
    // Moves on by `count` bits without reading them.
    void skip(int count);
    int position() const { return position_; }
    // Whether a read went past the end.
    bool overrun() const { return overrun_; }

  private:
    const QByteArray& payload_;
    int position_ = 0;
    bool overrun_ = false;
};

// Writes bits as RbspReader reads them.
class RbspWriter {
  public:
    void bits(uint64_t value, int count);
    void unsignedGolomb(uint32_t value);
    void signedGolomb(int32_t value);
    // Bits [from, to) of `payload`.
    void copy(const QByteArray& payload, int from, int to);
    int position() const { return position_; }
    const QByteArray& payload() const { return payload_; }

  private:
    QByteArray payload_;
    int position_ = 0;
};

// The bit count of a value in the codecs' Exp-Golomb codes.
int unsignedGolombLength(uint32_t value);
int signedGolombLength(int32_t value);

// The position just after the last set bit of a payload (the stop bit that ends it); 0 if none.
int endOfPayloadBits(const QByteArray& payload);
