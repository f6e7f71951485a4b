#pragma once

#include <gst/gst.h>

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

#include "media/GPtr.h"
#include "media/Status.h"

using GstBufferPtr = GstMiniPtr<GstBuffer>;

// Which stream of a file to read, and in what form.
struct PacketRequest {
    // The stream's id; empty: the first stream whose caps start with `kind`.
    QString streamId;
    const char* kind = "video/";
    // Elements between the file's parsed stream and us, in gst-launch form ("h264parse
    // config-interval=-1 ! video/x-h264,stream-format=avc3"); empty: the stream as parsed.
    QByteArray chain;
    // Reading starts at the random-access point at or before this time (ns, on the stream's own
    // clock, as its packets carry it); negative: at the beginning.
    int64_t from = -1;
    // Decoded pictures or sound instead of packets. With `to` (ns; negative: none), reading
    // starts exactly at `from` and ends at `to`, each decoded buffer clipped to that span.
    bool decoded = false;
    int64_t to = -1;
    // Makes the elements between the stream and us instead of `chain` (a bin with a sink and a
    // src pad, a new reference); empty: `chain` serves.
    std::function<GstElement*()> makeChain;
};

// Reads the coded packets of one stream of a file as the file holds them, nothing decoded, in
// decoding order (or, when asked, its decoded buffers). The other streams are read and thrown away.
// A bounded queue keeps the reading no further ahead than the taking.
class PacketReader {
  public:
    static Status open(const QString& path, const PacketRequest& request,
                       std::unique_ptr<PacketReader>* reader, QString* error);
    ~PacketReader();
    PacketReader(const PacketReader&) = delete;
    PacketReader& operator=(const PacketReader&) = delete;

    // The next packet; null at the end of the stream or on a failure (see errorText()).
    GstBufferPtr next();
    // The caps of the packets (after the first has come); null before.
    GstCaps* caps() const { return caps_.get(); }
    // The segment the packets' times are in (after the first has come).
    const GstSegment& segment() const { return segment_; }
    // The tags of the stream, or of the whole file, that came with the packets so far (a
    // picture's turn, a track's language, the file's title); empty when none did.
    GstTagListPtr tags(GstTagScope scope) const;
    // The framework's text of a failure; empty when the stream simply ended.
    QString errorText();

  private:
    PacketReader() = default;
    static void onPadAdded(GstElement* parser, GstPad* pad, gpointer self);
    void takePad(GstPad* pad);

    PacketRequest request_;
    GObjectPtr<GstElement> pipeline_;
    GstElement* sink_ = nullptr;  // owned by the pipeline
    bool taken_ = false;
    GstCapsPtr caps_;
    GstSegment segment_{};
    QString linkFailure_;
};
