#include "project/SourceOpener.h"

#include <QFile>

#include "base/SettingsStore.h"
#include "base/UserDialogs.h"
#include "language/Language.h"
#include "language/TextIds.h"
#include "output/settings/OutputSettings.h"
#include "project/Clock.h"
#include "project/ConversionProject.h"
#include "project/SourceProbe.h"

QString folderOf(const QString& path) {
    const qsizetype separator = path.lastIndexOf('/');
    return separator < 0 ? QString() : path.left(separator + 1);
}

SourceOpener::SourceOpener(ConversionProject& project, OutputSettings& settings,
                           ChooseTransition chooseTransition, SettingsStore& store,
                           UserDialogs& dialogs, const CLanguage& language)
    : project_(project),
      settings_(settings),
      chooseTransition_(std::move(chooseTransition)),
      store_(store),
      dialogs_(dialogs),
      language_(language) {}

bool SourceOpener::openSource(const QString& path) {
    const qsizetype pathBytes = QFile::encodeName(path).size();
    if (pathBytes > kMaxPathBytes) {
        dialogs_.showMessage(
            {.text = language_.GetMessageText(text_id::kSourcePathTooLong)
                         .arg(QString::number(pathBytes), QString::number(kMaxPathBytes), path),
             .caption = language_.GetMessageText(text_id::kError),
             .icon = MessageIcon::Error});
        return false;
    }

    // The previous source is forgotten from here on, also when this one fails.
    project_.videos.clear();
    project_.audios.clear();

    SourceProbe probe(settings_, dialogs_, language_);
    const std::optional<ProbedTimes> probed = probe.probeSource(path);
    if (!probed) {
        dialogs_.showMessage({.text = language_.GetMessageText(text_id::kNoDuration) +
                                      language_.GetMessageText(text_id::kNotOpenFile),
                              .caption = language_.GetMessageText(text_id::kError) +
                                         QStringLiteral(" IDS_MESSAGE_NO_DURATION"),
                              .icon = MessageIcon::Error});
        return false;
    }

    VideoItem video;
    video.path = path;
    video.duration = probed->duration;
    video.origin = probed->firstPicture;
    video.transition = chooseTransition_ ? chooseTransition_(0) : 0;
    project_.videos.push_back(video);

    project_.audios.push_back(
        {path, SourceProbe::probeAudioDuration(path), probed->soundAtFirstPicture});

    store_.writeText(QStringLiteral("Option"), QStringLiteral("LastPhotoFolder"),
                     folderOf(project_.videos.back().path));

    project_.startTime = 0;
    project_.endTime = project_.videos.front().duration;

    if (settings_.frameRateIndex == 0) {
        settings_.frameRate = settings_.sourceFrameRate;
    }
    return true;
}

ClipTimeTexts SourceOpener::clipTimeTexts() const {
    ClipTimeTexts texts;
    texts.position = QStringLiteral("00:00:00 / ") + formatClock(project_.endTime);
    texts.startTime = formatClock(0);
    texts.endTime = formatClock(project_.endTime);
    return texts;
}
