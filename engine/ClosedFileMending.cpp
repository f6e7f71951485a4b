#include "engine/ClosedFileMending.h"

#include <QFileInfo>

#include "engine/AsfPacketLengths.h"
#include "engine/MatroskaTagStrings.h"
#include "engine/Mp4RecordingTime.h"
#include "media/SourceTracks.h"
#include "output/formats/OutputFormats.h"

void mendClosedFile(const QString& path, const OutputFormat& format, const QString& source) {
    if (!QFileInfo::exists(path)) {
        return;
    }
    if (format.mendPacketLengths) {
        fixAsfPacketLengths(path);
    }
    if (format.mendTagStrings) {
        fixMatroskaTagStrings(path);
    }
    if (format.stampsRecordingTime && !source.isEmpty()) {
        const std::optional<SourceContents> contents = readSourceContents(source);
        if (contents && contents->recordedAt) {
            setMp4CreationTime(path, *contents->recordedAt);
        }
    }
}
