// Shows one of the output windows on the display, for screenshots (scripts/screenshots):
//     quenzel-show-dialogs options|properties|filters [--format avi|wmv|mp4|...] [--language NAME]
// Once the window is on screen its X window id is printed on a line of its own; the program ends
// when a line (or the end) arrives on its standard input, and after a minute at the latest.
// Settings and presets go where XDG_CONFIG_HOME and XDG_DATA_HOME point.

#include <gst/gst.h>

#include <unistd.h>
#include <QApplication>
#include <QCommandLineParser>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "base/QtUserDialogs.h"
#include "base/SettingsStore.h"
#include "language/Language.h"
#include "media/MediaFramework.h"
#include "output/compressors/CurrentCompressors.h"
#include "output/formats/OutputFormats.h"
#include "output/properties/ElementProperties.h"
#include "output/properties/GraphPropertiesDialog.h"
#include "output/properties/PropertyDialog.h"
#include "output/settings/OutputOptionsDialog.h"
#include "output/settings/OutputSettingsStore.h"

namespace {

constexpr int kLongestShowMs = 60000;
constexpr int kSettleMs = 800;

// A source as after Open Video, saved to a file in the Videos folder.
OutputSettings sampleRecord(int32_t format) {
    OutputSettings record;
    record.outputFormat = format;
    record.outputName = QStringLiteral("/home/user/Videos/holiday.avi");
    record.sourceWidth = record.outputWidth = 1280;
    record.sourceHeight = record.outputHeight = 720;
    record.sourceFrameRate = 29.97;
    record.videoItemCount = 1;
    record.videoBitrate = 798720;  // what a first start reads: 780 Kbps
    return record;
}

GstPipeline* samplePipeline() {
    return GST_PIPELINE(gst_parse_launch(
        "videotestsrc name=source ! videoconvert name=converter ! avenc_mpeg4 name=encoder ! "
        "avimux name=writer ! fakesink name=sink",
        nullptr));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("window"),
                                 QStringLiteral("options|properties|filters"));
    parser.addOption({QStringLiteral("format"), formatOptionNames(), QStringLiteral("format"),
                      QStringLiteral("avi")});
    parser.addOption({QStringLiteral("language"), QStringLiteral("language name"),
                      QStringLiteral("name"), QStringLiteral("english")});
    parser.process(application);
    if (failed(initMediaFramework())) {
        return 1;
    }

    SettingsStore store(QStringLiteral("quenzel-screens"));
    QtUserDialogs dialogs(QStringLiteral("Quenzel"));
    CLanguage language(store, dialogs);
    language.Init(CLanguage::FindBaseFolder(), parser.value(QStringLiteral("language")));

    const QString window = parser.positionalArguments().value(0);
    const int32_t format =
        formatByOptionName(parser.value(QStringLiteral("format"))).value_or(OutputSettings::kAvi);
    std::unique_ptr<QWidget> shown;
    std::unique_ptr<ElementProperties> properties;
    GObjectPtr<GstElement> encoder;
    GObjectPtr<GstPipeline> graph;
    if (window == QLatin1String("options")) {
        OutputSettings record = sampleRecord(format);
        loadOwnCompressors(store, record);
        record.outputName =
            formatExtensionOf(format, record.outputName).value_or(record.outputName);
        shown = std::make_unique<CDialogOutputSettings>(record, store, language, dialogs);
    } else if (window == QLatin1String("properties")) {
        encoder = createCompressor(QStringLiteral("avenc_mpeg4"));
        if (!encoder) {
            return 1;
        }
        properties = std::make_unique<ElementProperties>(encoder.get());
        const auto text = [&language](int id) {
            const QString translated = language.LookUpDialogText(id);
            return translated.isEmpty() ? CLanguage::GetTemplateText(id) : translated;
        };
        shown = std::make_unique<PropertyDialog>(
            *properties, QStringLiteral("MPEG-4 Part 2 (DivX compatible)"), nullptr,
            PropertyDialogTexts{text(output_options_control::kOk),
                                text(output_options_control::kCancel),
                                text(output_options_control::kDefault)});
    } else if (window == QLatin1String("filters")) {
        graph = refSink(samplePipeline());
        shown = std::make_unique<CDialogFilterPerproty>(graph.get());
    } else {
        parser.showHelp(2);
    }
    shown->show();

    QTimer::singleShot(kSettleMs, [&shown] {
        std::printf("0x%llx\n", static_cast<unsigned long long>(shown->winId()));
        std::fflush(stdout);
    });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &application, &QApplication::quit);
    QTimer::singleShot(kLongestShowMs, &application, &QApplication::quit);
    const int result = application.exec();
    shown.reset();
    return result;
}
