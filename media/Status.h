#pragma once

#include <QString>
#include <cstdint>

// Results of media operations: 0 or positive means success, negative means failure. The values
// follow the well-known 32-bit result codes so that a code shown to the user can be looked up.
using Status = int32_t;

namespace status {

constexpr Status fromBits(uint32_t bits) {
    return static_cast<Status>(bits);
}

constexpr Status kOk = 0;
constexpr Status kFalse = 1;
constexpr Status kFail = fromBits(0x80004005);
constexpr Status kNotImplemented = fromBits(0x80004001);
constexpr Status kNoInterface = fromBits(0x80004002);
constexpr Status kPointer = fromBits(0x80004003);
constexpr Status kAbort = fromBits(0x80004004);
constexpr Status kUnexpected = fromBits(0x8000FFFF);
constexpr Status kOutOfMemory = fromBits(0x8007000E);
constexpr Status kInvalidArgument = fromBits(0x80070057);
constexpr Status kFileNotFound = fromBits(0x80070002);
constexpr Status kPathNotFound = fromBits(0x80070003);
constexpr Status kAccessDenied = fromBits(0x80070005);
constexpr Status kDiskFull = fromBits(0x80070070);
constexpr Status kFilenameTooLong = fromBits(0x800700CE);
constexpr Status kTimeout = fromBits(0x800705B4);
constexpr Status kNotFound = fromBits(0x80070490);
// Media codes.
constexpr Status kInvalidMediaType = fromBits(0x80040200);
constexpr Status kCannotConnect = fromBits(0x80040217);
constexpr Status kCannotRender = fromBits(0x80040218);
constexpr Status kUnknownFileType = fromBits(0x80040240);
constexpr Status kUnsupportedStream = fromBits(0x80040265);
constexpr Status kNoDecoder = fromBits(0x80040266);  // an element or codec is not installed
constexpr Status kWrongState = fromBits(0x80040227);
constexpr Status kStreamError = fromBits(0x8004020E);
constexpr Status kTimeNotSet = fromBits(0x80040209);

}  // namespace status

constexpr bool succeeded(Status code) {
    return code >= 0;
}
constexpr bool failed(Status code) {
    return code < 0;
}

// The framework's own text for a code, at most 160 characters.
QString statusText(Status code);

// "0x80004005" for a code, as failure reports show it.
QString statusHex(Status code);
