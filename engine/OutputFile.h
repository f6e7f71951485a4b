#pragma once

#include <QString>

// Where a conversion writes: a new file beside the output, which takes the output's place only
// when the conversion ends with something worth keeping. A conversion that fails, or never
// starts, leaves the file that was there untouched.
class OutputFile {
  public:
    explicit OutputFile(QString finalPath);

    const QString& finalPath() const { return finalPath_; }
    const QString& writingPath() const { return writingPath_; }
    // Where the writer may keep a file of its own while it writes; removed with what is written.
    QString scratchPath() const { return writingPath_ + QStringLiteral(".scratch"); }

    // Puts the written file in the output's place. False, with the system's reason, when it
    // cannot; the written file then stays at writingPath().
    bool commit(QString* error);
    // Removes what was written (and the writer's scratch file).
    void discard();

  private:
    QString finalPath_;
    QString writingPath_;
};
