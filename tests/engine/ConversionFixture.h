#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "base/SettingsStore.h"
#include "engine/ConversionJob.h"
#include "language/Language.h"
#include "output/compressors/CompressorCatalogue.h"
#include "output/settings/OutputSettings.h"
#include "project/ConversionProject.h"
#include "tests/common/ScriptedDialogs.h"
#include "tests/common/TempConfig.h"

// A source opened as Open Video does, output settings pointing into a temporary folder, and a
// conversion job over both, run to its end inside the test's event loop.
class ConversionFixture : public ::testing::Test {
  protected:
    ConversionFixture();
    ~ConversionFixture() override;

    // Opens a source; fails the test when it cannot be opened.
    void openSource(const QString& path);
    // Binds the compressor of an encoder factory and switches compression on; for a format with a
    // compressor choice of its own (set the format first), makes it that choice.
    void useCompressor(CompressorKind kind, const char* factory);
    // Starts the job and waits (at most `timeoutMs`) for it to end.
    ConversionJob::Outcome convert(int timeoutMs = 60000);
    QString outputPath(const QString& name) const { return outputFolder.path() + '/' + name; }

    TempConfig config;
    SettingsStore store{"quenzel"};
    ScriptedDialogs dialogs;
    CLanguage language;
    ConversionProject project;
    OutputSettings settings;
    QTemporaryDir outputFolder;
    ConversionJob job{project, settings, dialogs, language};
    QStringList statusLines;
};
