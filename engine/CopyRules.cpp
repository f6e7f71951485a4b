#include "engine/CopyRules.h"

#include <gst/gst.h>

#include <cmath>
#include <cstring>

#include "engine/CopyCodecs.h"
#include "engine/KeptTracks.h"
#include "engine/Mp4PictureTurn.h"
#include "language/Language.h"
#include "language/TextIds.h"
#include "media/Elements.h"
#include "media/GPtr.h"
#include "media/SourceTracks.h"
#include "output/compressors/CurrentCompressors.h"
#include "output/formats/OutputFormats.h"
#include "output/quality/EncoderQuality.h"
#include "output/settings/OutputSettings.h"
#include "project/ConversionProject.h"

namespace {

bool onlyTheOneVideo(const ConversionProject& project) {
    if (project.videos.size() != 1) {
        return false;
    }
    for (const AudioItem& audio : project.audios) {
        if (audio.path != project.videos.front().path) {
            return false;  // music beside the video
        }
    }
    return true;
}

// The size and the rate do not apply to copied pictures (the window grays them); a size target
// or a bitrate would be silently missed.
bool keepsThePictures(const OutputSettings& settings) {
    return settings.targetSizeBytes <= 0 && settings.averageVideoBitrate <= 0;
}

int soundChannels(const SourceContents& contents) {
    for (const SourceTrack& track : contents.tracks) {
        if (track.kind == SourceTrack::Kind::Sound && track.channels > 0) {
            return track.channels;
        }
    }
    return 2;
}

// Decoded sound to the packets of the chosen compressor, set as a conversion sets it.
GstElement* makeSoundEncoder(const OutputSettings& settings, int channels) {
    EncoderGoal goal;
    goal.level = qualityLevelOf(settings.qualityLevel);
    goal.channels = channels;
    GObjectPtr<GstElement> encoder =
        makeConversionCompressor(settings, CompressorKind::Audio, goal);
    if (!encoder) {
        return nullptr;
    }
    GstElement* bin = gst_bin_new(nullptr);
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* resample = gst_element_factory_make("audioresample", nullptr);
    GObjectPtr<GstPad> output(gst_element_get_static_pad(encoder.get(), "src"));
    GstCapsPtr encoded(gst_pad_query_caps(output.get(), nullptr));
    const char* parserName = parserForCaps(encoded.get());
    GstElement* parser = parserName ? gst_element_factory_make(parserName, nullptr) : nullptr;
    gst_bin_add_many(GST_BIN(bin), convert, resample, encoder.get(), nullptr);
    GstElement* last = parser ? parser : encoder.get();
    if (parser) {
        gst_bin_add(GST_BIN(bin), parser);
    }
    const bool linked = gst_element_link_many(convert, resample, encoder.get(), nullptr) &&
                        (!parser || gst_element_link(encoder.get(), parser));
    GObjectPtr<GstPad> input(gst_element_get_static_pad(convert, "sink"));
    GObjectPtr<GstPad> packets(gst_element_get_static_pad(last, "src"));
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", input.get()));
    gst_element_add_pad(bin, gst_ghost_pad_new("src", packets.get()));
    if (!linked) {
        gst_object_unref(gst_object_ref_sink(bin));
        return nullptr;
    }
    return bin;
}

}  // namespace

