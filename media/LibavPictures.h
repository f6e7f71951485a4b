#pragma once

#include <gst/video/video.h>

struct AVFrame;

// The GStreamer format whose planes are laid out as libav's pixel format lays them out;
// GST_VIDEO_FORMAT_UNKNOWN when there is none.
GstVideoFormat videoFormatOfPixels(int pixelFormat);

// Takes the range, matrix, transfer, primaries and chroma siting the picture states into `info`;
// what it leaves unstated stays.
void describePictureColours(const AVFrame* picture, GstVideoInfo* info);

// A buffer over the picture's own planes, described by `info`: each plane's memory keeps the
// picture referenced and is read-only, for libav may still decode other pictures from it.
// nullptr when a plane does not lie inside the picture's buffers.
GstBuffer* wrapPicture(const AVFrame* picture, const GstVideoInfo& info);

// Copies the picture's visible samples into a frame of the same format mapped for writing.
void copyPictureInto(const AVFrame* picture, GstVideoFrame* target);
