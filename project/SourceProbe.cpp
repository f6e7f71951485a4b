#include "project/SourceProbe.h"

#include <QFileInfo>

#include "base/UserDialogs.h"
#include "language/Language.h"
#include "language/TextIds.h"
#include "media/MediaFile.h"
#include "media/MediaFramework.h"
#include "media/SourceTracks.h"
#include "output/settings/OutputSettings.h"

SourceProbe::SourceProbe(OutputSettings& settings, UserDialogs& dialogs, const CLanguage& language)
    : settings_(settings), dialogs_(dialogs), language_(language) {}

void SourceProbe::fail(const QString& text) {
    dialogs_.showMessage(
        {.text = text, .caption = QStringLiteral("Error"), .icon = MessageIcon::Error});
}

std::optional<ProbedTimes> SourceProbe::probeSource(const QString& path) {
    if (failed(initMediaFramework())) {
        fail(QStringLiteral("Failed to CoCreateInstance"));
        return std::nullopt;
    }

    std::unique_ptr<MediaFile> file;
    QString reason;
    if (failed(MediaFile::open(path, &file, &reason))) {
        MessageRequest request;
        request.text = language_.GetMessageText(text_id::kNotOpenFile);
        request.caption = language_.GetMessageText(text_id::kError) +
                          QStringLiteral(" IDS_MESSAGE_NOT_OPEN_FILE");
        request.icon = MessageIcon::Error;
        request.ownedByMainWindow = false;
        request.details = reason;
        dialogs_.showMessage(request);
        return std::nullopt;
    }

    // An animated GIF has no stop position of its own, only a whole length.
    int64_t duration = 0;
    const bool isGif =
        QFileInfo(path).suffix().compare(QLatin1String("gif"), Qt::CaseInsensitive) == 0;
    const Status lengthStatus = isGif ? file->duration(&duration) : file->stopPosition(&duration);
    if (failed(lengthStatus)) {
        fail(QStringLiteral("Failed to GetStopPosition"));
        return std::nullopt;
    }

    int32_t width = 0;
    int32_t height = 0;
    if (failed(file->videoSize(&width, &height))) {
        fail(QStringLiteral("Failed to GetVideoSize, please install appropriate video decoder"));
        return std::nullopt;
    }
    settings_.sourceWidth = width;
    settings_.sourceHeight = height;
    settings_.outputWidth = width;
    settings_.outputHeight = height;

    double secondsPerFrame = 0;
    if (failed(file->averageTimePerFrame(&secondsPerFrame))) {
        fail(QStringLiteral("Failed to get_AvgTimePerFrame"));
        return std::nullopt;
    }
    settings_.sourceFrameRate = 1.0 / secondsPerFrame;
    settings_.sourceSoundTracks.clear();
    settings_.sourceVideoFormat.clear();
    settings_.sourceSoundFormat.clear();
    if (const std::optional<SourceContents> contents = readSourceContents(path)) {
        for (const SourceTrack& track : contents->tracks) {
            if (track.kind == SourceTrack::Kind::Sound) {
                settings_.sourceSoundTracks.append(trackLanguageAndTitle(track));
                if (settings_.sourceSoundFormat.isEmpty()) {
                    settings_.sourceSoundFormat = track.format;
                }
            } else if (track.kind == SourceTrack::Kind::Video &&
                       settings_.sourceVideoFormat.isEmpty()) {
                settings_.sourceVideoFormat = track.format;
            }
        }
    }
    return ProbedTimes{.duration = duration,
                       .firstPicture = file->firstPictureTime(),
                       .soundAtFirstPicture = file->soundTimeAtFirstPicture()};
}

int64_t SourceProbe::probeAudioDuration(const QString& path) {
    if (failed(initMediaFramework())) {
        return 0;
    }
    std::unique_ptr<MediaFile> file;
    int64_t stop = 0;
    if (failed(MediaFile::open(path, &file)) || failed(file->stopPosition(&stop))) {
        return -1;
    }
    return stop;
}
