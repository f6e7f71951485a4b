#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// The pictures of a file's first video stream as ffmpeg decodes them, in the order they show,
// each as 8-bit 4:2:0 samples (planes one after the other, rows without padding) at the given
// size, scaled to it when the file's pictures have another. At a fixed `rate` (ffmpeg's form,
// "25" or "30000/1001") when one is given, each picture repeated for as long as it shows.
struct DecodedPictures {
    bool readable = false;
    std::vector<QByteArray> pictures;
};
DecodedPictures decodePictures(const QString& path, int width, int height,
                               const QStringList& inputOptions = {}, const QString& rate = {});

// The peak signal-to-noise ratio of a picture against a reference of the same size, in dB;
// 99 for identical pictures.
double pictureSnr(const QByteArray& picture, const QByteArray& reference);

// How closely a written file's pictures follow its source's, picture by picture.
struct PictureFidelity {
    int written = 0;
    int source = 0;
    double lowestSnr = 99;
    int lowestAt = -1;  // the picture with the lowest ratio

    std::string describe() const;
};
// `skipped`: source pictures before the first one the written file should hold.
PictureFidelity compareWithSource(const QString& written, const QString& source, int width,
                                  int height, int skipped = 0);
