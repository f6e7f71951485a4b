#pragma once

#include <gst/gst.h>

#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/WritingGraph.h"
#include "media/SourceTracks.h"
#include "media/Status.h"

class CopyWriter;
class CutPictures;
class CutSound;
struct CopyCodec;
struct OutputFormat;

// What a copied cut writes: the source's pictures (and sound tracks) between two times, into a
// file of a format whose writer holds them as they are.
struct LosslessCutJob {
    // Its times are nanoseconds; the program's elsewhere are 100-ns units.
    static constexpr int64_t kNsPerUnit = 100;

    QString source;
    QString videoStreamId;  // empty: the first video stream
    const CopyCodec* codec = nullptr;
    std::vector<QString> soundStreamIds;  // in this order
    // For each copied track, the elements its packets go through to be written ("aacparse ! ..."
    // for AAC in ADTS frames, which the writers take raw); empty: none.
    std::vector<QByteArray> soundChains;
    // Makes what encodes the sound tracks again (a bin from decoded sound to packets the writer
    // takes); empty: the sound is copied as it is, in whole packets.
    std::function<GstElement*()> soundEncoder;
    // The subtitle tracks written beside them, their cues cut to the span.
    std::vector<SourceTrack> subtitleTracks;
    int64_t start = 0;  // ns on the picture's clock
    int64_t stop = 0;
    // How far the sound's clock runs ahead of the picture's (an MP4 file's tracks each have an
    // edit list of their own).
    int64_t soundShift = 0;
    // The clockwise turn that shows the pictures upright (a phone's recording), written into an
    // MP4 file's header once it is closed; 0: none.
    int turnDegrees = 0;
    const OutputFormat* format = nullptr;
    QString writePath;
    QString scratchPath;  // where the writer may keep a file of its own
};

// A copied cut: every group of pictures wholly inside the span is copied byte for byte, the
// pictures before the first such group and after the last one are decoded and encoded again with
// the source's codec (see planLosslessCut). Sound is copied in whole packets. It works on a
// thread of its own: the index of the source's pictures, the two edges, then the copy.
class LosslessCut : public WritingGraph {
    Q_OBJECT
  public:
    explicit LosslessCut(LosslessCutJob job, QObject* parent = nullptr);
    ~LosslessCut() override;

    void start();

    void beginFinish() override;
    bool isFinishing() const override { return finishing_.load(); }
    bool finishAndWait(int timeoutMs) override;
    void stop() override;
    QString errorText() override;
    int64_t writtenTime() const override { return writtenTime_.load(); }
    int64_t furthestWrittenTime() const override { return furthestWrittenTime_.load(); }
    int64_t writtenBytes() const override { return writtenBytes_.load(); }
    StreamsReached sourceReach() const override { return {}; }

    // How the cut is made: the pictures copied, and those encoded at the edges.
    struct Counts {
        size_t copied = 0;
        size_t encoded = 0;
    };
    Counts counts() const;

  private:
    void work();
    Status cut(QString* error);
    // Gives the writer the pictures and the sound packets in time order until they end or the
    // cut is stopped; the number of pictures written.
    size_t writeInTimeOrder(CutPictures& pictures, std::vector<std::unique_ptr<CutSound>>& sounds,
                            CopyWriter& writer);
    void end(const QString& failure);

    LosslessCutJob job_;
    std::thread thread_;
    std::atomic<bool> finishing_{false};
    std::atomic<bool> abandoned_{false};
    std::atomic<int64_t> writtenTime_{0};
    std::atomic<int64_t> furthestWrittenTime_{0};
    std::atomic<int64_t> writtenBytes_{0};
    mutable std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    QString failure_;
    Counts counts_;
};
