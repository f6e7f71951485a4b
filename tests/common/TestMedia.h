#pragma once

#include <QString>
#include <QStringList>
#include <string>

// Media files made at run time for the tests, from GStreamer's test sources.
struct ClipSpec {
    int frames = 50;  // video frames; also sets the length when there is video
    int fpsNumerator = 25;
    int fpsDenominator = 1;
    int width = 320;
    int height = 240;
    bool video = true;
    bool audio = true;
    double audioSeconds = -1;                   // audio length; negative: as long as the video
    QString container = QStringLiteral("avi");  // avi, mkv or wav (audio only)

    double seconds() const { return double(frames) * fpsDenominator / fpsNumerator; }
};

// Writes the clip to folder/name and returns its path; fails the calling test (ADD_FAILURE) and
// returns an empty text when GStreamer could not write it.
QString makeClip(const QString& folder, const QString& name, const ClipSpec& clip);

// An animated GIF: GStreamer has no GIF writer, so ffmpeg's test source makes it.
QString makeGif(const QString& folder, const QString& name, int frames, int fps,
                const QString& size = "160x120");

// A GIF of `dark` black pictures and then `light` white ones at `fps`: a converted frame's
// brightness tells which part of the animation it came from.
QString makeDarkThenLightGif(const QString& folder, const QString& name, int dark, int light,
                             int fps);

// A camera-style recording as ffmpeg writes it (H.264 and AAC, 320x240 at 30 fps, 25 fps when
// the pictures are not 4:2:0 8-bit), the container chosen by the name's extension; the picture
// and the sound may differ in length.
QString makeRecordedClip(const QString& folder, const QString& name, double pictureSeconds,
                         double soundSeconds, const QString& pixelFormat = "yuv420p");

// A recording as a camera's with B-frames (H.264 and AAC in MP4, so each track has an edit list of
// its own): 320x240 at 30 fps whose pictures at 1, 3 and 5 s are white, and whose sound is silent
// but for 10 ms clicks at the same times.
QString makeSyncMarkedRecording(const QString& folder, const QString& name, double pictureSeconds,
                                double soundSeconds);

// A recording of a few hundred kilobytes a picture (640x360 at 30 fps, lossless H.264 of a
// noisy picture, with AAC), as heavy as a camera's 1080p at full quality for the readers.
QString makeHeavyRecording(const QString& folder, const QString& name, double seconds);

// A broadcast-style recording: 2 s of 576i25 H.264 (top field first, flagged so) with sound,
// the fields of a moving 50 fps picture, in MPEG-TS.
QString makeInterlacedRecording(const QString& folder, const QString& name);

// A film-style recording: 2 s of 320x240 H.264 with 5.1 AC-3 sound, each channel a tone of its
// own: front left 300 Hz, front right 1000 Hz, centre 200 Hz, LFE 50 Hz, surrounds 500 and 700 Hz.
QString makeSurroundRecording(const QString& folder, const QString& name);

// A phone-style recording: a 2 s, 25 fps portrait picture (360x640, gray with a white 80x80 square
// in its top-left corner) stored turned so that it shows upright only when turned by `rotation`
// degrees (0, 90, 180 or 270) as its MP4 tag says. ffmpeg writes it.
QString makeTurnedClip(const QString& folder, const QString& name, int rotation);

// Runs ffmpeg quietly with these arguments (overwriting its output); whether it succeeded.
bool runFfmpeg(const QStringList& arguments);

// A file of the given size whose bytes are no media format at all.
QString makeGarbage(const QString& folder, const QString& name, int bytes);

// Copies the first `bytes` bytes of a real file, as a cut-off download would leave it.
QString makeTruncatedCopy(const QString& source, const QString& folder, const QString& name,
                          qint64 bytes);

// A file's name as a test's name: letters and digits, the rest "_" ("vp9.webm": vp9_webm).
std::string fileTestName(const char* file);

// A folder that lives as long as the test program; clips made with sharedClip() are kept there
// and made only once per program, however many tests use them.
QString testMediaFolder();
QString sharedClip(const QString& name, const ClipSpec& clip);

// The clips most tests need.
namespace clips {
QString tenPointNineSeconds();  // 10.9 s, 320x240 at 10 fps, with sound
QString halfSecond();           // 0.5 s, 160x120 at 10 fps, with sound
QString audioOnly();            // 3 s of sound in a WAV file
QString corrupt();              // random bytes named .avi
}  // namespace clips
