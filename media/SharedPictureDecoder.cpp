#include "media/SharedPictureDecoder.h"

#include <gst/video/gstvideodecoder.h>
#include <gst/video/video.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

#include <cstring>
#include <mutex>

#include "media/Elements.h"
#include "media/LibavPictures.h"

namespace {

constexpr const char* kInputCaps =
    "video/x-h264, stream-format = (string) { avc, avc3, byte-stream }, "
    "alignment = (string) au; "
    "video/x-h265, stream-format = (string) { hvc1, hev1, byte-stream }, "
    "alignment = (string) au";
constexpr const char* kOutputCaps =
    "video/x-raw, format = (string) { I420, I420_10LE, I420_12LE, Y42B, I422_10LE, I422_12LE, "
    "Y444, Y444_10LE, Y444_12LE, GBR, GBR_10LE, GBR_12LE, GRAY8, NV12 }";

enum { kPropThreads = 1 };

struct SharedPictureDecoder {
    GstVideoDecoder parent;
    AVCodecContext* context;
    AVPacket* packet;
    AVFrame* picture;
    GstVideoCodecState* input;
    gint threads;
    // Whether downstream reads pictures by their plane layout; otherwise each one is copied into
    // a buffer of the usual layout.
    gboolean layoutKnownDownstream;
    // What the last negotiated output describes.
    GstVideoFormat format;
    gint width;
    gint height;
    gboolean interlaced;
    AVRational aspect;
};

struct SharedPictureDecoderClass {
    GstVideoDecoderClass parent;
};

G_DEFINE_TYPE(SharedPictureDecoder, shared_picture_decoder, GST_TYPE_VIDEO_DECODER)

void closeCodec(SharedPictureDecoder* self) {
    avcodec_free_context(&self->context);
    self->format = GST_VIDEO_FORMAT_UNKNOWN;
}

// Announces the pictures' format downstream when it changed. Once a stream showed interlaced
// pictures it stays "mixed", so that coded fields and frames do not renegotiate every picture.
bool negotiateFor(SharedPictureDecoder* self, const AVFrame* picture, GstVideoFormat format) {
    const bool interlaced = self->interlaced || picture->interlaced_frame;
    if (format == self->format && picture->width == self->width &&
        picture->height == self->height && interlaced == bool(self->interlaced) &&
        av_cmp_q(picture->sample_aspect_ratio, self->aspect) == 0) {
        return true;
    }
    auto* decoder = GST_VIDEO_DECODER(self);
    GstVideoCodecState* state = gst_video_decoder_set_output_state(decoder, format, picture->width,
                                                                   picture->height, self->input);
    if (!state) {
        return false;
    }
    if (picture->sample_aspect_ratio.num > 0 && picture->sample_aspect_ratio.den > 0) {
        state->info.par_n = picture->sample_aspect_ratio.num;
        state->info.par_d = picture->sample_aspect_ratio.den;
    }
    state->info.interlace_mode =
        interlaced ? GST_VIDEO_INTERLACE_MODE_MIXED : GST_VIDEO_INTERLACE_MODE_PROGRESSIVE;
    describePictureColours(picture, &state->info);
    gst_video_codec_state_unref(state);
    if (!gst_video_decoder_negotiate(decoder)) {
        return false;
    }
    self->format = format;
    self->width = picture->width;
    self->height = picture->height;
    self->interlaced = interlaced;
    self->aspect = picture->sample_aspect_ratio;
    return true;
}

// The picture copied into a buffer of the usual layout, for a downstream that needs it.
GstFlowReturn copyPicture(GstVideoDecoder* decoder, const AVFrame* picture,
                          GstVideoCodecFrame* frame) {
    const GstFlowReturn allocated = gst_video_decoder_allocate_output_frame(decoder, frame);
    if (allocated != GST_FLOW_OK) {
        return allocated;
    }
    GstVideoCodecState* state = gst_video_decoder_get_output_state(decoder);
    GstVideoFrame target;
    const bool mapped =
        gst_video_frame_map(&target, &state->info, frame->output_buffer, GST_MAP_WRITE);
    gst_video_codec_state_unref(state);
    if (!mapped) {
        return GST_FLOW_ERROR;
    }
    copyPictureInto(picture, &target);
    gst_video_frame_unmap(&target);
    return GST_FLOW_OK;
}

// Pictures come out in presentation order: a frame still waiting that should have been shown
// before this one was dropped by libav (a picture without its references after a seek).
void releaseSkippedFrames(GstVideoDecoder* decoder, GstClockTime shown) {
    if (!GST_CLOCK_TIME_IS_VALID(shown)) {
        return;
    }
    GList* frames = gst_video_decoder_get_frames(decoder);
    for (GList* item = frames; item; item = item->next) {
        auto* waiting = static_cast<GstVideoCodecFrame*>(item->data);
        if (GST_CLOCK_TIME_IS_VALID(waiting->pts) && waiting->pts < shown) {
            gst_video_decoder_release_frame(decoder, gst_video_codec_frame_ref(waiting));
        }
    }
    g_list_free_full(frames, reinterpret_cast<GDestroyNotify>(&gst_video_codec_frame_unref));
}

GstFlowReturn pushPicture(SharedPictureDecoder* self, const AVFrame* picture) {
    auto* decoder = GST_VIDEO_DECODER(self);
    GstVideoCodecFrame* frame = gst_video_decoder_get_frame(decoder, int(picture->pts));
    if (!frame) {
        return GST_FLOW_OK;  // the base class gave it up already
    }
    const GstVideoFormat format = videoFormatOfPixels(picture->format);
    if (format == GST_VIDEO_FORMAT_UNKNOWN) {
        gst_video_decoder_drop_frame(decoder, frame);
        GST_ELEMENT_ERROR(self, STREAM, FORMAT,
                          ("The video's pictures are stored as %s, which cannot be converted.",
                           av_get_pix_fmt_name(AVPixelFormat(picture->format))),
                          (nullptr));
        return GST_FLOW_NOT_NEGOTIATED;
    }
    if (!negotiateFor(self, picture, format)) {
        gst_video_decoder_drop_frame(decoder, frame);
        return GST_FLOW_NOT_NEGOTIATED;
    }
    GstVideoCodecState* state = gst_video_decoder_get_output_state(decoder);
    GstBuffer* wrapped = self->layoutKnownDownstream ? wrapPicture(picture, state->info) : nullptr;
    gst_video_codec_state_unref(state);
    if (wrapped) {
        frame->output_buffer = wrapped;
    } else if (const GstFlowReturn copied = copyPicture(decoder, picture, frame);
               copied != GST_FLOW_OK) {
        gst_video_decoder_drop_frame(decoder, frame);
        return copied;
    }
    if (picture->interlaced_frame) {
        GST_BUFFER_FLAG_SET(frame->output_buffer, GST_VIDEO_BUFFER_FLAG_INTERLACED);
        if (picture->top_field_first) {
            GST_BUFFER_FLAG_SET(frame->output_buffer, GST_VIDEO_BUFFER_FLAG_TFF);
        }
    }
    const GstClockTime shown = frame->pts;
    const GstFlowReturn pushed = gst_video_decoder_finish_frame(decoder, frame);
    releaseSkippedFrames(decoder, shown);
    return pushed;
}

// Takes every picture libav has ready.
GstFlowReturn receivePictures(SharedPictureDecoder* self) {
    for (;;) {
        const int received = avcodec_receive_frame(self->context, self->picture);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) {
            return GST_FLOW_OK;
        }
        if (received < 0) {
            GstFlowReturn result = GST_FLOW_OK;
            GST_VIDEO_DECODER_ERROR(self, 1, STREAM, DECODE, (nullptr),
                                    ("libav could not decode a picture (%d)", received), result);
            return result;
        }
        const GstFlowReturn pushed = pushPicture(self, self->picture);
        av_frame_unref(self->picture);
        if (pushed != GST_FLOW_OK) {
            return pushed;
        }
    }
}

