#include "app/OpenVideo.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "base/SettingsStore.h"
#include "language/Language.h"
#include "language/TextIds.h"

FileDialogRequest openVideoRequest(const SettingsStore& store, const CLanguage& language) {
    FileDialogRequest request;
    request.title = language.GetMessageText(text_id::kOpenFile);
    request.initialFolder =
        store.readText(QStringLiteral("Option"), QStringLiteral("LastPhotoFolder"), QString());
    request.filters = {
        {QStringLiteral("Any Files (*.*)"), QStringLiteral("*.*")},
        {QStringLiteral("Video Files (*.mpeg;*.mpg;*.avi;*.wmv;*.dat;*.asf;*.vob;*.ogm;*.divx;"
                        "*.div;*.mkv;*.mp4;*.m4v;*.mov;*.webm;*.ts;*.3gp;*.flv;*.ogv;*.gif)"),
         QStringLiteral("*.mpeg;*.mpg;*.avi;*.asf;*.wmv;*.dat;*.vob;*.ogm;*.divx;*.div;*.mkv;"
                        "*.mp4;*.m4v;*.mov;*.webm;*.ts;*.3gp;*.flv;*.ogv;*.gif")},
    };
    request.selectedFilter = 0;
    return request;
}

std::optional<QString> droppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls()) {
        return std::nullopt;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) {
            return url.toLocalFile();
        }
    }
    return std::nullopt;
}
