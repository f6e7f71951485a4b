#include "tests/engine/ConversionFixture.h"

#include <QEventLoop>
#include <QTimer>

#include "engine/TransitionChooser.h"
#include "output/compressors/CurrentCompressors.h"
#include "output/formats/OutputFormats.h"
#include "project/SourceOpener.h"

ConversionFixture::ConversionFixture() {
    settings.outputName = outputPath("out.avi");
    settings.outputFormat = OutputSettings::kAvi;
    settings.frameRateIndex = 3;
    settings.frameRate = 25.0;
    settings.useVideoCompressor = 0;
    settings.useAudioCompressor = 0;
    QObject::connect(&job, &ConversionJob::statusLineChanged,
                     [this](const QString& line) { statusLines.append(line); });
}

ConversionFixture::~ConversionFixture() {
    releaseCompressors();
}

void ConversionFixture::openSource(const QString& path) {
    TransitionChooser transitions(3);
    SourceOpener opener(
        project, settings, [&](int position) { return transitions.chooseTransition(position); },
        store, dialogs, language);
    ASSERT_TRUE(opener.openSource(path)) << dialogs.texts().join('|').toStdString();
}

void ConversionFixture::useCompressor(CompressorKind kind, const char* factory) {
    const OutputFormat* format = outputFormat(settings.outputFormat);
    if (format && format->compressors == CompressorSource::OwnChoice) {
        OwnCompressors& own = settings.ownCompressors[format->value];
        (kind == CompressorKind::Video ? own.video : own.audio) = QString::fromLatin1(factory);
        return;
    }
    const QList<CompressorEntry> entries = compressorCatalogue(kind);
    for (int position = 0; position < entries.size(); ++position) {
        if (entries[position].factoryName == QLatin1String(factory)) {
            ASSERT_TRUE(bindCompressor(kind, position, dialogs));
            (kind == CompressorKind::Video ? settings.useVideoCompressor
                                           : settings.useAudioCompressor) = 1;
            return;
        }
    }
    FAIL() << factory << " is not in the compressor catalogue";
}

ConversionJob::Outcome ConversionFixture::convert(int timeoutMs) {
    QEventLoop loop;
    QObject::connect(&job, &ConversionJob::finished, &loop, &QEventLoop::quit);
    job.startConversion();
    if (!job.isConverting()) {
        return ConversionJob::Outcome::None;  // refused, or failed before it started
    }
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    if (job.isConverting()) {
        ADD_FAILURE() << "The conversion did not end within " << timeoutMs << " ms";
        job.finishConversion();
    }
    return job.lastOutcome();
}
