#include "engine/LosslessCut.h"

#include <gst/app/gstappsrc.h>

#include <QFile>
#include <algorithm>
#include <deque>
#include <memory>
#include <optional>
#include <thread>

#include "engine/CopyCodecs.h"
#include "engine/EdgeEncoder.h"
#include "engine/LosslessCutPlan.h"
#include "media/Elements.h"
#include "media/PacketReader.h"
#include "media/ParameterSets.h"
#include "media/PictureKinds.h"
#include "output/formats/OutputFormats.h"

namespace {

// The written times count from here, so that the pictures' decoding times, which come before
// their presentation, are never below zero; the segment makes the span start at 0.
constexpr GstClockTime kTimeOrigin = 1000 * GST_SECOND;
// Pictures of the group after the end that are read to see whether they lead it.
constexpr size_t kPicturesAfterEnd = 32;
constexpr guint kQueuedVideo = 64;
constexpr guint kQueuedSound = 512;
constexpr GstClockTime kEndTimeout = 30 * GST_SECOND;
constexpr auto kWaitStep = std::chrono::milliseconds(2);
constexpr int64_t kNsPerUnit = 100;  // the program counts in 100-ns units

// The source's pictures in decoding order from the random-access picture at or before the start
// to the group after the end (with its leading pictures).
Status readPictureIndex(const LosslessCutJob& job, std::vector<CodedPicture>* pictures,
                        QString* error) {
    std::unique_ptr<PacketReader> reader;
    const PacketRequest request{.streamId = job.videoStreamId,
                                .kind = "video/",
                                .chain = job.codec->indexChain,
                                .from = job.start,
                                .decoded = false,
                                .to = -1,
                                .makeChain = {}};
    if (Status code = PacketReader::open(job.source, request, &reader, error); failed(code)) {
        return code;
    }
    PictureKindReader kinds(job.codec->pictures);
    std::optional<int64_t> groupAfterEnd;
    size_t afterEnd = 0;
    while (GstBufferPtr packet = reader->next()) {
        const GstClockTime time = GST_BUFFER_PTS(packet.get());
        if (!GST_CLOCK_TIME_IS_VALID(time)) {
            *error = QStringLiteral("A picture of the source has no time.");
            return status::kStreamError;
        }
        const PictureKind kind = kinds.read(packet.get());
        pictures->push_back({.time = int64_t(time),
                             .randomAccess = kind.randomAccess,
                             .skippable = kind.skippable,
                             .leadsOnItsOwn = kind.leadsOnItsOwn});
        if (groupAfterEnd) {
            // Past the leading pictures of the group after the end, or far enough.
            if (int64_t(time) > *groupAfterEnd || ++afterEnd >= kPicturesAfterEnd) {
                break;
            }
        } else if (kind.randomAccess && int64_t(time) >= job.stop) {
            groupAfterEnd = int64_t(time);
        }
    }
    if (const QString failure = reader->errorText(); !failure.isEmpty()) {
        *error = failure;
        return status::kStreamError;
    }
    return status::kOk;
}

// The decoding times of pictures given in decoding order with these presentation times: the
// presentation times in order, moved back by the most that any picture is shown after its turn,
// so that no picture is decoded after it shows and no two share a time.
std::vector<int64_t> decodingTimes(const std::vector<int64_t>& shown) {
    std::vector<int64_t> sorted = shown;
    std::sort(sorted.begin(), sorted.end());
    int64_t delay = 0;
    for (size_t i = 0; i < shown.size(); ++i) {
        delay = std::max(delay, sorted[i] - shown[i]);
    }
    for (int64_t& time : sorted) {
        time -= delay;
    }
    return sorted;
}

// The writer of the cut: one input for the pictures and one for each sound track, fed in
// time order from our thread.
class CopyWriter {
  public:
    Status open(const LosslessCutJob& job, GstCaps* video, const std::vector<GstCaps*>& sounds,
                std::atomic<int64_t>* writtenBytes, QString* error) {
        pipeline_ = refSink(gst_pipeline_new("copy"));
        GObjectPtr<GstElement> mux;
        GObjectPtr<GstElement> sink;
        if (failed(makeElement(job.format->writer, "writer", &mux)) ||
            failed(makeElement("filesink", "file", &sink))) {
            *error = QStringLiteral("The %1 writer is not installed.")
                         .arg(QString::fromLatin1(job.format->name));
            return status::kNoDecoder;
        }
        for (const WriterProperty& property : job.format->writerProperties) {
            if (property.name) {
                gst_util_set_object_arg(G_OBJECT(mux.get()), property.name, property.value);
            }
        }
        if (hasProperty(mux.get(), "faststart-file")) {
            g_object_set(mux.get(), "faststart-file",
                         QFile::encodeName(job.scratchPath).constData(), nullptr);
        }
        g_object_set(sink.get(), "location", QFile::encodeName(job.writePath).constData(), nullptr);
        gst_bin_add_many(GST_BIN(pipeline_.get()), mux.get(), sink.get(), nullptr);
        gst_element_link(mux.get(), sink.get());
        GObjectPtr<GstPad> written(gst_element_get_static_pad(mux.get(), "src"));
        gst_pad_add_probe(written.get(), GST_PAD_PROBE_TYPE_BUFFER, &CopyWriter::onWritten,
                          writtenBytes, nullptr);
        if (!addInput(mux.get(), video, "video_%u", kQueuedVideo, error)) {
            return status::kCannotConnect;
        }
        for (GstCaps* sound : sounds) {
            if (!addInput(mux.get(), sound, "audio_%u", kQueuedSound, error)) {
                return status::kCannotConnect;
            }
        }
        gst_segment_init(&segment_, GST_FORMAT_TIME);
        segment_.start = kTimeOrigin;
        segment_.time = 0;
        if (gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
            *error = failure();
            return status::kCannotConnect;
        }
        return status::kOk;
    }

