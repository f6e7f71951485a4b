#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

#include "media/Sound.h"

// A short WAV sound (a click, a chime) played through the framework's default sound output.
// One pipeline per clip: playing it again while it still sounds starts it over instead of
// stacking a second one, so a mouse crossing many buttons quickly never piles up pipelines.
// State changes happen on the framework's own threads, so play() never waits for a sound
// device. Without a working sound output the clip plays into nothing, silently.
class SoundClip : public QObject, public Sound {
    Q_OBJECT
  public:
    // wave: the whole WAV file. audioSink: the factory of the element that plays it.
    explicit SoundClip(const QByteArray& wave, QObject* parent = nullptr,
                       const char* audioSink = "autoaudiosink");
    ~SoundClip() override;

    // Reads a WAV file, also from the program's resources (":/sounds/..."). An unreadable file
    // gives a silent clip.
    static std::unique_ptr<SoundClip> fromFile(const QString& path, QObject* parent = nullptr);

    // Starts the clip from its beginning and returns at once. Nothing happens once the clip
    // has proved silent.
    void play() override;

    // True when the clip cannot be heard: no data, data the framework cannot play, or a
    // pipeline that failed. A failed clip is not tried again: it is only a decoration.
    bool isSilent() const { return silent_; }

  Q_SIGNALS:
    // The clip played to its end.
    void finished();
    // The clip turned out silent; the text is the reason.
    void becameSilent(const QString& reason);

  private:
    class Player;

    void markSilent(const QString& reason);

    std::shared_ptr<Player> player_;
    bool silent_ = false;
};
