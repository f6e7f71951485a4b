#include <gtest/gtest.h>

#include "media/Status.h"

namespace {

TEST(Status, TextsAreShortAndCodesShowInHex) {
    for (Status code : {status::kOk, status::kFail, status::kCannotConnect, status::kNoDecoder,
                        status::fromBits(0x8123ABCD), status::fromBits(0x7fffffff)}) {
        EXPECT_FALSE(statusText(code).isEmpty());
        EXPECT_LE(statusText(code).size(), 160);
    }
    EXPECT_EQ(statusHex(status::kFail), "0x80004005");
    EXPECT_TRUE(statusText(status::fromBits(0x8123ABCD)).contains("0x8123abcd"));
    EXPECT_TRUE(failed(status::kFail));
    EXPECT_TRUE(succeeded(status::kFalse));
}

}  // namespace