GstFlowReturn drainCodec(SharedPictureDecoder* self) {
    if (!self->context) {
        return GST_FLOW_OK;
    }
    avcodec_send_packet(self->context, nullptr);
    const GstFlowReturn result = receivePictures(self);
    avcodec_flush_buffers(self->context);
    return result;
}

gboolean decoderStop(GstVideoDecoder* decoder) {
    auto* self = reinterpret_cast<SharedPictureDecoder*>(decoder);
    closeCodec(self);
    g_clear_pointer(&self->input, gst_video_codec_state_unref);
    return TRUE;
}

gboolean decoderSetFormat(GstVideoDecoder* decoder, GstVideoCodecState* state) {
    auto* self = reinterpret_cast<SharedPictureDecoder*>(decoder);
    drainCodec(self);
    closeCodec(self);
    g_clear_pointer(&self->input, gst_video_codec_state_unref);
    self->input = gst_video_codec_state_ref(state);

    const GstStructure* structure = gst_caps_get_structure(state->caps, 0);
    const AVCodecID id =
        gst_structure_has_name(structure, "video/x-h265") ? AV_CODEC_ID_HEVC : AV_CODEC_ID_H264;
    const AVCodec* codec = avcodec_find_decoder(id);
    self->context = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!self->context) {
        return FALSE;
    }
    if (state->codec_data) {
        GstMapInfo map;
        if (gst_buffer_map(state->codec_data, &map, GST_MAP_READ)) {
            self->context->extradata =
                static_cast<uint8_t*>(av_mallocz(map.size + AV_INPUT_BUFFER_PADDING_SIZE));
            if (self->context->extradata) {
                std::memcpy(self->context->extradata, map.data, map.size);
                self->context->extradata_size = int(map.size);
            }
            gst_buffer_unmap(state->codec_data, &map);
        }
    }
    self->context->thread_count = self->threads > 0 ? self->threads : int(g_get_num_processors());
    self->context->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    if (avcodec_open2(self->context, codec, nullptr) < 0) {
        closeCodec(self);
        return FALSE;
    }
    return TRUE;
}

