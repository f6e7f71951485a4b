#include "media/MediaFramework.h"

#include <ges/ges.h>
#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>

#include <mutex>

#include "media/DepthReducer.h"
#include "media/GPtr.h"
#include "media/SharedPictureDecoder.h"

namespace {

struct StartResult {
    Status code = status::kOk;
    QString error;
};

StartResult start() {
    StartResult result;
    GError* rawError = nullptr;
    if (!gst_init_check(nullptr, nullptr, &rawError)) {
        GErrorPtr error(rawError);
        result.code = status::kFail;
        result.error =
            error ? QString::fromUtf8(error->message) : QStringLiteral("gst_init failed");
        return result;
    }
    gst_pb_utils_init();
    registerDepthReducer();
    registerSharedPictureDecoder();
    return result;
}

StartResult startEditingServices() {
    StartResult result;
    QString error;
    result.code = initMediaFramework(&error);
    if (failed(result.code)) {
        result.error = error;
    } else if (!ges_init()) {
        result.code = status::kFail;
        result.error = QStringLiteral("GStreamer Editing Services could not start");
    }
    return result;
}

}  // namespace

Status initMediaFramework(QString* errorText) {
    static std::once_flag once;
    static StartResult result;
    std::call_once(once, [] { result = start(); });
    if (errorText) {
        *errorText = result.error;
    }
    return result.code;
}

Status initEditingServices(QString* errorText) {
    static std::once_flag once;
    static StartResult result;
    std::call_once(once, [] { result = startEditingServices(); });
    if (errorText) {
        *errorText = result.error;
    }
    return result.code;
}
