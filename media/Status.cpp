#include "media/Status.h"

#include <array>
#include <utility>

namespace {

struct KnownStatus {
    Status code;
    const char* text;
};

constexpr std::array kKnown = {
    KnownStatus{status::kOk, "The operation completed successfully."},
    KnownStatus{status::kFalse, "The operation completed, but not everything was done."},
    KnownStatus{status::kFail, "Unspecified error."},
    KnownStatus{status::kNotImplemented, "Not implemented."},
    KnownStatus{status::kNoInterface, "No such interface supported."},
    KnownStatus{status::kPointer, "Invalid pointer."},
    KnownStatus{status::kAbort, "Operation aborted."},
    KnownStatus{status::kUnexpected, "Catastrophic failure."},
    KnownStatus{status::kOutOfMemory, "Not enough memory resources are available."},
    KnownStatus{status::kInvalidArgument, "The parameter is incorrect."},
    KnownStatus{status::kFileNotFound, "The system cannot find the file specified."},
    KnownStatus{status::kPathNotFound, "The system cannot find the path specified."},
    KnownStatus{status::kAccessDenied, "Access is denied."},
    KnownStatus{status::kDiskFull, "There is not enough space on the disk."},
    KnownStatus{status::kFilenameTooLong, "The file name or extension is too long."},
    KnownStatus{status::kTimeout, "This operation returned because the timeout period expired."},
    KnownStatus{status::kNotFound, "Element not found."},
    KnownStatus{status::kInvalidMediaType, "The specified media type is invalid."},
    KnownStatus{status::kCannotConnect,
                "No combination of intermediate filters could be found "
                "to make the connection."},
    KnownStatus{status::kCannotRender,
                "No combination of filters could be found to render the "
                "stream."},
    KnownStatus{status::kUnknownFileType, "The media type of this file is not recognized."},
    KnownStatus{status::kUnsupportedStream,
                "Cannot play back the file: the format is not "
                "supported."},
    KnownStatus{status::kNoDecoder,
                "A codec or element needed for this stream is not "
                "installed."},
    KnownStatus{status::kWrongState,
                "The operation could not be performed because the filter "
                "is in the wrong state."},
    KnownStatus{status::kStreamError, "An error occurred while the stream was being processed."},
    KnownStatus{status::kTimeNotSet, "No time has been set for this object."},
};

constexpr int kMaxTextLength = 160;

}  // namespace

QString statusText(Status code) {
    for (const KnownStatus& known : kKnown) {
        if (known.code == code) {
            return QString::fromLatin1(known.text).left(kMaxTextLength);
        }
    }
    const QString text = failed(code) ? QStringLiteral("Unknown error %1.").arg(statusHex(code))
                                      : QStringLiteral("Success code %1.").arg(statusHex(code));
    return text.left(kMaxTextLength);
}

QString statusHex(Status code) {
    return QStringLiteral("0x%1").arg(static_cast<uint32_t>(code), 0, 16);
}
