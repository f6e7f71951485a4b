#include "engine/OutputGraph.h"

#include <QFile>
#include <QUrl>

#include <algorithm>
#include <iterator>

#include "base/UserDialogs.h"
#include "engine/ConversionGraph.h"
#include "engine/EncoderInputRelease.h"
#include "engine/EncoderTimestamps.h"
#include "engine/KeptTracks.h"
#include "engine/SoundChannels.h"
#include "engine/SourceExtras.h"
#include "engine/WmProfileEncoders.h"
#include "language/Language.h"
#include "language/TextIds.h"
#include "media/Elements.h"
#include "media/RenderEngine.h"
#include "media/Timeline.h"
#include "output/compressors/CurrentCompressors.h"
#include "output/compressors/EncoderTable.h"
#include "output/formats/OutputFormats.h"
#include "output/settings/OutputSettings.h"

namespace {

// Pictures waiting for the compressor.
constexpr guint kQueuedPictures = 3;

constexpr const char* kRenderStreamFailure =
    "failed pBuilder->RenderStream( NULL, NULL, pPin, NULL, pMux )";

// Video compressors that spread over every core themselves, at several times the cost of
// decoding their pictures.
bool keepsTheCoresBusy(const CompressorInUse& video) {
    const EncoderRow* row = video.compressed ? encoderRow(video.factoryName) : nullptr;
    return row && row->busiesEveryCore;
}

// The parser a writer needs behind an encoder of this output, or nullptr.
const char* parserFor(GstElement* encoder) {
    GObjectPtr<GstPad> source(gst_element_get_static_pad(encoder, "src"));
    if (!source) {
        return nullptr;
    }
    GstCapsPtr caps(gst_pad_query_caps(source.get(), nullptr));
    return parserForCaps(caps.get());
}

// Links a pad the decoder of a preview adds to the converter in front of the preview's sink.
void onDecodedPad(GstElement*, GstPad* pad, gpointer converter) {
    GObjectPtr<GstPad> sink(gst_element_get_static_pad(GST_ELEMENT(converter), "sink"));
    if (sink && !gst_pad_is_linked(sink.get())) {
        gst_pad_link(pad, sink.get());
    }
}

class OutputGraphBuilder {
  public:
    OutputGraphBuilder(const OutputSettings& settings, UserDialogs& dialogs,
                       const CLanguage& language, const RenderOptions& options)
        : settings_(settings),
          dialogs_(dialogs),
          language_(language),
          options_(options),
          writePath_(options.writePath.isEmpty() ? settings.outputName : options.writePath),
          format_(outputFormat(settings.outputFormat)) {}

    std::unique_ptr<ConversionGraph> build(std::shared_ptr<Timeline> timeline);

  private:
    bool createWriter(GstBin* bin);
    bool renderGroup(ConversionGraph& graph, int group);
    void chooseSubtitles();
    bool addSubtitleTracks(GstBin* bin);
    bool buildBranch(ConversionGraph& graph, GstPad* pin, bool video, GstElement* encoder,
                     QString* failedLink);
    // The end of a preview branch: the sink, behind a decoder when the branch was encoded.
    bool addPreviewEnd(GstBin* bin, std::vector<GObjectPtr<GstElement>>& chain, bool video,
                       bool encoded);
    void inform(const QString& text) { dialogs_.inform(text); }
    void report(const char* format, Status code) {
        dialogs_.showMessage({.text = QString::asprintf(format, static_cast<unsigned>(code)),
                              .caption = QStringLiteral("Quenzel"),
                              .ownedByMainWindow = false});
    }
    bool usesWindowsMediaProfile() const {
        return ::usesWindowsMediaProfile(settings_.outputFormat);
    }

