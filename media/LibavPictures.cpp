#include "media/LibavPictures.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <cstring>

namespace {

void releaseClone(gpointer clone) {
    AVFrame* picture = static_cast<AVFrame*>(clone);
    av_frame_free(&picture);
}

// The bytes of one plane, when they lie inside one of the picture's buffers.
gsize planeBytes(const AVFrame* picture, const GstVideoInfo& info, guint plane) {
    if (picture->linesize[plane] <= 0) {
        return 0;
    }
    const gsize rows = GST_VIDEO_FORMAT_INFO_SCALE_HEIGHT(info.finfo, plane, info.height);
    const gsize bytes = gsize(picture->linesize[plane]) * rows;
    for (const AVBufferRef* buffer : picture->buf) {
        if (buffer && picture->data[plane] >= buffer->data &&
            picture->data[plane] + bytes <= buffer->data + buffer->size) {
            return bytes;
        }
    }
    return 0;
}

}  // namespace

GstVideoFormat videoFormatOfPixels(int pixelFormat) {
    switch (pixelFormat) {
        case AV_PIX_FMT_YUV420P:
        case AV_PIX_FMT_YUVJ420P:
            return GST_VIDEO_FORMAT_I420;
        case AV_PIX_FMT_YUV420P10LE:
            return GST_VIDEO_FORMAT_I420_10LE;
        case AV_PIX_FMT_YUV420P12LE:
            return GST_VIDEO_FORMAT_I420_12LE;
        case AV_PIX_FMT_YUV422P:
        case AV_PIX_FMT_YUVJ422P:
            return GST_VIDEO_FORMAT_Y42B;
        case AV_PIX_FMT_YUV422P10LE:
            return GST_VIDEO_FORMAT_I422_10LE;
        case AV_PIX_FMT_YUV422P12LE:
            return GST_VIDEO_FORMAT_I422_12LE;
        case AV_PIX_FMT_YUV444P:
        case AV_PIX_FMT_YUVJ444P:
            return GST_VIDEO_FORMAT_Y444;
        case AV_PIX_FMT_YUV444P10LE:
            return GST_VIDEO_FORMAT_Y444_10LE;
        case AV_PIX_FMT_YUV444P12LE:
            return GST_VIDEO_FORMAT_Y444_12LE;
        case AV_PIX_FMT_GBRP:
            return GST_VIDEO_FORMAT_GBR;
        case AV_PIX_FMT_GBRP10LE:
            return GST_VIDEO_FORMAT_GBR_10LE;
        case AV_PIX_FMT_GBRP12LE:
            return GST_VIDEO_FORMAT_GBR_12LE;
        case AV_PIX_FMT_GRAY8:
            return GST_VIDEO_FORMAT_GRAY8;
        case AV_PIX_FMT_NV12:
            return GST_VIDEO_FORMAT_NV12;
        default:
            return GST_VIDEO_FORMAT_UNKNOWN;
    }
}

void describePictureColours(const AVFrame* picture, GstVideoInfo* info) {
    GstVideoColorimetry& colours = info->colorimetry;
    if (picture->color_range == AVCOL_RANGE_JPEG) {
        colours.range = GST_VIDEO_COLOR_RANGE_0_255;
    } else if (picture->color_range == AVCOL_RANGE_MPEG) {
        colours.range = GST_VIDEO_COLOR_RANGE_16_235;
    }
    if (picture->colorspace != AVCOL_SPC_UNSPECIFIED) {
        colours.matrix = gst_video_color_matrix_from_iso(picture->colorspace);
    }
    if (picture->color_trc != AVCOL_TRC_UNSPECIFIED) {
        colours.transfer = gst_video_transfer_function_from_iso(picture->color_trc);
    }
    if (picture->color_primaries != AVCOL_PRI_UNSPECIFIED) {
        colours.primaries = gst_video_color_primaries_from_iso(picture->color_primaries);
    }
    if (picture->chroma_location == AVCHROMA_LOC_LEFT) {
        info->chroma_site = GST_VIDEO_CHROMA_SITE_MPEG2;
    } else if (picture->chroma_location == AVCHROMA_LOC_CENTER) {
        info->chroma_site = GST_VIDEO_CHROMA_SITE_JPEG;
    } else if (picture->chroma_location == AVCHROMA_LOC_TOPLEFT) {
        info->chroma_site = GST_VIDEO_CHROMA_SITE_COSITED;
    }
}

GstBuffer* wrapPicture(const AVFrame* picture, const GstVideoInfo& info) {
    const guint planes = GST_VIDEO_INFO_N_PLANES(&info);
    gsize offsets[GST_VIDEO_MAX_PLANES] = {};
    gint strides[GST_VIDEO_MAX_PLANES] = {};
    gsize sizes[GST_VIDEO_MAX_PLANES] = {};
    gsize offset = 0;
    for (guint plane = 0; plane < planes; ++plane) {
        sizes[plane] = planeBytes(picture, info, plane);
        if (sizes[plane] == 0) {
            return nullptr;
        }
        offsets[plane] = offset;
        strides[plane] = picture->linesize[plane];
        offset += sizes[plane];
    }
    GstBuffer* buffer = gst_buffer_new();
    for (guint plane = 0; plane < planes; ++plane) {
        AVFrame* clone = av_frame_clone(picture);
        if (!clone) {
            gst_buffer_unref(buffer);
            return nullptr;
        }
        gst_buffer_append_memory(
            buffer, gst_memory_new_wrapped(GST_MEMORY_FLAG_READONLY, picture->data[plane],
                                           sizes[plane], 0, sizes[plane], clone, &releaseClone));
    }
    gst_buffer_add_video_meta_full(buffer, GST_VIDEO_FRAME_FLAG_NONE, GST_VIDEO_INFO_FORMAT(&info),
                                   GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info),
                                   planes, offsets, strides);
    return buffer;
}

void copyPictureInto(const AVFrame* picture, GstVideoFrame* target) {
    for (guint plane = 0; plane < GST_VIDEO_FRAME_N_PLANES(target); ++plane) {
        const gsize rowBytes = gsize(GST_VIDEO_FRAME_COMP_WIDTH(target, plane)) *
                               gsize(GST_VIDEO_FRAME_COMP_PSTRIDE(target, plane));
        const int rows = GST_VIDEO_FRAME_COMP_HEIGHT(target, plane);
        auto* to = static_cast<guint8*>(GST_VIDEO_FRAME_PLANE_DATA(target, plane));
        const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(target, plane);
        for (int row = 0; row < rows; ++row) {
            std::memcpy(to + gsize(row) * stride,
                        picture->data[plane] + ptrdiff_t(row) * picture->linesize[plane], rowBytes);
        }
    }
}