    ~CopyWriter() {
        if (pipeline_) {
            gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
        }
    }

    // Waits while the input's queue is full (the writer takes the packets in time order, so a
    // full queue empties), but not past a failure of the writer, which would never empty it.
    bool push(size_t input, GstBufferPtr packet) {
        GstAppSrc* source = GST_APP_SRC(inputs_[input]);
        while (gst_app_src_get_current_level_buffers(source) >= queued_[input]) {
            if (!failure().isEmpty()) {
                return false;
            }
            std::this_thread::sleep_for(kWaitStep);
        }
        GstMiniPtr<GstSample> sample(
            gst_sample_new(packet.get(), caps_[input].get(), &segment_, nullptr));
        return gst_app_src_push_sample(GST_APP_SRC(inputs_[input]), sample.get()) == GST_FLOW_OK;
    }

    void endInput(size_t input) { gst_app_src_end_of_stream(GST_APP_SRC(inputs_[input])); }

    // Waits until the writer has closed the file; false (with the reason) when it failed.
    bool waitForEnd(QString* error) {
        if (!failure_.isEmpty()) {
            *error = failure_;
            return false;
        }
        GObjectPtr<GstBus> bus(gst_element_get_bus(pipeline_.get()));
        GstMessagePtr message(gst_bus_timed_pop_filtered(
            bus.get(), kEndTimeout, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
        if (message && GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_EOS) {
            return true;
        }
        *error = message ? errorTextOf(message.get(), QStringLiteral("The writer failed."))
                         : QStringLiteral("The writer did not finish the file.");
        return false;
    }

    QString failure() {
        if (failure_.isEmpty()) {
            failure_ = takePendingError(pipeline_.get(), QStringLiteral("The writer failed."));
        }
        return failure_;
    }

  private:
    bool addInput(GstElement* mux, GstCaps* caps, const char* padName, guint queued,
                  QString* error) {
        GObjectPtr<GstElement> source;
        if (failed(makeElement("appsrc", nullptr, &source))) {
            return false;
        }
        g_object_set(source.get(), "format", GST_FORMAT_TIME, "caps", caps, "block", FALSE,
                     "max-bytes", guint64(0), "max-buffers", guint64(queued),
                     "handle-segment-change", TRUE, nullptr);
        gst_bin_add(GST_BIN(pipeline_.get()), source.get());
        GObjectPtr<GstPad> output(gst_element_get_static_pad(source.get(), "src"));
        GObjectPtr<GstPad> input(gst_element_request_pad_simple(mux, padName));
        if (!input || gst_pad_link(output.get(), input.get()) != GST_PAD_LINK_OK) {
            GCharPtr described(gst_caps_to_string(caps));
            *error = QStringLiteral("The writer does not take %1.")
                         .arg(QString::fromUtf8(described.get()));
            return false;
        }
        inputs_.push_back(source.get());
        queued_.push_back(queued);
        caps_.emplace_back(gst_caps_ref(caps));
        return true;
    }

    static GstPadProbeReturn onWritten(GstPad*, GstPadProbeInfo* info, gpointer bytes) {
        *static_cast<std::atomic<int64_t>*>(bytes) +=
            int64_t(gst_buffer_get_size(GST_PAD_PROBE_INFO_BUFFER(info)));
        return GST_PAD_PROBE_OK;
    }

    GObjectPtr<GstElement> pipeline_;
    std::vector<GstElement*> inputs_;  // owned by the pipeline
    std::vector<guint64> queued_;      // the most packets each holds
    std::vector<GstCapsPtr> caps_;
    GstSegment segment_{};
    QString failure_;
};

// One stream of the cut as it goes to the writer, a packet ahead.
struct WrittenStream {
    std::deque<GstBufferPtr> ready;        // packets made in advance (the encoded edges)
    std::unique_ptr<PacketReader> reader;  // then the copied ones
    std::deque<GstBufferPtr> afterReader;  // then these (the encoded end)
    bool ended = false;
};

}  // namespace

LosslessCut::LosslessCut(LosslessCutJob job, QObject* parent)
    : WritingGraph(parent), job_(std::move(job)) {}

LosslessCut::~LosslessCut() {
    stop();
}

void LosslessCut::start() {
    thread_ = std::thread([this] { work(); });
}

void LosslessCut::beginFinish() {
    finishing_ = true;
}

bool LosslessCut::finishAndWait(int timeoutMs) {
    beginFinish();
    std::unique_lock<std::mutex> lock(mutex_);
    return ended_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return done_; }) &&
           failure_.isEmpty();
}

