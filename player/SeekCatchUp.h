#pragma once

#include <gst/gst.h>

#include <cstddef>
#include <cstdint>

// An accurate seek decodes from the key frame before the target up to the target. Pictures that
// no other picture refers to and that end before the target are never shown and change nothing
// for the pictures after them, so they need not be decoded at all. This is done for H.264, where
// such pictures (often a third of all) are marked in the stream.

// Watches a video decoder's input and drops those pictures while it catches up after a seek.
void speedUpSeekCatchUp(GstElement* decoder);

// Whether one H.264 access unit holds only pictures no other picture refers to. lengthSize is
// the size of the length before each unit in the "avc" form (1, 2 or 4), or 0 for the start-code
// ("byte-stream") form.
bool isUnreferencedH264Picture(const uint8_t* data, size_t size, int lengthSize);
