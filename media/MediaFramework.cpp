#include "media/MediaFramework.h"

#include <ges/ges.h>
#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>

#include <mutex>

#include "media/AlphaFlattener.h"
#include "media/DepthReducer.h"
#include "media/GPtr.h"

namespace {

// Decoders automatic plugging must never choose. Debian 12's libde265 element offers only 8-bit
// pictures, so 10-bit H.265 comes out as garbage, and damaged streams crash it inside libde265;
// libav's H.265 decoder reads them all.
constexpr const char* kUnsafeDecoders[] = {"libde265dec"};

void withdrawUnsafeDecoders() {
    for (const char* name : kUnsafeDecoders) {
        GObjectPtr<GstPluginFeature> feature(gst_registry_lookup_feature(gst_registry_get(), name));
        if (feature) {
            gst_plugin_feature_set_rank(feature.get(), GST_RANK_NONE);
        }
    }
}

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
    withdrawUnsafeDecoders();
    registerDepthReducer();
    registerAlphaFlattener();
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
