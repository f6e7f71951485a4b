#pragma once

#include "base/SettingsStore.h"
#include "base/UserDialogs.h"
#include "output/compressors/CompressorCatalogue.h"
#include "output/settings/OutputRules.h"
#include "output/settings/OutputSettings.h"

class CLanguage;

// Reading the output settings at start-up and storing what OK of the output options decided.
// Start-up calls the loading steps in parts (format; compressors; name and size; frame rate and
// bitrates), so each is a function of its own; loadOutputSettings runs them all in that order.

// "nOuptputFormat".
void loadOutputFormat(const SettingsStore& store, OutputSettings& settings);

// The stored compressor choices ("CompressorNumber": -2 the preferred entry, -1 none, k entry k):
// binds the current compressors and sets the use flags.
void loadCompressorChoice(CompressorKind kind, const SettingsStore& store, OutputSettings& settings,
                          UserDialogs& dialogs);
void loadCompressorChoices(const SettingsStore& store, OutputSettings& settings,
                           UserDialogs& dialogs);

// The compressors of the formats with a choice of their own (MP4, WebM), each stored in the
// format's section as "VideoCompressor" and "AudioCompressor" (an encoder's factory name, or
// "none"); a format never chosen for starts with the first installed of its defaults.
void loadOwnCompressors(const SettingsStore& store, OutputSettings& settings);
void storeOwnCompressors(const OutputSettings& settings, SettingsStore& store);
// "QualityLevel" (0 smallest file ... 4 best quality, 2 by default) and "FitInMegabytes" (the size
// target in megabytes as typed; empty for none).
void loadQualityChoice(const SettingsStore& store, OutputSettings& settings);
void storeQualityChoice(const OutputSettings& settings, SettingsStore& store);

// What a format's own choice starts with (and Default restores).
OwnCompressors defaultOwnCompressors(int32_t format);

// "OutputName" with the extension of the loaded format, "OutputWidth" and "OutputHigh". When the
// format has no extension rule the user is told and the record keeps its name.
// `language`, when given, words the message of a stored name that is too long.
void loadOutputNameAndSize(const SettingsStore& store, OutputSettings& settings,
                           UserDialogs& dialogs, const CLanguage* language = nullptr);

// "OutputFrameRateIndex", "OutputFrameRate", "n_video_bitrate", "n_audio_bitrate",
// "b_file_profile".
void loadFrameRateAndBitrates(const SettingsStore& store, OutputSettings& settings);

void loadOutputSettings(const SettingsStore& store, OutputSettings& settings, UserDialogs& dialogs,
                        const CLanguage* language = nullptr);

// The stored "CompressorNumber" of a kind; -2 when nothing was chosen yet.
int32_t storedCompressorNumber(const SettingsStore& store, CompressorKind kind);
// The compressor list position the output options open on: the stored entry, else the preferred
// one, else the no-compression entry. May lie beyond the list when an encoder was removed.
int32_t initialCompressorListPosition(const SettingsStore& store, CompressorKind kind);

// Stores an accepted OK of the output options and binds the compressors it chose, so the next
// start sees the same settings.
void commitOutputOk(const OutputOkDecision& decision, SettingsStore& store, UserDialogs& dialogs);
