#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <vector>

#include "media/SubtitleCues.h"

// The subtitles the player draws over the picture: those of the first text track of the clip
// (its own or a .srt beside it), the one a conversion writes first. They are read on a thread of
// their own, since reading them means reading the file's packets from start to end.
class ShownSubtitles : public QObject {
    Q_OBJECT
  public:
    explicit ShownSubtitles(const QString& clipPath);

    // The text on screen at `clockTime` (the time a picture carries in the file, 100-ns units),
    // without its markup; empty when none shows.
    QString textAt(int64_t clockTime) const;

  Q_SIGNALS:
    void cuesRead();

  private:
    std::vector<SubtitleCue> cues_;
};

// The cue shown at `time` in cues ordered by their start (the last one begun wins).
const SubtitleCue* cueAt(const std::vector<SubtitleCue>& cues, int64_t time);
