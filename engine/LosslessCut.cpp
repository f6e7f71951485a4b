#include "engine/LosslessCut.h"

#include <algorithm>
#include <memory>

#include "engine/CopyWriter.h"
#include "engine/CutPictures.h"
#include "engine/CutSound.h"
#include "engine/Mp4PictureTurn.h"

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
    std::unique_ptr<CutPictures> pictures;
    if (Status code = CutPictures::prepare(job_, abandoned_, finishing_, &pictures, error);
        ::failed(code)) {
        return code;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        counts_ = {.copied = pictures->copied(), .encoded = pictures->encoded()};
    }
    // Tracks with nothing in the span are left out.
    std::vector<std::unique_ptr<CutSound>> sounds;
    std::vector<GstTagListPtr> soundTags;
    std::vector<CopiedStream> soundStreams;
    for (size_t track = 0; track < job_.soundStreamIds.size(); ++track) {
        std::unique_ptr<CutSound> sound;
        if (Status code = CutSound::open(job_, track, &sound, error); ::failed(code)) {
            return code;
        }
        if (sound->caps()) {
            soundTags.push_back(sound->tags());
            soundStreams.push_back({.caps = sound->caps(), .tags = soundTags.back().get()});
            sounds.push_back(std::move(sound));
        }
    }
    CopyWriter writer;
    if (Status code = writer.open(job_, {.caps = pictures->caps(), .tags = pictures->streamTags()},
                                  soundStreams, pictures->fileTags(), &writtenBytes_, error);
        ::failed(code)) {
        return code;
    }
    const size_t written = writeInTimeOrder(*pictures, sounds, writer);
    for (size_t input = 0; input <= sounds.size(); ++input) {
        writer.endInput(input);
    }
    QString writerFailure;
    const bool closed = writer.waitForEnd(&writerFailure);
    if (!writerFailure.isEmpty() || !closed) {
        *error = writerFailure;
        return status::kStreamError;
    }
    if (job_.turnDegrees != 0 && ::failed(setMp4PictureTurn(job_.writePath, job_.turnDegrees))) {
        *error = QStringLiteral(
            "The turn of the pictures could not be written: players show them "
            "sideways.");
        return status::kStreamError;
    }
    if (!finishing_ && written != pictures->count()) {
        *error = pictures->failure();
        if (error->isEmpty()) {
            *error = QStringLiteral("%1 of the %2 pictures were written.")
                         .arg(written)
                         .arg(pictures->count());
        }
        return status::kStreamError;
    }
    return status::kOk;
}

size_t LosslessCut::writeInTimeOrder(CutPictures& pictures,
                                     std::vector<std::unique_ptr<CutSound>>& sounds,
                                     CopyWriter& writer) {
    const auto outTime = [&](int64_t time) {
        return GstClockTime(int64_t(CopyWriter::kTimeOrigin) + time - job_.start);
    };
    int64_t pictureDecoding = 0;
    GstBufferPtr picture = pictures.next(&pictureDecoding);
    std::vector<GstBufferPtr> nextSounds;
    for (std::unique_ptr<CutSound>& sound : sounds) {
        nextSounds.push_back(sound->next());
    }
    size_t written = 0;
    // A stop while the edges were being made still writes the first picture: the file is then
    // one a player opens.
    while (!abandoned_ && (!finishing_ || written == 0)) {
        // The earliest of the next packets goes first: a picture by its decoding time.
        int chosen = -1;
        int64_t earliest = picture ? pictureDecoding : INT64_MAX;
        for (size_t i = 0; i < sounds.size(); ++i) {
            if (nextSounds[i] && int64_t(GST_BUFFER_PTS(nextSounds[i].get())) < earliest) {
                chosen = int(i);
                earliest = int64_t(GST_BUFFER_PTS(nextSounds[i].get()));
            }
        }
        if (chosen < 0 && !picture) {
            break;
        }
        if (chosen < 0) {
            GstBuffer* packet = gst_buffer_make_writable(picture.release());
            const int64_t shownAt = int64_t(GST_BUFFER_PTS(packet));
            const GstClockTime length = GST_BUFFER_DURATION(packet);
            GST_BUFFER_PTS(packet) = outTime(shownAt);
            GST_BUFFER_DTS(packet) = outTime(pictureDecoding);
            if (!writer.push(0, GstBufferPtr(packet))) {
                break;
            }
            ++written;
            const int64_t reached =
                shownAt + (GST_CLOCK_TIME_IS_VALID(length) ? int64_t(length) : 0) - job_.start;
            writtenTime_ = std::max(writtenTime_.load(), reached / LosslessCutJob::kNsPerUnit);
            furthestWrittenTime_ = std::max(furthestWrittenTime_.load(), writtenTime_.load());
            picture = pictures.next(&pictureDecoding);
            continue;
        }
        const size_t track = size_t(chosen);
        GstBuffer* packet = gst_buffer_make_writable(nextSounds[track].release());
        // A packet that starts a little before the span is moved to its start.
        GST_BUFFER_PTS(packet) =
            outTime(std::max<int64_t>(int64_t(GST_BUFFER_PTS(packet)), job_.start));
        GST_BUFFER_DTS(packet) = GST_BUFFER_PTS(packet);
        const int64_t reached = int64_t(GST_BUFFER_PTS(packet) - CopyWriter::kTimeOrigin);
        if (!writer.push(track + 1, GstBufferPtr(packet))) {
            break;
        }
        furthestWrittenTime_ =
            std::max(furthestWrittenTime_.load(), reached / LosslessCutJob::kNsPerUnit);
        nextSounds[track] = sounds[track]->next();
        if (!nextSounds[track]) {
            writer.endInput(track + 1);  // the writer must not wait for more of it
        }
    }
    return written;
}