void LosslessCut::stop() {
    abandoned_ = true;
    finishing_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

QString LosslessCut::errorText() {
    std::lock_guard<std::mutex> lock(mutex_);
    return failure_;
}

LosslessCut::Counts LosslessCut::counts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return counts_;
}

void LosslessCut::work() {
    QString error;
    const Status code = cut(&error);
    if (::failed(code) && error.isEmpty()) {
        error = statusText(code);
    }
    end(::failed(code) ? error : QString());
}

void LosslessCut::end(const QString& failure) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
        failure_ = failure;
    }
    ended_.notify_all();
    if (abandoned_) {
        return;
    }
    if (failure.isEmpty()) {
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT completed(); }, Qt::QueuedConnection);
    } else {
        QMetaObject::invokeMethod(
            this, [this, failure] { Q_EMIT failed(failure); }, Qt::QueuedConnection);
    }
}

Status LosslessCut::cut(QString* error) {
    std::vector<CodedPicture> pictures;
    if (Status code = readPictureIndex(job_, &pictures, error); ::failed(code)) {
        return code;
    }
    if (pictures.empty()) {
        *error = QStringLiteral("The source has no pictures in the span.");
        return status::kStreamError;
    }
    const LosslessCutPlan plan = planLosslessCut(pictures, job_.start, job_.stop);

    // The copied pictures, read as the writer takes them, from the first copied group on.
    WrittenStream video;
    GstCapsPtr videoCaps;
    const bool copies = plan.copyTo > plan.copyFrom;
    GstBufferPtr firstCopied;
    if (copies) {
        const PacketRequest copied{.streamId = job_.videoStreamId,
                                   .kind = "video/",
                                   .chain = job_.codec->copyChain,
                                   .from = pictures[plan.copyFrom].time,
                                   .decoded = false,
                                   .to = -1,
                                   .makeChain = {}};
        if (Status code = PacketReader::open(job_.source, copied, &video.reader, error);
            ::failed(code)) {
            return code;
        }
        // The reader starts at the demuxer's random-access point, which may lie before ours.
        do {
            firstCopied = video.reader->next();
        } while (firstCopied &&
                 int64_t(GST_BUFFER_PTS(firstCopied.get())) != pictures[plan.copyFrom].time);
        if (!firstCopied) {
            *error = QStringLiteral("The picture at %1 s cannot be read again.")
                         .arg(double(pictures[plan.copyFrom].time) / GST_SECOND);
            return status::kStreamError;
        }
        videoCaps.reset(gst_caps_ref(video.reader->caps()));
    }
    const GstStructure* source = videoCaps ? gst_caps_get_structure(videoCaps.get(), 0) : nullptr;
    const char* profile = source ? gst_structure_get_string(source, "profile") : nullptr;
    EdgeRequest edge{.path = job_.source,
                     .streamId = job_.videoStreamId,
                     .codec = job_.codec,
                     .profile = QString::fromLatin1(profile ? profile : ""),
                     .low = job_.start,
                     .high = plan.headStop,
                     .pictures = plan.headPictures};
    std::vector<GstBufferPtr> head;
    if (plan.headPictures > 0 && !abandoned_) {
        if (Status code = encodeEdge(edge, &head, error); ::failed(code)) {
            return code;
        }
    }
    std::vector<GstBufferPtr> tail;
    if (copies && plan.tailPictures > 0 && !abandoned_) {
        edge.low = plan.tailStart;
        edge.high = job_.stop;
        edge.pictures = plan.tailPictures;
        if (Status code = encodeEdge(edge, &tail, error); ::failed(code)) {
            return code;
        }
    }
    if (abandoned_) {
        return status::kAbort;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        counts_ = {
            .copied = copies ? plan.copiedPictures() : 0, .head = head.size(), .tail = tail.size()};
    }
    if (!videoCaps) {
        // Nothing copied: the caps of the encoded pictures serve.
        videoCaps.reset(gst_caps_new_empty_simple(job_.codec->caps));
        gst_caps_set_simple(videoCaps.get(), "stream-format", G_TYPE_STRING,
                            job_.codec->pictures == PictureCodec::H265 ? "hev1" : "avc3",
                            "alignment", G_TYPE_STRING, "au", nullptr);
    }

    // Every picture's presentation time in the order they are written, for the decoding times.
    std::vector<int64_t> shown;
    for (const GstBufferPtr& packet : head) {
        shown.push_back(int64_t(GST_BUFFER_PTS(packet.get())));
    }
    for (size_t i = plan.copyFrom; i < plan.copyTo; ++i) {
        if (std::find(plan.skipped.begin(), plan.skipped.end(), i) == plan.skipped.end()) {
            shown.push_back(pictures[i].time);
        }
    }
    for (const GstBufferPtr& packet : tail) {
        shown.push_back(int64_t(GST_BUFFER_PTS(packet.get())));
    }
    const std::vector<int64_t> decoding = decodingTimes(shown);

    for (GstBufferPtr& packet : head) {
        video.ready.push_back(std::move(packet));
    }
    if (!head.empty() && !job_.codec->endOfSequence.isEmpty()) {
        // The copied picture after the head starts a sequence of its own.
        GstBuffer* last = video.ready.back().release();
        GstBuffer* closing = gst_buffer_new_memdup(job_.codec->endOfSequence.constData(),
                                                   gsize(job_.codec->endOfSequence.size()));
        video.ready.back().reset(gst_buffer_append(last, closing));
    }
    if (copies) {
        const bool hevc = job_.codec->pictures == PictureCodec::H265;
        const QByteArray sets = parameterSetsOf(videoCaps.get());
        if (job_.codec->pictures != PictureCodec::Other &&
            !carriesSequenceParameters(firstCopied.get(), hevc) && !sets.isEmpty()) {
            // A decoder coming from the encoded head must find the source's own sets here.
            firstCopied.reset(withParameterSets(firstCopied.get(), sets));
        }
        video.ready.push_back(std::move(firstCopied));
    }
    for (GstBufferPtr& packet : tail) {
        video.afterReader.push_back(std::move(packet));
    }

    std::vector<WrittenStream> sounds(job_.soundStreamIds.size());
    std::vector<GstCaps*> soundCaps;
    std::vector<GstBufferPtr> firstSound(sounds.size());
    for (size_t i = 0; i < sounds.size(); ++i) {
        // Encoded sound is cut exactly by the decoder; copied sound in whole packets.
        const bool encoded = bool(job_.soundEncoder);
        const PacketRequest request{.streamId = job_.soundStreamIds[i],
                                    .kind = "audio/",
                                    .chain = {},
                                    .from = job_.start,
                                    .decoded = encoded,
                                    .to = encoded ? job_.stop : -1,
                                    .makeChain = job_.soundEncoder};
        if (Status code = PacketReader::open(job_.source, request, &sounds[i].reader, error);
            ::failed(code)) {
            return code;
        }
        firstSound[i] = sounds[i].reader->next();
        if (!firstSound[i]) {
            sounds[i].ended = true;
            soundCaps.push_back(nullptr);
            continue;
        }
        soundCaps.push_back(sounds[i].reader->caps());
    }
    std::vector<GstCaps*> writtenSoundCaps;
    for (GstCaps* caps : soundCaps) {
        if (caps) {
            writtenSoundCaps.push_back(caps);
        }
    }
    CopyWriter writer;
    if (Status code = writer.open(job_, videoCaps.get(), writtenSoundCaps, &writtenBytes_, error);
        ::failed(code)) {
        return code;
    }

    // The picture packets in writing order, each with its decoding time.
    size_t written = 0;
    size_t position = plan.copyFrom + 1;  // where the reader's next packet stands in the index
    const auto isSkipped = [&](size_t at) {
        return std::find(plan.skipped.begin(), plan.skipped.end(), at) != plan.skipped.end();
    };
    auto nextPicture = [&]() -> GstBufferPtr {
        if (!video.ready.empty()) {
            GstBufferPtr packet = std::move(video.ready.front());
            video.ready.pop_front();
            return packet;
        }
        while (video.reader && position < plan.copyTo) {
            GstBufferPtr packet = video.reader->next();
            if (!packet) {
                break;
            }
            const int64_t time = int64_t(GST_BUFFER_PTS(packet.get()));
            // A parser may leave out the leading pictures of the group it starts with (h265parse
            // drops RASL pictures there); they are not copied anyway.
            while (position < plan.copyTo && isSkipped(position) &&
                   pictures[position].time != time) {
                ++position;
            }
            if (position >= plan.copyTo || pictures[position].time != time) {
                return nullptr;  // not the picture the index holds: nothing more is safe
            }
            if (!isSkipped(position++)) {
                return packet;
            }
        }
        if (!video.afterReader.empty()) {
            GstBufferPtr packet = std::move(video.afterReader.front());
            video.afterReader.pop_front();
            return packet;
        }
        return nullptr;
    };
    // Sound packets whose middle lies inside the span.
    auto nextSound = [&](size_t track) -> GstBufferPtr {
        while (true) {
            GstBufferPtr packet =
                firstSound[track] ? std::move(firstSound[track]) : sounds[track].reader->next();
            if (!packet) {
                return nullptr;
            }
            if (job_.soundEncoder) {
                // The encoder's times are the running time of the span; they may start a little
                // before it (an encoder's priming).
                gint64 running = 0;
                const int sign = gst_segment_to_running_time_full(
                    &sounds[track].reader->segment(), GST_FORMAT_TIME, GST_BUFFER_PTS(packet.get()),
                    reinterpret_cast<guint64*>(&running));
                GstBuffer* timed = gst_buffer_make_writable(packet.release());
                GST_BUFFER_PTS(timed) = GstClockTime(job_.start + (sign >= 0 ? running : 0));
                return GstBufferPtr(timed);
            }
            const GstClockTime time = GST_BUFFER_PTS(packet.get());
            const GstClockTime length = GST_BUFFER_DURATION(packet.get());
            const int64_t middle =
                int64_t(time) + (GST_CLOCK_TIME_IS_VALID(length) ? int64_t(length) / 2 : 0);
            if (middle >= job_.stop) {
                return nullptr;
            }
            if (middle >= job_.start) {
                return packet;
            }
        }
    };

    GstBufferPtr nextVideo = nextPicture();
    std::vector<GstBufferPtr> nextSounds(sounds.size());
    std::vector<size_t> soundInput(sounds.size());
    size_t input = 1;
    for (size_t i = 0; i < sounds.size(); ++i) {
        if (!sounds[i].ended) {
            soundInput[i] = input++;
            nextSounds[i] = nextSound(i);
        }
    }
    bool videoOpen = true;
    std::vector<bool> soundOpen(sounds.size());
    for (size_t i = 0; i < sounds.size(); ++i) {
        soundOpen[i] = !sounds[i].ended;
    }
    const auto outTime = [&](int64_t time) {
        return GstClockTime(int64_t(kTimeOrigin) + time - job_.start);
    };
    // A stop while the edges were being made still writes the first picture: the file is then
    // one a player opens.
    while (!abandoned_ && (!finishing_ || written == 0)) {
        // The earliest of the next packets goes first.
        int chosen = -2;  // -1: the picture
        int64_t earliest = INT64_MAX;
        if (videoOpen && nextVideo && written < decoding.size()) {
            chosen = -1;
            earliest = decoding[written];
        }
        for (size_t i = 0; i < sounds.size(); ++i) {
            if (soundOpen[i] && nextSounds[i] &&
                int64_t(GST_BUFFER_PTS(nextSounds[i].get())) < earliest) {
                chosen = int(i);
                earliest = int64_t(GST_BUFFER_PTS(nextSounds[i].get()));
            }
        }
        if (chosen == -2) {
            break;
        }
        if (chosen == -1) {
            GstBuffer* packet = gst_buffer_make_writable(nextVideo.release());
            const int64_t shownAt = int64_t(GST_BUFFER_PTS(packet));
            GST_BUFFER_PTS(packet) = outTime(shownAt);
            GST_BUFFER_DTS(packet) = outTime(decoding[written]);
            const GstClockTime length = GST_BUFFER_DURATION(packet);
            if (!writer.push(0, GstBufferPtr(packet))) {
                break;
            }
            ++written;
            const int64_t reached =
                shownAt + (GST_CLOCK_TIME_IS_VALID(length) ? int64_t(length) : 0) - job_.start;
            writtenTime_ = std::max(writtenTime_.load(), reached / kNsPerUnit);
            furthestWrittenTime_ = std::max(furthestWrittenTime_.load(), writtenTime_.load());
            nextVideo = nextPicture();
            continue;
        }
        GstBuffer* packet = gst_buffer_make_writable(nextSounds[chosen].release());
        // A packet that starts a little before the span is moved to its start.
        GST_BUFFER_PTS(packet) =
            outTime(std::max<int64_t>(int64_t(GST_BUFFER_PTS(packet)), job_.start));
        GST_BUFFER_DTS(packet) = GST_BUFFER_PTS(packet);
        const int64_t reached = int64_t(GST_BUFFER_PTS(packet) - kTimeOrigin);
        if (!writer.push(soundInput[size_t(chosen)], GstBufferPtr(packet))) {
            break;
        }
        furthestWrittenTime_ = std::max(furthestWrittenTime_.load(), reached / kNsPerUnit);
        nextSounds[chosen] = nextSound(size_t(chosen));
        if (!nextSounds[chosen]) {
            // The writer must not wait for more of a track that has ended.
            writer.endInput(soundInput[size_t(chosen)]);
            soundOpen[size_t(chosen)] = false;
        }
    }
    const bool stopped = finishing_.load();
    if (const QString failure = writer.failure(); !failure.isEmpty()) {
        *error = failure;
        return status::kStreamError;
    }
    if (!stopped && written != decoding.size()) {
        const QString reason = video.reader ? video.reader->errorText() : QString();
        *error = reason.isEmpty() ? QStringLiteral(
                                        "The source's pictures differ from what was read of them "
                                        "(%1 of %2 written).")
                                        .arg(written)
                                        .arg(decoding.size())
                                  : reason;
        writer.endInput(0);
        for (size_t i = 0; i < sounds.size(); ++i) {
            if (soundOpen[i]) {
                writer.endInput(soundInput[i]);
            }
        }
        QString ignored;
        writer.waitForEnd(&ignored);
        return status::kStreamError;
    }
    writer.endInput(0);
    for (size_t i = 0; i < sounds.size(); ++i) {
        if (soundOpen[i]) {
            writer.endInput(soundInput[i]);
        }
    }
    if (!writer.waitForEnd(error)) {
        return status::kStreamError;
    }
    return status::kOk;
}
