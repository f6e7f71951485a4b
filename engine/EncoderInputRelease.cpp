#include "engine/EncoderInputRelease.h"

#include <gst/video/video.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "output/compressors/EncoderTable.h"

namespace {

bool copiesItsInput(GstElement* encoder) {
    GstElementFactory* factory = gst_element_get_factory(encoder);
    const EncoderRow* row = factory ? encoderRow(GST_OBJECT_NAME(factory)) : nullptr;
    return row && row->copiesItsInput;
}

// The whole pages inside one memory in process memory; the pages it shares with neighbouring
// allocations at either end stay.
void releasePages(GstMemory* memory) {
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

// Times, flags and metas of `from` on a buffer over other memory of the same layout. The plane
// layout (video meta) is a meta of the memory, which a copy of metadata leaves out: it is added
// again.
void takeMetadata(GstBuffer* onto, GstBuffer* from) {
    gst_buffer_copy_into(
        onto, from,
        static_cast<GstBufferCopyFlags>(GST_BUFFER_COPY_FLAGS | GST_BUFFER_COPY_TIMESTAMPS |
                                        GST_BUFFER_COPY_META),
        0, static_cast<gsize>(-1));
    const GstVideoMeta* layout = gst_buffer_get_video_meta(from);
    if (layout && !gst_buffer_get_video_meta(onto)) {
        gsize offsets[GST_VIDEO_MAX_PLANES];
        gint strides[GST_VIDEO_MAX_PLANES];
        std::copy(std::begin(layout->offset), std::end(layout->offset), offsets);
        std::copy(std::begin(layout->stride), std::end(layout->stride), strides);
        gst_buffer_add_video_meta_full(onto, layout->flags, layout->format, layout->width,
                                       layout->height, layout->n_planes, offsets, strides);
    }
}

// The picture in memory of our own, laid out as the original (its video meta still applies).
// Nothing tells whose a picture's memory is: a decoder may push the very frames its library
// predicts the next pictures from, without marking them read-only. So only a copy made here may
// lose its pages, and copying a picture costs far less than encoding it.
GstBuffer* copyIntoOwnMemory(GstBuffer* picture) {
    GstBuffer* copy = gst_buffer_new();
    for (guint index = 0; index < gst_buffer_n_memory(picture); ++index) {
        GstMemory* original = gst_buffer_peek_memory(picture, index);
        GstMapInfo map;
        if (!gst_memory_map(original, &map, GST_MAP_READ)) {
            gst_buffer_unref(copy);
            return nullptr;
        }
        GstAllocationParams params;
        gst_allocation_params_init(&params);
        params.align = 63;  // what video rows and vector code expect
        GstMemory* own = gst_allocator_alloc(nullptr, map.size, &params);
        if (own) {
            GstMapInfo target;
            gst_memory_map(own, &target, GST_MAP_WRITE);
            std::memcpy(target.data, map.data, map.size);
            gst_memory_unmap(own, &target);
            gst_buffer_append_memory(copy, own);
        }
        gst_memory_unmap(original, &map);
        if (!own) {
            gst_buffer_unref(copy);
            return nullptr;
        }
    }
    takeMetadata(copy, picture);
    return copy;
}

// The same picture again, on the copy's memory, with the repetition's own times.
GstBuffer* repeatOnCopy(GstBuffer* repetition, GstBuffer* copy) {
    GstBuffer* repeated = gst_buffer_new();
    for (guint index = 0; index < gst_buffer_n_memory(copy); ++index) {
        gst_buffer_append_memory(repeated, gst_memory_ref(gst_buffer_peek_memory(copy, index)));
    }
    takeMetadata(repeated, repetition);
    return repeated;
}

bool sameMemory(GstBuffer* first, GstBuffer* second) {
    const guint count = gst_buffer_n_memory(first);
    if (count != gst_buffer_n_memory(second)) {
        return false;
    }
    for (guint index = 0; index < count; ++index) {
        if (gst_buffer_peek_memory(first, index) != gst_buffer_peek_memory(second, index)) {
            return false;
        }
    }
    return true;
}

// The picture that came in last (held, so that its memory cannot come back as another picture's)
// and the copy of it the encoder took.
struct LastPicture {
    GstBuffer* original = nullptr;
    GstBuffer* copy = nullptr;
};

void forgetLastPicture(gpointer data) {
    auto* last = static_cast<LastPicture*>(data);
    gst_clear_buffer(&last->original);
    gst_clear_buffer(&last->copy);
    delete last;
}

// Runs on the streaming thread before the encoder takes a picture, so the one before has been
// through the encoder's handling and copied by its library. A picture repeated to keep the frame
// rate comes as another buffer on the same memory, one right after the other: it goes on the
// same copy, whose pages stay until the last repetition has been taken.
GstPadProbeReturn onPicture(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* last = static_cast<LastPicture*>(data);
    GstBuffer* picture = GST_PAD_PROBE_INFO_BUFFER(info);
    GstBuffer* given = nullptr;
    if (last->original && sameMemory(picture, last->original)) {
        given = repeatOnCopy(picture, last->copy);
    } else {
        given = copyIntoOwnMemory(picture);
        if (!given) {
            return GST_PAD_PROBE_OK;  // unreadable: the encoder gets it as it is, and says so
        }
        if (last->copy) {
            for (guint index = 0; index < gst_buffer_n_memory(last->copy); ++index) {
                releasePages(gst_buffer_peek_memory(last->copy, index));
            }
        }
        gst_buffer_replace(&last->original, picture);
        gst_buffer_replace(&last->copy, given);
    }
    gst_buffer_unref(picture);
    GST_PAD_PROBE_INFO_DATA(info) = given;
    return GST_PAD_PROBE_OK;
}

// The encoder asks for as many pictures ahead as it holds (x264 some 45): the pool upstream would
// keep that many in use by turns, every page of them. As it is given copies, the pool needs no
// more than its producer has out at once.
GstPadProbeReturn onAllocationQuery(GstPad*, GstPadProbeInfo* info, gpointer) {
    GstQuery* query = GST_PAD_PROBE_INFO_QUERY(info);
    if (GST_QUERY_TYPE(query) != GST_QUERY_ALLOCATION ||
        !(GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_PULL)) {
        return GST_PAD_PROBE_OK;
    }
    for (guint index = 0; index < gst_query_get_n_allocation_pools(query); ++index) {
        GstBufferPool* pool = nullptr;
        guint size = 0;
        guint least = 0;
        guint most = 0;
        gst_query_parse_nth_allocation_pool(query, index, &pool, &size, &least, &most);
        gst_query_set_nth_allocation_pool(query, index, pool, size, 0, most);
        if (pool) {
            gst_object_unref(pool);
        }
    }
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
        gst_pad_add_probe(input, GST_PAD_PROBE_TYPE_QUERY_DOWNSTREAM, &onAllocationQuery, nullptr,
                          nullptr);
        gst_object_unref(input);
    }
}
