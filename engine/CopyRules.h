#pragma once

#include <QString>
#include <optional>

#include "engine/LosslessCut.h"

class CLanguage;
struct ConversionProject;
struct OutputSettings;

// A copied cut as the settings and the project ask for it, or the reason it cannot be made,
// found before anything is written: another size or rate, a size target, more than the one
// video, a codec the format cannot hold or we cannot encode at the edges.
// The job lacks only where it writes.
struct CopyDecision {
    std::optional<LosslessCutJob> job;
    QString refusal;
};

CopyDecision decideLosslessCut(const ConversionProject& project, const OutputSettings& settings,
                               const CLanguage& language);
