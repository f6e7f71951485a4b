#include "language/TextKeyTable.h"

#include <array>

namespace {

constexpr std::array kTextKeys = {
    // Popup menu of the main window.
    TextKey{"IDM_ABOUT", 32778, "About", false},
    TextKey{"IDM_SELECT_LANGUAGE", 160 * 65536, "Language", false},
    TextKey{"IDM_POPUPMENU_FONT", 32780, "Font", false},
    // Dialogs: about box (100), output options (129), main window (102).
    TextKey{"IDC_BUTTON_ABOUT", 100, "About", false},
    TextKey{"IDD_PROGRAM_CAPTION", 1085, "Quenzel", false},
    TextKey{"IDD_DIALOG_OUTPUT_OPTIONS", 129, "Output options", false},
    TextKey{"IDC_BUTTON_BROWSE", 1024, "Browse", false},
    TextKey{"IDC_STATIC_OUTPUT_FILE", 1023, "Output file:", false},
    TextKey{"IDC_STATIC_RESOLUTION", 1026, "Resolution:", false},
    TextKey{"IDC_STATIC_FRAME_RATE", 1078, "Frame rate:", false},
    TextKey{"IDC_STATIC_RESIZE_MODE", 1079, "Resize mode:", false},
    TextKey{"IDC_STATIC_VIDEO_COMPRESSOR", 1080, "Video compressor:", false},
    TextKey{"IDC_BUTTON_VIDEO_CODEC_SETTINGS", 1053, "Settings", false},
    TextKey{"IDC_STATIC_AUDIO_COMPRESSOR", 1081, "Audio compressor:", false},
    TextKey{"IDC_STATIC_OPTIONS_NOTE", 1077,
            "Note: some video and audio compressors may not work properly. For more detail, "
            "please read help.",
            false},
    TextKey{"IDC_BUTTON_OUTPUT_DEAULT", 1051, "Default", false},
    TextKey{"IDC_BUTTON_OPTIONS_OK", 1082, "OK", false},
    TextKey{"IDC_BUTTON_OPTIONS_CANCEL", 1083, "Cancel", false},
    TextKey{"IDC_STATIC_VIDEO_COMPRESSOR_BITRATE", 1087, "Video encoding bitrate:", false},
    TextKey{"IDC_STATIC_AUDIO_COMPRESSOR_BITRATE", 1088, "Audio encoding bitrate:", false},
    TextKey{"IDC_STATIC_QUALITY", 1100, "Quality:", false},
    TextKey{"IDC_STATIC_FIT_IN", 1102, "Fit in", false},
    TextKey{"IDC_STATIC_MEGABYTES", 1104, "MB", false},
    TextKey{"IDC_STATIC_SOUND_TRACKS", 1105, "Sound tracks:", false},
    TextKey{"IDC_BUTTON_HELP", 1084, "&Help", false},
    TextKey{"IDC_BUTTON_HOMEPAGE", 1047, "Homepage", false},
    TextKey{"IDC_BUTTON_ABOUT", 1042, "About", false},
    TextKey{"IDC_BUTTON_EXIT", 1076, "Exit", false},
    TextKey{"IDD_PROGRAM_CAPTION", 102, "Quenzel", false},
    TextKey{"IDC_BUTTON_ADD_VIDEO", 1006, "Open Video", false},
    TextKey{"IDC_BUTTON_OUTPUT_SETTINGS", 1003, "Options", false},
    TextKey{"IDC_BUTTON_CONVERT", 1000, "Convert", false},
    TextKey{"IDC_BUTTON_PLAY", 1058, "Play", false},
    TextKey{"IDC_BUTTON_PAUSE", 1060, "Pause", false},
    TextKey{"IDC_BUTTON_STOP", 1061, "Stop", false},
    TextKey{"IDC_BUTTON_START_TIME", 1062, "Start Time", false},
    TextKey{"IDC_BUTTON_END_TIME", 1063, "End Time", false},
    TextKey{"IDC_STATIC_OUTPUT_FORMAT", 1097, "Output Format:", false},
    // The Convert button's two captions are requested by identifier.
    TextKey{"IDC_BUTTON_CONVERT", 125, "Convert", true},
    TextKey{"IDC_BUTTON_STOP", 124, "Stop", true},
    // Messages, captions, tooltips and list entries.
    TextKey{"IDS_MESSAGE_OUTPUT_FILE", 115, "Output file:", true},
    TextKey{"IDS_MESSAGE_RESOLUTION", 116, "Resolution:", true},
    TextKey{"IDS_MESSAGE_OPEN_FILE", 119, "Open a video file", true},
    TextKey{"IDS_MESSAGE_OPTIONS", 120, "Customize output options", true},
    TextKey{"IDS_MESSAGE_CONVERT", 121, "Convert video", true},
    TextKey{"IDS_MESSAGE_NOT_OPEN_FILE", 122,
            "Cannot open the file. You need to install appropriate decoders. Or the file is "
            "corrupt.",
            true},
    TextKey{"IDS_MESSAGE_NO_DURATION", 123, "Can not get the duration of the clip!", true},
    TextKey{"IDS_MESSAGE_FILE_EXIST", 127, "exists. Do you want to replace it?", true},
    TextKey{"IDS_MESSAGE_STOP_CONVERT", 130, "Please first stop converting", true},
    TextKey{"IDS_MESSAGE_RESTART_PROGRAM", 126, "Please restart the program", true},
    TextKey{"IDS_MESSAGE_CONVERSION_DONE", 163, "Done", true},
    TextKey{"IDS_MESSAGE_ERROR", 105, "Error", true},
    TextKey{"IDS_MESSAGE_WARNING", 108, "Warning", true},
    TextKey{"IDS_MESSAGE_BROWSE_CAPTION", 110, "Select Output File Name", true},
    TextKey{"IDS_MESSAGE_ORIGINAL_SIZE", 111, "Original size", true},
    TextKey{"IDS_MESSAGE_CUSTOM_SIZE", 112, "Custom size", true},
    TextKey{"IDS_MESSAGE_ORIGINAL_FRAME_SIZE", 113, "Original frame rate", true},
    TextKey{"IDS_MESSAGE_CUSTOM_FRAME_SIZE", 114, "Custom frame rate", true},
    TextKey{"IDS_MESSAGE_PRESERVE_ASPECT_RATIO", 117, "Preserve aspect ratio", true},
    TextKey{"IDS_MESSAGE_RESIZE_STRETCH", 118, "Stretch", true},
    // Texts Quenzel added to the string table.
    TextKey{"IDS_QUENZEL_RESULT_FAILED", 20001, "Failed", true},
    TextKey{"IDS_QUENZEL_RESULT_ENDED_EARLY", 20002, "Ended early", true},
    TextKey{"IDS_QUENZEL_CONVERSION_FAILED", 20003, "The conversion failed:\n%1", true},
    TextKey{"IDS_QUENZEL_ENDED_EARLY", 20004,
            "The conversion ended early: only %1 of %2 could be read from the source. The source "
            "file may be damaged or cut off.",
            true},
    TextKey{"IDS_QUENZEL_FINISHING_FILE", 20005, "Finishing the file, please wait... Used Time: %1",
            true},
    TextKey{"IDS_QUENZEL_OUTPUT_IS_SOURCE", 20006,
            "The output file is the video being converted:\n%1\nChoose another output file in "
            "Options.",
            true},
    TextKey{"IDS_QUENZEL_NOTHING_TO_CONVERT", 20007,
            "There is nothing to convert: the end time (%1) must lie after the start time (%2).",
            true},
    TextKey{"IDS_QUENZEL_SOURCE_PATH_TOO_LONG", 20008,
            "The path of this file is too long (%1 bytes; at most %2 can be used). Move or rename "
            "the file and open it again:\n%3",
            true},
    TextKey{"IDS_QUENZEL_VIDEO_COMPRESSOR_UNFIT", 20009,
            "%1 video cannot be written into %2: choose another video compressor in Options, or "
            "the %3 format.",
            true},
    TextKey{"IDS_QUENZEL_AUDIO_COMPRESSOR_UNFIT", 20010,
            "%1 sound cannot be written into %2: choose another audio compressor in Options, or "
            "the %3 format.",
            true},
    TextKey{"IDS_QUENZEL_NOT_FINISHED_KEPT", 20011,
            "The file could not be finished properly: %1\nWhat was written is kept as %2; it may "
            "not play to its end.",
            true},
    TextKey{"IDS_QUENZEL_NOT_FINISHED_LOST", 20012,
            "The file could not be finished: %1\nNothing that was written could be kept.", true},
    TextKey{"IDS_QUENZEL_NOT_PUT_IN_PLACE", 20013,
            "The converted file could not be put in place of %1: %2. It was kept as %3.", true},
    TextKey{"IDS_QUENZEL_FRAME_RATE_TOO_LARGE", 20014,
            "The frame rate is too large! At most %1 frames per second can be written.", true},
    TextKey{"IDS_QUENZEL_OUTPUT_NAME_TOO_LONG", 20015,
            "The output file name is too long: it may have at most 259 characters.", true},
    TextKey{"IDS_QUENZEL_COMPRESSOR_MISSING", 20016,
            "The compressor chosen in Options (%1) cannot be used: it is not installed. Choose "
            "another one in Options.",
            true},
    TextKey{"IDS_QUENZEL_WINDOWS_MEDIA_MISSING", 20017,
            "The Windows Media encoder is not installed.", true},
    TextKey{"IDS_QUENZEL_STOPPED_SHORT", 20018,
            "Stopped: %1 of %2 was converted; the file holds that part.", true},
    TextKey{"IDS_QUENZEL_PROGRESS", 20019, "%1% done, %2 left", true},
    TextKey{"IDS_QUENZEL_WRITER_STALLED", 20022, "The writer gave out nothing for %1 seconds.",
            true},
    TextKey{"IDS_QUENZEL_COMPRESSOR_UNAVAILABLE_TIP", 20020,
            "%1 files cannot hold it; it works with %2.", true},
    TextKey{"IDS_QUENZEL_SETTINGS_NOT_KEPT", 20021,
            "The settings of %1 could not be kept for later conversions: %2 cannot be written.",
            true},
    TextKey{"IDS_QUENZEL_FORMAT_MKV", 20023, "MKV", true},
    TextKey{"IDS_QUENZEL_FORMAT_MP4", 20024, "MP4", true},
    TextKey{"IDS_QUENZEL_FORMAT_WEBM", 20025, "WebM", true},
    TextKey{"IDS_QUENZEL_FORMAT_MKV_TIP", 20026,
            "Matroska: holds nearly every compressor, several sound tracks and surround sound.",
            true},
    TextKey{"IDS_QUENZEL_FORMAT_MP4_TIP", 20027,
            "H.264 and AAC by default: plays on phones, in web browsers, chats and mails.", true},
    TextKey{"IDS_QUENZEL_FORMAT_WEBM_TIP", 20028,
            "VP9 and Opus by default: plays in every web browser.", true},
    TextKey{"IDS_QUENZEL_WRITER_MISSING", 20029,
            "%1 files cannot be written: the %2 is not installed (it comes with GStreamer's good "
            "plugins, the Debian package gstreamer1.0-plugins-good).",
            true},
    TextKey{"IDS_QUENZEL_SIZE_TOO_SMALL", 20030,
            "%1 is too small for %2 of video: the sound and the least picture worth seeing need at "
            "least %3. Choose a larger size or a shorter part.",
            true},
    TextKey{"IDS_QUENZEL_SIZE_CANNOT_AIM", 20031,
            "%1 cannot aim at a file size. Choose another video compressor in Options, or a "
            "quality level instead of a size.",
            true},
    TextKey{"IDS_QUENZEL_SIZE_MISSED", 20032,
            "The file came out at %1, more than the %2 it was to fit in. It was kept as %3.", true},
    TextKey{"IDS_QUENZEL_PASS_OF", 20033, "pass %1 of %2", true},
    TextKey{"IDS_QUENZEL_STOPPED_BEFORE_WRITING", 20034,
            "Stopped in pass %1 of %2, before the file is written: nothing was written.", true},
    TextKey{"IDS_QUENZEL_QUALITY_SMALLEST", 20035, "Smallest file", true},
    TextKey{"IDS_QUENZEL_QUALITY_SMALL", 20036, "Small file", true},
    TextKey{"IDS_QUENZEL_QUALITY_BALANCED", 20037, "Balanced", true},
    TextKey{"IDS_QUENZEL_QUALITY_HIGH", 20038, "High quality", true},
    TextKey{"IDS_QUENZEL_QUALITY_BEST", 20039, "Best quality", true},
    TextKey{"IDS_QUENZEL_QUALITY_TIP", 20040,
            "How good picture and sound are, and so how large the file is. What you change in a "
            "compressor's Settings wins over the level.",
            true},
    TextKey{"IDS_QUENZEL_FIT_IN_TIP", 20041,
            "The most the file may take, in megabytes (1 MB = 1,000,000 bytes); leave it empty for "
            "none. A size wins over the quality level; WMV keeps its bitrates and takes no size.",
            true},
    TextKey{
        "IDS_QUENZEL_SIZE_INVALID", 20042,
        "\"%1\" is no size: type a number of megabytes, such as 25 or 8.5, or leave the box empty.",
        true},
    TextKey{"IDS_QUENZEL_FINISHING_PLEASE_WAIT", 20043,
            "The stopped file is still being finished. Please wait a moment.", true},
    TextKey{"IDS_QUENZEL_FINISHING_THEN_CLOSING", 20044,
            "The stopped file is still being finished. Quenzel closes as soon as it is written.",
            true},
    TextKey{"IDS_QUENZEL_SIZE_NOT_FOR_PROFILE", 20045,
            "%1 files are written at the Windows Media bitrates of Options and cannot aim at a "
            "size. Empty \"Fit in\", or choose another format.",
            true},
    TextKey{"IDS_QUENZEL_SOUND_TRACKS_ALL", 20046, "All sound tracks", true},
    TextKey{"IDS_QUENZEL_SOUND_TRACKS_NONE", 20047, "No sound", true},
    TextKey{"IDS_QUENZEL_SOUND_TRACK_NUMBER", 20048, "Track %1", true},
    TextKey{"IDS_QUENZEL_COPY_FROM_SOURCE", 20049, "Copy from source (no re-encoding)", true},
    TextKey{"IDS_QUENZEL_COPY_KEEPS_PICTURES", 20050,
            "Copy from source keeps the source's pictures as they are: it cannot change their "
            "size, frame rate or quality, or aim at a size. Choose the source's own size and rate "
            "and empty \"Fit in\", or choose a compressor.",
            true},
    TextKey{"IDS_QUENZEL_COPY_CODEC_NOT_HELD", 20051,
            "%1 files cannot hold the source's %2 pictures as they are. Choose MKV, or a "
            "compressor.",
            true},
    TextKey{"IDS_QUENZEL_COPY_CODEC_UNKNOWN", 20052,
            "The source's %1 pictures cannot be copied: %2 Choose a compressor.", true},
    TextKey{"IDS_QUENZEL_COPY_SOUND_NOT_HELD", 20053,
            "%1 files cannot hold the source's %2 sound as it is. Choose a compressor for the "
            "sound, or MKV.",
            true},
    TextKey{"IDS_QUENZEL_COPY_ONE_VIDEO", 20054,
            "Copy from source cuts one video, without photos, other videos or music. Remove "
            "them, or choose a compressor.",
            true},
    TextKey{"IDS_QUENZEL_COPY_TURN_NOT_HELD", 20055,
            "The source's pictures show upright only turned, and %1 files cannot keep the turn "
            "of pictures copied as they are. Choose MP4, or a compressor to turn the pictures "
            "themselves.",
            true},
    TextKey{"IDS_QUENZEL_COPY_CANNOT_BURN", 20056,
            "Copy from source keeps the source's pictures as they are and cannot draw subtitles "
            "into them. Keep the subtitles as a track, or choose a compressor.",
            true},

};

}  // namespace

std::span<const TextKey> textKeys() {
    return kTextKeys;
}

std::optional<TextSection> sectionOfKey(std::string_view key) {
    const std::string_view prefix = key.substr(0, 3);
    if (prefix == "IDS") {
        return TextSection::Message;
    }
    if (prefix == "IDM" || prefix == "IDR") {
        return TextSection::Menu;
    }
    if (prefix == "IDD" || prefix == "IDC") {
        return TextSection::Dialog;
    }
    return std::nullopt;
}

const char* sectionName(TextSection section) {
    switch (section) {
        case TextSection::Menu:
            return "MENU";
        case TextSection::Message:
            return "STRING";
        case TextSection::Dialog:
            return "DIALOG";
    }
    return "";
}

const char* builtinStringText(int id) {
    for (const TextKey& row : kTextKeys) {
        if (row.inStringTable && row.id == id) {
            return row.builtinText;
        }
    }
    return nullptr;
}

const char* builtinTemplateText(int id) {
    for (const TextKey& row : kTextKeys) {
        if (row.id == id) {
            return row.builtinText;
        }
    }
    return nullptr;
}
