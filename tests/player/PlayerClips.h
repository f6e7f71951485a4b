#pragma once

#include <QImage>
#include <QString>
#include <functional>

// Clips for the player's tests, made with ffmpeg once per test program.

// 90 s at 10 fps, 96x64, H.264 with a key frame every 2 s, with sound. Every picture shows its own
// frame number in three grey columns (hundreds, tens, units), so a test can tell which picture
// is on screen.
QString numberedClip();
// The same kind of clip, 1 s long (10 pictures).
QString shortNumberedClip();
// 10 s numbered clip in Matroska, cut off after half of its bytes.
QString cutOffClip();
// A phone recording: 160x90 stored, marked to be shown turned by 90 degrees.
QString rotatedClip();

// The frame number a numbered picture shows; -1 when the picture shows none.
int frameNumberShown(const QImage& picture);

// Runs the event loop until done() is true or the bound has passed; false on the bound.
bool waitFor(const std::function<bool()>& done, int boundMs = 15000);
