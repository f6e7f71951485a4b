#pragma once

// Identifiers of the texts the program asks the language layer for (GetMessageText). The first
// group is the string table every language file knows; the second holds the texts Quenzel added
// to it, under keys "IDS_QUENZEL_..." of their own. Texts that place values hold %1, %2, ...: fill
// them with one multi-argument QString::arg call, so that a value holding "%1" stays literal.
namespace text_id {

inline constexpr int kError = 105;
inline constexpr int kWarning = 108;
inline constexpr int kBrowseCaption = 110;
inline constexpr int kOriginalSize = 111;
inline constexpr int kCustomSize = 112;
inline constexpr int kOriginalFrameRate = 113;
inline constexpr int kCustomFrameRate = 114;
inline constexpr int kOutputFile = 115;
inline constexpr int kResolution = 116;
inline constexpr int kPreserveAspectRatio = 117;
inline constexpr int kStretch = 118;
inline constexpr int kOpenFile = 119;
inline constexpr int kOptionsTip = 120;
inline constexpr int kConvertTip = 121;
inline constexpr int kNotOpenFile = 122;
inline constexpr int kNoDuration = 123;
inline constexpr int kStopCaption = 124;     // dialog text
inline constexpr int kConvertCaption = 125;  // dialog text
inline constexpr int kRestartProgram = 126;
inline constexpr int kFileExists = 127;
inline constexpr int kStopConverting = 130;
inline constexpr int kDone = 163;

// Quenzel's own texts.
inline constexpr int kResultFailed = 20001;
inline constexpr int kResultEndedEarly = 20002;
inline constexpr int kConversionFailed = 20003;
inline constexpr int kEndedEarly = 20004;
inline constexpr int kFinishingFile = 20005;
inline constexpr int kOutputIsSource = 20006;
inline constexpr int kNothingToConvert = 20007;
inline constexpr int kSourcePathTooLong = 20008;
inline constexpr int kVideoCompressorUnfit = 20009;
inline constexpr int kAudioCompressorUnfit = 20010;
inline constexpr int kNotFinishedKept = 20011;
inline constexpr int kNotFinishedLost = 20012;
inline constexpr int kNotPutInPlace = 20013;
inline constexpr int kFrameRateTooLarge = 20014;
inline constexpr int kOutputNameTooLong = 20015;
inline constexpr int kCompressorMissing = 20016;
inline constexpr int kWindowsMediaMissing = 20017;
inline constexpr int kStoppedShort = 20018;
inline constexpr int kProgress = 20019;
inline constexpr int kCompressorUnavailableTip = 20020;
inline constexpr int kWriterStalled = 20022;
inline constexpr int kSettingsNotKept = 20021;
inline constexpr int kFormatMkv = 20023;
inline constexpr int kFormatMp4 = 20024;
inline constexpr int kFormatWebm = 20025;
inline constexpr int kFormatMkvTip = 20026;
inline constexpr int kFormatMp4Tip = 20027;
inline constexpr int kFormatWebmTip = 20028;
inline constexpr int kWriterMissing = 20029;
inline constexpr int kSizeTooSmall = 20030;
inline constexpr int kSizeCannotAim = 20031;
inline constexpr int kSizeMissed = 20032;
inline constexpr int kPassOf = 20033;
inline constexpr int kStoppedBeforeWriting = 20034;
inline constexpr int kQualitySmallest = 20035;  // to 20039, best quality
inline constexpr int kQualityTip = 20040;
inline constexpr int kFitInTip = 20041;
inline constexpr int kSizeInvalid = 20042;
inline constexpr int kFinishingPleaseWait = 20043;
inline constexpr int kFinishingThenClosing = 20044;
inline constexpr int kSizeNotForProfile = 20045;
inline constexpr int kSoundTracksAll = 20046;
inline constexpr int kSoundTracksNone = 20047;
inline constexpr int kSoundTrackNumber = 20048;
inline constexpr int kCopyFromSource = 20049;
inline constexpr int kCopyKeepsPictures = 20050;
inline constexpr int kCopyCodecNotHeld = 20051;
inline constexpr int kCopyCodecUnknown = 20052;
inline constexpr int kCopySoundNotHeld = 20053;
inline constexpr int kCopyOneVideo = 20054;
inline constexpr int kCopyTurnNotHeld = 20055;
inline constexpr int kCopyCannotBurn = 20056;

}  // namespace text_id
