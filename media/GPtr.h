#pragma once

#include <gst/gst.h>

#include <memory>

// Owning pointers for GLib and GStreamer references: every reference the program takes is
// released by the destructor of one of these.

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct GstMiniObjectUnref {
    void operator()(gpointer object) const {
        gst_mini_object_unref(static_cast<GstMiniObject*>(object));
    }
};
struct GErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
struct GFree {
    void operator()(gpointer memory) const { g_free(memory); }
};
struct GstStructureFree {
    void operator()(GstStructure* structure) const { gst_structure_free(structure); }
};

template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;
template <typename T>
using GstMiniPtr = std::unique_ptr<T, GstMiniObjectUnref>;
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;
using GCharPtr = std::unique_ptr<gchar, GFree>;
using GstStructurePtr = std::unique_ptr<GstStructure, GstStructureFree>;
using GstCapsPtr = GstMiniPtr<GstCaps>;
using GstMessagePtr = GstMiniPtr<GstMessage>;
using GstTagListPtr = GstMiniPtr<GstTagList>;

// Takes a new full reference (sinking a floating one) and hands it to an owning pointer.
template <typename T>
GObjectPtr<T> refSink(T* object) {
    return GObjectPtr<T>(object ? static_cast<T*>(gst_object_ref_sink(object)) : nullptr);
}

// Takes an additional reference to an object owned elsewhere.
template <typename T>
GObjectPtr<T> addRef(T* object) {
    return GObjectPtr<T>(object ? static_cast<T*>(g_object_ref(object)) : nullptr);
}
