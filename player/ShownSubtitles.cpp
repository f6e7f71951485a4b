#include "player/ShownSubtitles.h"

#include <QCoreApplication>
#include <QPointer>
#include <QRegularExpression>
#include <QThread>
#include <algorithm>

#include "media/SourceTracks.h"

ShownSubtitles::ShownSubtitles(const QString& clipPath) {
    // The reading may outlive the clip's window: it hands its cues over only while the window
    // is there, and the thread deletes itself when done.
    QPointer<ShownSubtitles> self(this);
    QThread* thread = QThread::create([self, clipPath] {
        std::optional<SourceContents> contents = readSourceContents(clipPath);
        if (!contents) {
            return;
        }
        const auto text = std::find_if(
            contents->tracks.begin(), contents->tracks.end(), [](const SourceTrack& track) {
                return track.kind == SourceTrack::Kind::Subtitles && track.text;
            });
        if (text == contents->tracks.end()) {
            return;
        }
        std::optional<std::vector<SubtitleCue>> cues =
            readSubtitleCues(text->file.isEmpty() ? clipPath : text->file, text->streamId);
        if (!cues || cues->empty()) {
            return;
        }
        QMetaObject::invokeMethod(qApp, [self, cues = std::move(*cues)]() mutable {
            if (self) {
                self->cues_ = std::move(cues);
                Q_EMIT self->cuesRead();
            }
        });
    });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

QString ShownSubtitles::textAt(int64_t clockTime) const {
    const SubtitleCue* cue = cueAt(cues_, clockTime);
    if (!cue) {
        return {};
    }
    static const QRegularExpression tags(QStringLiteral("</?[ibu]>|\\{[^}]*\\}"));
    return QString::fromUtf8(cue->text).remove(tags);
}

const SubtitleCue* cueAt(const std::vector<SubtitleCue>& cues, int64_t time) {
    auto it = std::upper_bound(cues.begin(), cues.end(), time,
                               [](int64_t t, const SubtitleCue& cue) { return t < cue.start; });
    while (it != cues.begin()) {
        --it;
        if (time < it->stop) {
            return &*it;
        }
    }
    return nullptr;
}