CopyDecision decideLosslessCut(const ConversionProject& project, const OutputSettings& settings,
                               const CLanguage& language) {
    const auto refuse = [&](int id) {
        return CopyDecision{.job = std::nullopt, .refusal = language.GetMessageText(id)};
    };
    const OutputFormat* format = outputFormat(settings.outputFormat);
    if (!format || !format->writer) {
        return refuse(text_id::kCopyKeepsPictures);
    }
    if (!onlyTheOneVideo(project)) {
        return refuse(text_id::kCopyOneVideo);
    }
    if (!keepsThePictures(settings)) {
        return refuse(text_id::kCopyKeepsPictures);
    }
    const VideoItem& item = project.videos.front();
    QString readError;
    const std::optional<SourceContents> contents = readSourceContents(item.path, &readError);
    if (!contents) {
        return {.job = std::nullopt, .refusal = readError};
    }
    const SourceTrack* video = nullptr;
    for (const SourceTrack& track : contents->tracks) {
        if (track.kind == SourceTrack::Kind::Video && !video) {
            video = &track;
        }
    }
    if (!video) {
        return refuse(text_id::kCopyOneVideo);
    }
    // A codec that is never copied is said so first: another format would be refused as well.
    const CopyCodec* codec = copyCodecFor(video->format);
    if (!codec) {
        return {
            .job = std::nullopt,
            .refusal = language.GetMessageText(text_id::kCopyCodecUnknown)
                           .arg(video->codec,
                                QStringLiteral(
                                    "Quenzel copies H.264, H.265, MPEG-4 Part 2, VP9 and VP8."))};
    }
    if (!factoryTakesMediaType(format->writer, video->format)) {
        return {.job = std::nullopt,
                .refusal = language.GetMessageText(text_id::kCopyCodecNotHeld)
                               .arg(formatName(format->value), video->codec)};
    }
    if (!edgeEncoderInstalled(*codec)) {
        return {.job = std::nullopt,
                .refusal = language.GetMessageText(text_id::kCopyCodecUnknown)
                               .arg(QString::fromLatin1(codec->name),
                                    QStringLiteral("its encoder for the pictures at the cut's "
                                                   "edges is not installed."))};
    }
    // Only an MP4 file's header is mended to hold the turn of copied pictures.
    const int turn = turnOfOrientation(video->orientation);
    if (!video->orientation.isEmpty() &&
        (turn == 0 || std::strcmp(format->writer, "mp4mux") != 0)) {
        return {
            .job = std::nullopt,
            .refusal =
                language.GetMessageText(text_id::kCopyTurnNotHeld).arg(formatName(format->value))};
    }
    LosslessCutJob job{
        .source = item.path,
        .videoStreamId = video->streamId,
        .codec = codec,
        .soundStreamIds = {},
        .soundChains = {},
        .soundEncoder = {},
        .subtitleTracks = {},
        // A picture within one unit of a mark counts as at it: the units round.
        .start = (item.origin + project.startTime - 1) * LosslessCutJob::kNsPerUnit,
        .stop = (item.origin + project.endTime - 1) * LosslessCutJob::kNsPerUnit,
        .soundShift =
            project.audios.empty() || project.audios.front().path != item.path
                ? 0
                : (project.audios.front().origin - item.origin) * LosslessCutJob::kNsPerUnit,
        .turnDegrees = turn,
        .format = format,
        .writePath = {},
        .scratchPath = {}};
    const KeptSubtitles subtitles = keptSubtitleTracks(
        contents->tracks, settings.subtitles, settings.subtitleTrack,
        [format](const QString& kind) { return factoryTakesMediaType(format->writer, kind); });
    if (subtitles.burn) {
        return refuse(text_id::kCopyCannotBurn);
    }
    job.subtitleTracks = subtitles.tracks;
    const std::optional<SoundTrackChoice> choice = parseSoundTrackChoice(settings.soundTracks);
    const KeptSound sound = keptSoundTracks(contents->tracks, choice.value_or(SoundTrackChoice{}),
                                            format->holdsSeveralSoundTracks);
    for (const QString& id : sound.streamIds) {
        for (const SourceTrack& track : contents->tracks) {
            if (track.streamId != id) {
                continue;
            }
            if (settings.copyAudio && !factoryTakesMediaType(format->writer, track.format)) {
                return {.job = std::nullopt,
                        .refusal = language.GetMessageText(text_id::kCopySoundNotHeld)
                                       .arg(formatName(format->value), track.codec)};
            }
            job.soundStreamIds.push_back(id);
            // AAC comes in ADTS frames from MPEG-TS; the writers take it raw.
            job.soundChains.push_back(track.codec.contains(QLatin1String("AAC"))
                                          ? QByteArray("aacparse ! capsfilter "
                                                       "caps=\"audio/mpeg,stream-format=raw\"")
                                          : QByteArray());
        }
    }
    if (!settings.copyAudio && !job.soundStreamIds.empty()) {
        if (!compressorInUse(settings, CompressorKind::Audio).compressed) {
            return refuse(text_id::kCopyKeepsPictures);
        }
        job.soundEncoder = [settings, channels = soundChannels(*contents)]() {
            return makeSoundEncoder(settings, channels);
        };
    }
    return {.job = std::move(job), .refusal = {}};
}
