#include "engine/EncoderInputRelease.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

namespace {

// Encoders whose library copies each picture while it takes it and that never read the buffer
// afterwards.
constexpr const char* kCopyingEncoders[] = {"x264enc", "x265enc", "vp8enc", "vp9enc", "av1enc"};

bool copiesItsInput(GstElement* encoder) {
    GstElementFactory* factory = gst_element_get_factory(encoder);
    if (!factory) {
        return false;
    }
    for (const char* name : kCopyingEncoders) {
        if (std::strcmp(GST_OBJECT_NAME(factory), name) == 0) {
            return true;
        }
    }
    return false;
}

// The whole pages inside one memory in process memory; the pages it shares with neighbouring
// allocations at either end stay.
void releasePages(GstMemory* memory) {
    if (!gst_memory_is_type(memory, GST_ALLOCATOR_SYSMEM) || GST_MEMORY_IS_READONLY(memory)) {
        return;
    }
    GstMapInfo map;
    if (!gst_memory_map(memory, &map, GST_MAP_READ)) {
        return;
    }
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<uintptr_t>(map.data);
    const uintptr_t first = (start + page - 1) / page * page;
    const uintptr_t end = (start + map.size) / page * page;
    if (end > first) {
        madvise(reinterpret_cast<void*>(first), end - first, MADV_DONTNEED);
    }
    gst_memory_unmap(memory, &map);
}

// The picture the encoder took last; it holds a reference, so that nobody writes the buffer
// again before its pages are released.
struct LastPicture {
    GstBuffer* buffer = nullptr;
};

void forgetLastPicture(gpointer data) {
    auto* last = static_cast<LastPicture*>(data);
    gst_clear_buffer(&last->buffer);
    delete last;
}

// Read-only memory belongs to someone who may read it again: a decoder's reference picture.
bool ownedElsewhere(GstBuffer* buffer) {
    for (guint index = 0; index < gst_buffer_n_memory(buffer); ++index) {
        if (GST_MEMORY_IS_READONLY(gst_buffer_peek_memory(buffer, index))) {
            return true;
        }
    }
    return false;
}

bool holdsMemory(GstBuffer* buffer, GstMemory* memory) {
    for (guint index = 0; index < gst_buffer_n_memory(buffer); ++index) {
        if (gst_buffer_peek_memory(buffer, index) == memory) {
            return true;
        }
    }
    return false;
}

// Runs on the streaming thread before the encoder takes a picture, so the one before has been
// through the encoder's handling and copied. A picture repeated to keep the frame rate comes as
// another buffer on the same memory, one right after the other: its pages stay until the last
// repetition has been taken.
GstPadProbeReturn onPicture(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* last = static_cast<LastPicture*>(data);
    GstBuffer* picture = GST_PAD_PROBE_INFO_BUFFER(info);
    if (ownedElsewhere(picture)) {
        // Its owner could not reuse it while the encoder keeps it; the encoder gets a copy whose
        // pages can go.
        GstBuffer* copy = gst_buffer_copy_deep(picture);
        gst_buffer_unref(picture);
        GST_PAD_PROBE_INFO_DATA(info) = copy;
        picture = copy;
    }
    if (last->buffer) {
        for (guint index = 0; index < gst_buffer_n_memory(last->buffer); ++index) {
            GstMemory* memory = gst_buffer_peek_memory(last->buffer, index);
            if (!holdsMemory(picture, memory)) {
                releasePages(memory);
            }
        }
    }
    gst_buffer_replace(&last->buffer, picture);
    return GST_PAD_PROBE_OK;
}

}  // namespace

void releaseEncodedInput(GstElement* encoder) {
    if (!copiesItsInput(encoder)) {
        return;
    }
    GstPad* input = gst_element_get_static_pad(encoder, "sink");
    if (input) {
        gst_pad_add_probe(input, GST_PAD_PROBE_TYPE_BUFFER, &onPicture, new LastPicture,
                          &forgetLastPicture);
        gst_object_unref(input);
    }
}
