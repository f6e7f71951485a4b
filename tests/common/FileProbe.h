#pragma once

#include <QJsonObject>
#include <QList>
#include <QRect>
#include <QString>

// What ffprobe reads from a written file: an independent check of our output.
struct ProbedStream {
    QString type;  // "video" or "audio"
    QString codec;
    QString profile;      // e.g. "High", "LC"
    QString pixelFormat;  // e.g. "yuv420p"
    int channels = 0;     // sound
    int width = 0;
    int height = 0;
    double frameRate = 0;  // average frames per second
    double duration = -1;  // seconds; -1 when the container does not say
    qint64 frames = -1;    // decoded frames (video)
    double startTime = 0;
    int rotation = 0;  // degrees of the display matrix, as ffprobe gives them
    QString language;
};

struct ProbedFile {
    bool readable = false;
    QString container;  // ffprobe's format name, e.g. "avi"
    double duration = -1;
    QString title;
    QList<ProbedStream> streams;

    const ProbedStream* stream(const QString& type) const;
};

// Runs ffprobe on a file, counting the video frames.
ProbedFile probeFile(const QString& path);

// The share (0-1) of a file's pictures that ffmpeg's field detector (idet) finds progressive;
// -1 when it cannot tell.
double progressiveShare(const QString& path);

// The mean level (dB) of one tone (a narrow band around `frequency`) in one channel of a file's
// sound, the channel named as ffmpeg names it ("FL", "FC", "c0"...); -1000 when it cannot tell.
double toneLevel(const QString& path, const QString& channel, int frequency);

// Where (seconds) a file's first white picture shows, and where its sound first gets loud; -1
// when it has none.
double firstWhitePictureAt(const QString& path);
double firstLoudSoundAt(const QString& path);

// The mean brightness (0-255) of the rows [firstRow, lastRow) of the first frame at `seconds`.
double meanBrightness(const QString& path, double seconds, int firstRow, int lastRow);
// The same for an area of that frame.
double meanBrightnessIn(const QString& path, double seconds, const QRect& area);
