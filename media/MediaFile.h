#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "media/Status.h"

typedef struct _GstDiscovererInfo GstDiscovererInfo;

struct MediaFacts;

// A media file opened for its facts: the program's way to ask whether GStreamer can play a file
// and how long and how large it is. Opening reads only the file's headers and first frames, so it
// takes the same short time whatever the file's length. Times are 100-ns units.
class MediaFile {
  public:
    // Fails with a status when the file is missing, is no media file, or needs an element that is
    // not installed; errorText (when given) then receives the framework's explanation.
    static Status open(const QString& path, std::unique_ptr<MediaFile>* file,
                       QString* errorText = nullptr);

    ~MediaFile();
    MediaFile(const MediaFile&) = delete;
    MediaFile& operator=(const MediaFile&) = delete;

    // The end of the playable part, counted from the first picture; fails when the length is
    // unknown (a live stream, say).
    Status stopPosition(int64_t* position) const;
    // The whole length of the media; the same figure for files.
    Status duration(int64_t* length) const;
    // Where the first picture lies on the file's own clock (GStreamer's stream time, which seeks
    // take): 0 for most files, half a second or more for MPEG program and transport streams.
    int64_t firstPictureTime() const;
    // The sound's clock at the first picture: the sound of an MP4 file may start its clock
    // elsewhere than the picture does. The picture's clock where the file has no sound.
    int64_t soundTimeAtFirstPicture() const;
    // Picture size as shown: width and height swapped for a picture tagged to be turned a quarter
    // (phone recordings). Fails with kNoInterface when the file has no decodable picture.
    Status videoSize(int32_t* width, int32_t* height) const;
    // Seconds per frame; fails when the file has no picture or no frame rate of its own.
    Status averageTimePerFrame(double* secondsPerFrame) const;

    bool hasVideo() const;
    bool hasAudio() const;

  private:
    explicit MediaFile(std::unique_ptr<MediaFacts> facts);
    std::unique_ptr<MediaFacts> facts_;
};

// GStreamer's URI for a local path, relative paths resolved against the working folder.
QString fileUri(const QString& path);

// Whether what a discovery found no reader for are only tracks beside the pictures and the sound
// (subtitles, data): those are left out, and the file is still converted.
bool missesOnlyExtraTracks(GstDiscovererInfo* info);
