#include "engine/CutSound.h"

#include "engine/LosslessCut.h"

Status CutSound::open(const LosslessCutJob& job, size_t track, std::unique_ptr<CutSound>* sound,
                      QString* error) {
    std::unique_ptr<CutSound> made(new CutSound(job));
    const bool encoded = bool(job.soundEncoder);
    const PacketRequest request{
        .streamId = job.soundStreamIds[track],
        .kind = "audio/",
        .chain = encoded || track >= job.soundChains.size() ? QByteArray() : job.soundChains[track],
        .from = job.start + job.soundShift,
        .decoded = encoded,
        .to = encoded ? job.stop + job.soundShift : -1,
        .makeChain = job.soundEncoder};
    if (Status code = PacketReader::open(job.source, request, &made->reader_, error);
        failed(code)) {
        return code;
    }
    made->first_ = made->read();
    made->hasPackets_ = made->first_ != nullptr;
    *sound = std::move(made);
    return status::kOk;
}

GstBufferPtr CutSound::next() {
    return first_ ? std::move(first_) : read();
}

GstBufferPtr CutSound::read() {
    while (GstBufferPtr packet = reader_->next()) {
        if (job_.soundEncoder) {
            // The encoder's times are the running time of the span; they may start a little
            // before it (an encoder's priming).
            gint64 running = 0;
            const int sign = gst_segment_to_running_time_full(&reader_->segment(), GST_FORMAT_TIME,
                                                              GST_BUFFER_PTS(packet.get()),
                                                              reinterpret_cast<guint64*>(&running));
            GstBuffer* timed = gst_buffer_make_writable(packet.release());
            GST_BUFFER_PTS(timed) = GstClockTime(job_.start + (sign >= 0 ? running : 0));
            return GstBufferPtr(timed);
        }
        // On the picture's clock from here on.
        const int64_t time = int64_t(GST_BUFFER_PTS(packet.get())) - job_.soundShift;
        const GstClockTime length = GST_BUFFER_DURATION(packet.get());
        const int64_t middle = time + (GST_CLOCK_TIME_IS_VALID(length) ? int64_t(length) / 2 : 0);
        if (middle >= job_.stop) {
            return nullptr;
        }
        if (middle >= job_.start) {
            GstBuffer* timed = gst_buffer_make_writable(packet.release());
            GST_BUFFER_PTS(timed) = GstClockTime(std::max<int64_t>(time, 0));
            return GstBufferPtr(timed);
        }
    }
    return nullptr;
}
