#include <gtest/gtest.h>

#include <vector>

#include "player/SeekCatchUp.h"

namespace {

// Unit headers: forbidden bit, two bits of reference level, five bits of type.
constexpr uint8_t kUnreferencedSlice = 0x01;  // level 0, type 1
constexpr uint8_t kReferencedSlice = 0x41;    // level 2, type 1
constexpr uint8_t kKeySlice = 0x65;           // level 3, type 5
constexpr uint8_t kSei = 0x06;                // level 0, type 6: no picture

std::vector<uint8_t> withLengths(std::initializer_list<uint8_t> headers) {
    std::vector<uint8_t> unit;
    for (uint8_t header : headers) {
        unit.insert(unit.end(), {0, 0, 0, 3, header, 0x88, 0x84});
    }
    return unit;
}

std::vector<uint8_t> withStartCodes(std::initializer_list<uint8_t> headers) {
    std::vector<uint8_t> unit;
    for (uint8_t header : headers) {
        unit.insert(unit.end(), {0, 0, 0, 1, header, 0x88, 0x84});
    }
    return unit;
}

TEST(SeekCatchUp, OnlyPicturesNobodyRefersToMayBeLeftOut) {
    for (auto make : {withLengths, withStartCodes}) {
        const int lengthSize = make == withLengths ? 4 : 0;
        auto check = [&](std::initializer_list<uint8_t> headers) {
            const std::vector<uint8_t> unit = make(headers);
            return isUnreferencedH264Picture(unit.data(), unit.size(), lengthSize);
        };
        EXPECT_TRUE(check({kSei, kUnreferencedSlice, kUnreferencedSlice}));
        EXPECT_FALSE(check({kUnreferencedSlice, kReferencedSlice}));
        EXPECT_FALSE(check({kKeySlice}));
        EXPECT_FALSE(check({kSei}));
    }
    // A length running past the end: not taken apart, not left out.
    std::vector<uint8_t> broken = withLengths({kUnreferencedSlice});
    broken[3] = 40;
    EXPECT_FALSE(isUnreferencedH264Picture(broken.data(), broken.size(), 4));
}

}  // namespace