GstFlowReturn decoderHandleFrame(GstVideoDecoder* decoder, GstVideoCodecFrame* frame) {
    auto* self = reinterpret_cast<SharedPictureDecoder*>(decoder);
    if (!self->context) {
        gst_video_decoder_drop_frame(decoder, frame);
        return GST_FLOW_NOT_NEGOTIATED;
    }
    GstMapInfo map;
    if (!gst_buffer_map(frame->input_buffer, &map, GST_MAP_READ)) {
        gst_video_decoder_drop_frame(decoder, frame);
        return GST_FLOW_ERROR;
    }
    // libav reads a little past the end of the data: the packet brings its own padding.
    const bool made = av_new_packet(self->packet, int(map.size)) == 0;
    if (made) {
        std::memcpy(self->packet->data, map.data, map.size);
        // Pictures find their frame again by its number.
        self->packet->pts = frame->system_frame_number;
    }
    gst_buffer_unmap(frame->input_buffer, &map);
    gst_video_codec_frame_unref(frame);
    if (!made) {
        return GST_FLOW_ERROR;
    }
    GstFlowReturn result = GST_FLOW_OK;
    for (;;) {
        const int sent = avcodec_send_packet(self->context, self->packet);
        if (sent == AVERROR(EAGAIN)) {
            result = receivePictures(self);
            if (result != GST_FLOW_OK) {
                break;
            }
            continue;
        }
        if (sent < 0) {
            GST_VIDEO_DECODER_ERROR(self, 1, STREAM, DECODE, (nullptr),
                                    ("libav could not take a packet (%d)", sent), result);
            break;
        }
        result = receivePictures(self);
        break;
    }
    av_packet_unref(self->packet);
    return result;
}

GstFlowReturn decoderDrain(GstVideoDecoder* decoder) {
    return drainCodec(reinterpret_cast<SharedPictureDecoder*>(decoder));
}

