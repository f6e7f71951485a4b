#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "app/SettingsStore.h"
#include "language/Language.h"
#include "media/MediaFramework.h"
#include "output/OutputSettings.h"
#include "project/ConversionProject.h"
#include "project/ProjectDefaults.h"
#include "project/SourceOpener.h"
#include "project/TransitionChooser.h"
#include "tools/ConsoleDialogs.h"

namespace {

// The desktop program's settings: the command line reads them and never writes them.
constexpr const char* kProgramSettingsName = "quenzel";

int printInfo(const QString& path) {
    ConsoleDialogs dialogs;
    SettingsStore store(QString::fromLatin1(kProgramSettingsName), SettingsStore::Access::ReadOnly);
    CLanguage language;
    ConversionProject project;
    project.defaults = loadProjectDefaults(store);
    OutputSettings settings;
    TransitionChooser transitions;
    transitions.setDefaults(project.defaults);
    SourceOpener opener(project, settings, transitions, store, dialogs, language);
    if (!opener.openSource(path)) {
        return 1;
    }
    QTextStream out(stdout);
    out << "duration: " << project.videos.front().duration / kUnitsPerSecond << '\n';
    out << "width: " << settings.sourceWidth << '\n';
    out << "height: " << settings.sourceHeight << '\n';
    out << "frame-rate: " << QString::asprintf("%.3f", settings.sourceFrameRate) << '\n';
    out << "audio-duration: " << project.audios.front().duration << '\n';
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quenzel-convert"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Converts a video file the way Quenzel does, from the command line.\n"
                       "Uses Quenzel's stored output settings and never changes them."));
    parser.addHelpOption();
    const QCommandLineOption infoOption(
        QStringLiteral("info"),
        QStringLiteral("Open FILE as Quenzel's Open Video does and print what it takes, one "
                       "'name: value' per line: duration (whole seconds), width, height, "
                       "frame-rate (frames per second) and audio-duration (100-ns units; 0 or -1 "
                       "when the sound cannot be measured). Exit status 1 when FILE cannot be "
                       "opened; the reason is printed on standard error."),
        QStringLiteral("FILE"));
    parser.addOption(infoOption);
    parser.process(application);

    QString startError;
    if (failed(initMediaFramework(&startError))) {
        QTextStream(stderr) << "GStreamer could not start: " << startError << '\n';
        return 1;
    }
    if (parser.isSet(infoOption)) {
        return printInfo(parser.value(infoOption));
    }
    parser.showHelp(2);
}