    OutputSettings settings_;  // this graph's own: the Windows Media profile clears compressors
    UserDialogs& dialogs_;
    const CLanguage& language_;
    const RenderOptions& options_;
    QString writePath_;
    const OutputFormat* format_;  // nullptr: a preview
    WmProfile profile_;
    GstElement* mux_ = nullptr;  // owned by the pipeline
    int soundCompressors_ = 0;
    std::optional<SourceExtras> source_;  // nullopt: several items, or not readable
    KeptSubtitles subtitles_;
};

bool OutputGraphBuilder::createWriter(GstBin* bin) {
    if (!format_ || !format_->writer || options_.passWithoutFile) {
        return true;  // previews play into the default sinks
    }
    GObjectPtr<GstElement> mux;
    GObjectPtr<GstElement> sink;
    if (failed(makeElement(format_->writer, "writer", &mux)) ||
        failed(makeElement("filesink", "file", &sink))) {
        if (format_->missingWriterText) {
            inform(QString::fromLatin1(format_->missingWriterText));
        } else {
            inform(
                language_.GetMessageText(text_id::kWriterMissing)
                    .arg(formatName(format_->value), missingElementDescription(format_->writer)));
        }
        if (format_->missingWriterPage) {
            dialogs_.openWebPage(QUrl(QString::fromLatin1(format_->missingWriterPage)));
        }
        return false;
    }
    applyWriterSettings(mux.get(), *format_, options_.scratchPath);
    g_object_set(sink.get(), "location", QFile::encodeName(writePath_).constData(), nullptr);
    // The bin takes references of its own; `mux_` borrows the bin's.
    gst_bin_add_many(bin, mux.get(), sink.get(), nullptr);
    if (!gst_element_link(mux.get(), sink.get())) {
        inform(QString::fromLatin1(kRenderStreamFailure));
        return false;
    }
    mux_ = mux.get();
    return true;
}

bool OutputGraphBuilder::buildBranch(ConversionGraph& graph, GstPad* pin, bool video,
                                     GstElement* encoder, QString* failedLink) {
    GstBin* bin = GST_BIN(graph.pipeline());
    std::vector<GObjectPtr<GstElement>> chain;
    auto append = [&chain](const char* factory) {
        GObjectPtr<GstElement> element;
        if (failed(makeElement(factory, nullptr, &element))) {
            return false;
        }
        chain.push_back(std::move(element));
        return true;
    };
    bool made = append("queue");
    if (made && video) {
        // A few pictures are enough to keep the compressor's thread busy; a second of them
        // would only add to the peak memory.
        g_object_set(chain.back().get(), "max-size-buffers", kQueuedPictures, "max-size-bytes", 0,
                     "max-size-time", G_GUINT64_CONSTANT(0), nullptr);
    }
    GObjectPtr<GstElement> burntCues;
    GstElement* overlay = nullptr;
    if (video && subtitles_.burn) {
        // The subtitles are drawn at the output's size, in the lower part of the picture.
        burntCues = source_->makeCueSource(subtitles_.tracks.front(), true);
        made = made && burntCues && append("textoverlay");
        if (made) {
            overlay = chain.back().get();
            // In the language's own font, so that its letters are drawn.
            const std::optional<QFont> interfaceFont = language_.GetInterfaceFont();
            const QByteArray font =
                (interfaceFont ? interfaceFont->family().toUtf8() : QByteArrayLiteral("Sans")) +
                ' ' + QByteArray::number(std::max(10, settings_.outputHeight / 18));
            g_object_set(chain.back().get(), "font-desc", font.constData(), "wait-text", FALSE,
                         nullptr);
            gst_util_set_object_arg(G_OBJECT(chain.back().get()), "valignment", "bottom");
        }
    }
    if (video) {
        made = made && append("videoconvert");
    } else {
        made = made && append("audioconvert") && append("audioresample") && append("capsfilter");
        if (made) {
            // The source's channels where the compressor holds them, folded down where not.
            fitSoundChannels(chain[1].get(), chain.back().get(), encoder, mostChannelsOf(encoder),
                             options_.soundGoal);
        }
    }
    if (!made) {
        *failedLink = QStringLiteral("converter missing");
        return false;
    }
    GObjectPtr<GstElement> rawFormat;
    if (!encoder && mux_) {
        // Uncompressed pictures go in as YUY2, whose rows (two bytes a pixel, even widths) need
        // no padding, so every writer stores them as they are; sound as 16-bit integers.
        GstCapsPtr caps(video ? gst_caps_from_string("video/x-raw,format=YUY2")
                              : gst_caps_from_string("audio/x-raw,format=S16LE"));
        makeElement("capsfilter", nullptr, &rawFormat);
        g_object_set(rawFormat.get(), "caps", caps.get(), nullptr);
        chain.push_back(std::move(rawFormat));
    }
    if (encoder && video && format_ && format_->everydayPictures) {
        GstCapsPtr caps(gst_caps_from_string("video/x-raw,format=I420"));
        makeElement("capsfilter", nullptr, &rawFormat);
        g_object_set(rawFormat.get(), "caps", caps.get(), nullptr);
        chain.push_back(std::move(rawFormat));
    }
    if (encoder) {
        if (video) {
            releaseEncodedInput(encoder);
        }
        rebaseEncoderOutput(
            encoder, video,
            format_ && format_->writerTimesFromZero ? DecodingTimes::Dropped : DecodingTimes::Kept);
        chain.push_back(addRef(encoder));
        // A first pass gives out no pictures (VP8/VP9 give none at all), so no parser follows.
        if (const char* parser = parserFor(encoder); parser && !options_.passWithoutFile) {
            append(parser);
        }
    }
    if (options_.passWithoutFile) {
        // The first of two passes keeps nothing but the encoder's notes.
        GObjectPtr<GstElement> nothing;
        if (failed(makeElement("fakesink", nullptr, &nothing))) {
            *failedLink = QStringLiteral("fakesink missing");
            return false;
        }
        g_object_set(nothing.get(), "sync", FALSE, nullptr);
        chain.push_back(std::move(nothing));
    } else if (!mux_ && !addPreviewEnd(bin, chain, video, encoder != nullptr)) {
        *failedLink = QStringLiteral("preview player missing");
        return false;
    }
    for (auto& element : chain) {
        gst_bin_add(bin, element.get());
    }
    if (overlay) {
        gst_bin_add(bin, burntCues.get());
        if (!gst_element_link_pads(burntCues.get(), "src", overlay, "text_sink")) {
            *failedLink = QStringLiteral("subtitles → textoverlay");
            return false;
        }
    }
    GObjectPtr<GstPad> queueSink(gst_element_get_static_pad(chain.front().get(), "sink"));
    if (gst_pad_link(pin, queueSink.get()) != GST_PAD_LINK_OK) {
        *failedLink = QStringLiteral("timeline → queue");
        return false;
    }
    for (size_t index = 1; index < chain.size(); ++index) {
        if (failed(linkChain({chain[index - 1].get(), chain[index].get()}, failedLink))) {
            return false;
        }
    }
    if (mux_) {
        if (failed(linkChain({chain.back().get(), mux_}, failedLink))) {
            return false;
        }
    }
    graph.addBranch(pin, chain.front().get(), video);
    return true;
}

bool OutputGraphBuilder::addPreviewEnd(GstBin* bin, std::vector<GObjectPtr<GstElement>>& chain,
                                       bool video, bool encoded) {
    const QByteArray& sinkFactory = video ? options_.previewVideoSink : options_.previewAudioSink;
    GObjectPtr<GstElement> sink;
    if (failed(makeElement(sinkFactory.constData(), nullptr, &sink))) {
        return false;
    }
    if (!encoded) {
        chain.push_back(std::move(sink));
        return true;
    }
    // Showing what the compressor made: its output is decoded again for the preview.
    GObjectPtr<GstElement> decoder;
    std::vector<GObjectPtr<GstElement>> player;
    const std::vector<const char*> converters =
        video ? std::vector<const char*>{"videoconvert"}
              : std::vector<const char*>{"audioconvert", "audioresample"};
    for (const char* factory : converters) {
        GObjectPtr<GstElement> element;
        if (failed(makeElement(factory, nullptr, &element))) {
            return false;
        }
        player.push_back(std::move(element));
    }
    player.push_back(std::move(sink));
    if (failed(makeElement("decodebin", nullptr, &decoder))) {
        return false;
    }
    for (auto& element : player) {
        gst_bin_add(bin, element.get());
    }
    for (size_t index = 1; index < player.size(); ++index) {
        if (failed(linkChain({player[index - 1].get(), player[index].get()}))) {
            return false;
        }
    }
    g_signal_connect_data(
        decoder.get(), "pad-added", G_CALLBACK(&onDecodedPad), gst_object_ref(player.front().get()),
        [](gpointer converter, GClosure*) { gst_object_unref(converter); }, GConnectFlags(0));
    chain.push_back(std::move(decoder));
    return true;
}

void OutputGraphBuilder::chooseSubtitles() {
    if (!source_ || options_.passWithoutFile) {
        return;
    }
    GstPadTemplate* subtitlePads =
        mux_ ? gst_element_class_get_pad_template(GST_ELEMENT_GET_CLASS(mux_), "subtitle_%u")
             : nullptr;
    GstCapsPtr held(subtitlePads ? gst_pad_template_get_caps(subtitlePads) : nullptr);
    subtitles_ = keptSubtitleTracks(
        source_->contents().tracks, settings_.subtitles, settings_.subtitleTrack,
        [&held](const QString& format) {
            GstCapsPtr kind(gst_caps_new_empty_simple(format.toUtf8().constData()));
            return held && gst_caps_can_intersect(held.get(), kind.get());
        });
    if (!source_->contents().unreadable.isEmpty()) {
        inform(QStringLiteral("GStreamer cannot read %1 track(s) of the source (%2). They are left "
                              "out; the rest is written.")
                   .arg(source_->contents().unreadable.size())
                   .arg(source_->contents().unreadable.join(QStringLiteral(", "))));
    }
    if (!subtitles_.picturesLeftOut.isEmpty()) {
        inform(QStringLiteral("GStreamer cannot write these picture subtitles into %1 files: %2. "
                              "They are left out; the rest is written.")
                   .arg(formatName(settings_.outputFormat),
                        subtitles_.picturesLeftOut.join(QStringLiteral(", "))));
    } else if (subtitles_.leftOut > 0 && !held && !subtitles_.burn) {
        inform(QStringLiteral("%1 holds no subtitle tracks: %2 left out (burning draws one into "
                              "the picture).")
                   .arg(formatName(settings_.outputFormat))
                   .arg(subtitles_.leftOut));
    }
}

bool OutputGraphBuilder::addSubtitleTracks(GstBin* bin) {
    if (subtitles_.burn || !mux_) {
        return true;
    }
    // The pads of the pictures and sound are linked by now; the subtitles keep pace with them.
    auto pacer = std::make_shared<CuePacer>();
    pacer->watchPadsOf(mux_);
    for (const SourceTrack& track : subtitles_.tracks) {
        GObjectPtr<GstElement> source = source_->makeCueSource(track, false, pacer.get());
        if (!source) {
            continue;
        }
        gst_bin_add(bin, source.get());
        if (!gst_element_link_pads(source.get(), "src", mux_, "subtitle_%u")) {
            inform(QStringLiteral("The subtitles could not be written."));
            return false;
        }
    }
    return true;
}

bool OutputGraphBuilder::renderGroup(ConversionGraph& graph, int group) {
    GstPad* pin = nullptr;
    if (failed(graph.engine().groupOutputPin(group, &pin))) {
        inform(QStringLiteral("Could not GetGroupOutputPin( g, &pPin )"));
        return false;
    }
    const bool video = graph.engine().groupIsVideo(group);
    GObjectPtr<GstElement> encoder;
    if (usesWindowsMediaProfile()) {
        encoder = makeProfileEncoder(profile_, video ? WmMajorType::Video : WmMajorType::Audio);
        if (!encoder) {
            dialogs_.showMessage({.text = language_.GetMessageText(text_id::kWindowsMediaMissing),
                                  .details = statusText(status::kNoDecoder)});
            return false;
        }
    } else if (const CompressorKind kind = video ? CompressorKind::Video : CompressorKind::Audio;
               compressorInUse(settings_, kind).compressed &&
               !(options_.passWithoutFile && !video)) {
        encoder = makeConversionCompressor(
            settings_, kind,
            kind == CompressorKind::Video ? options_.videoGoal : options_.soundGoal);
        if (!encoder) {
            // The compressor chosen in the options cannot be made (or none is installed).
            inform(statusText(status::kNoDecoder));
            return false;
        }
        // Each further sound track gets a compressor of its own: "AudioCompressor2" ...
        const QByteArray name =
            video ? QByteArrayLiteral("VideoCompressor")
            : ++soundCompressors_ == 1
                ? QByteArrayLiteral("AudioCompressor")
                : QByteArrayLiteral("AudioCompressor") + QByteArray::number(soundCompressors_);
        gst_element_set_name(encoder.get(), name.constData());
    }
    QString failedLink;
    if (!buildBranch(graph, pin, video, encoder.get(), &failedLink)) {
        inform(QString::fromLatin1(kRenderStreamFailure));
        dialogs_.showMessage({.text = statusText(status::kCannotConnect), .details = failedLink});
        return false;
    }
    return true;
}

std::unique_ptr<ConversionGraph> OutputGraphBuilder::build(std::shared_ptr<Timeline> timeline) {
    auto engine = std::make_unique<RenderEngine>();
    engine->setBusyCompressor(!usesWindowsMediaProfile() &&
                              keepsTheCoresBusy(compressorInUse(settings_, CompressorKind::Video)));
    if (failed(engine->setTimelineObject(timeline))) {
        inform(QStringLiteral("Could not SetTimelineObject"));
        return nullptr;
    }
    QString reason;
    if (failed(engine->connectFrontEnd(&reason))) {
        dialogs_.showMessage(
            {.text = QStringLiteral("Could not ConnectFrontEnd"), .details = reason});
        return nullptr;
    }
    auto graph = std::make_unique<ConversionGraph>(std::move(engine));
    const int groups = graph->engine().groupCount();
    if (groups == 0) {
        inform(QStringLiteral("Could not GetGroupCount( &Groups )"));
        return nullptr;
    }
    if (usesWindowsMediaProfile()) {
        const Status built = buildWmvProfile(settings_, &profile_);
        if (failed(built)) {
            report("Failed to GenerateProfile Audio video with script!  hr=0x%x\n", built);
            return nullptr;
        }
    }
    if (!createWriter(GST_BIN(graph->pipeline()))) {
        return nullptr;
    }
    if (mux_) {
        graph->watchWriter(mux_);
        source_ = SourceExtras::read(*timeline);
        if (source_) {
            source_->giveWriter(mux_);
        }
        chooseSubtitles();
    }
    if (usesWindowsMediaProfile()) {
        if (settings_.useFileProfile == 1) {
            const Status mapped = mapFileProfile(&profile_);
            if (failed(mapped)) {
                report("Failed to map profile ID!  hr=0x%x\n", mapped);
                return nullptr;
            }
        }
        // Nothing goes in front of the Windows Media writer but its own encoders.
        settings_.useVideoCompressor = 0;
        settings_.useAudioCompressor = 0;
    }
    for (int group = 0; group < groups; ++group) {
        if (!renderGroup(*graph, group)) {
            return nullptr;
        }
    }
    if (!addSubtitleTracks(GST_BIN(graph->pipeline()))) {
        return nullptr;
    }
    if (format_ && format_->showsProperties && options_.propertyDialog) {
        options_.propertyDialog(graph->pipeline());
    }
    QString runError;
    if (failed(graph->run(&runError))) {
        inform(QStringLiteral("can not pControl->Run()!!!"));
        dialogs_.inform(runError);
        return nullptr;
    }
    return graph;
}

}  // namespace

void applyWriterSettings(GstElement* writer, const OutputFormat& format,
                         const QString& scratchPath) {
    for (const WriterProperty& property : format.writerProperties) {
        if (property.name) {
            gst_util_set_object_arg(G_OBJECT(writer), property.name, property.value);
        }
    }
    if (hasProperty(writer, "faststart-file") && !scratchPath.isEmpty()) {
        // The media waits here while the index is written ahead of it: on the output's disk,
        // where the space for the file is, rather than in the temporary folder.
        g_object_set(writer, "faststart-file", QFile::encodeName(scratchPath).constData(), nullptr);
    }
}

std::unique_ptr<ConversionGraph> renderTimeline(std::shared_ptr<Timeline> timeline,
                                                const OutputSettings& settings,
                                                UserDialogs& dialogs, const CLanguage& language,
                                                const RenderOptions& options) {
    OutputGraphBuilder builder(settings, dialogs, language, options);
    return builder.build(std::move(timeline));
}