gboolean decoderFlush(GstVideoDecoder* decoder) {
    auto* self = reinterpret_cast<SharedPictureDecoder*>(decoder);
    if (self->context) {
        avcodec_flush_buffers(self->context);
    }
    return TRUE;
}

gboolean decoderDecideAllocation(GstVideoDecoder* decoder, GstQuery* query) {
    auto* self = reinterpret_cast<SharedPictureDecoder*>(decoder);
    self->layoutKnownDownstream =
        gst_query_find_allocation_meta(query, GST_VIDEO_META_API_TYPE, nullptr);
    return GST_VIDEO_DECODER_CLASS(shared_picture_decoder_parent_class)
        ->decide_allocation(decoder, query);
}

void decoderSetProperty(GObject* object, guint id, const GValue* value, GParamSpec* property) {
    if (id == kPropThreads) {
        reinterpret_cast<SharedPictureDecoder*>(object)->threads = g_value_get_int(value);
    } else {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, property);
    }
}

void decoderGetProperty(GObject* object, guint id, GValue* value, GParamSpec* property) {
    if (id == kPropThreads) {
        g_value_set_int(value, reinterpret_cast<SharedPictureDecoder*>(object)->threads);
    } else {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, property);
    }
}

void decoderFinalize(GObject* object) {
    auto* self = reinterpret_cast<SharedPictureDecoder*>(object);
    closeCodec(self);
    av_packet_free(&self->packet);
    av_frame_free(&self->picture);
    g_clear_pointer(&self->input, gst_video_codec_state_unref);
    G_OBJECT_CLASS(shared_picture_decoder_parent_class)->finalize(object);
}

void shared_picture_decoder_class_init(SharedPictureDecoderClass* klass) {
    auto* object = G_OBJECT_CLASS(klass);
    object->set_property = &decoderSetProperty;
    object->get_property = &decoderGetProperty;
    object->finalize = &decoderFinalize;
    // The same name as libav's decoder's, so that whoever sets its threads sets these.
    g_object_class_install_property(
        object, kPropThreads,
        g_param_spec_int("max-threads", "Maximum threads", "Decoding threads (0: one per core)", 0,
                         64, 0,
                         static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS)));
    auto* element = GST_ELEMENT_CLASS(klass);
    gst_element_class_set_static_metadata(
        element, "Quenzel shared-picture decoder", "Codec/Decoder/Video",
        "Decodes H.264 and H.265 with libavcodec into pictures shared with libav", "Quenzel");
    addAlwaysPads(element, kInputCaps, kOutputCaps);
    auto* decoder = GST_VIDEO_DECODER_CLASS(klass);
    decoder->stop = &decoderStop;
    decoder->set_format = &decoderSetFormat;
    decoder->handle_frame = &decoderHandleFrame;
    decoder->finish = &decoderDrain;
    decoder->drain = &decoderDrain;
    decoder->flush = &decoderFlush;
    decoder->decide_allocation = &decoderDecideAllocation;
}

void shared_picture_decoder_init(SharedPictureDecoder* self) {
    self->packet = av_packet_alloc();
    self->picture = av_frame_alloc();
    self->format = GST_VIDEO_FORMAT_UNKNOWN;
    gst_video_decoder_set_packetized(GST_VIDEO_DECODER(self), TRUE);
    gst_video_decoder_set_needs_format(GST_VIDEO_DECODER(self), TRUE);
}

}  // namespace

bool registerSharedPictureDecoder() {
    static std::once_flag once;
    static bool registered = false;
    std::call_once(once, [] {
        registered = gst_element_register(nullptr, kSharedPictureDecoderFactory, GST_RANK_MARGINAL,
                                          shared_picture_decoder_get_type());
    });
    return registered;
}

bool sharedPictureDecoderTakes(const GstCaps* caps) {
    static GstCaps* taken = gst_caps_from_string(kInputCaps);
    return caps && gst_caps_can_intersect(caps, taken);
}
