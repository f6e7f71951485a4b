#include "engine/OutputFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

OutputFile::OutputFile(QString finalPath) : finalPath_(std::move(finalPath)) {
    writingPath_ = finalPath_ + QStringLiteral(".part");
    for (int attempt = 2; QFileInfo::exists(writingPath_); ++attempt) {
        writingPath_ = finalPath_ + QStringLiteral(".%1.part").arg(attempt);
    }
}

bool OutputFile::commit(QString* error) {
    QFile::remove(scratchPath());
    if (!QFileInfo::exists(writingPath_)) {
        return true;  // a preview writes no file
    }
    // rename() replaces an existing output in one step, so no moment is without a file.
    if (std::rename(QFile::encodeName(writingPath_).constData(),
                    QFile::encodeName(finalPath_).constData()) != 0) {
        if (error) {
            *error = QString::fromLocal8Bit(strerror(errno));
        }
        return false;
    }
    return true;
}

void OutputFile::discard() {
    QFile::remove(writingPath_);
    QFile::remove(scratchPath());
}
