#pragma once

class CLanguage;
class QWidget;

// Retitles a dialog (or the main window) and its controls with the current language's texts:
// - the dialog's caption takes the dialog text of dialogId, when the file has one;
// - every control with a positive identifier (base/ControlId.h, read as a signed 16-bit
//   number; 65535 counts as -1) takes the message text for identifiers 1-99 and the dialog text
//   for 100 and above; controls without a text keep theirs;
// - a combo box is refilled with the text's lines (split at each line feed, the piece after the
//   last one included, even empty);
// - edit boxes, list and tree views and spin boxes are never touched.
// The interface font goes exactly to the dialog when its caption changed and to each retitled
// control other than a combo box; every other widget keeps the font it has (Qt would otherwise
// pass a parent's font on to its children). With no usable interface font the system font is
// sent instead. Controls inside container widgets are found too; child windows are left alone.
// False, changing nothing, when there are no language files.
bool ApplyDialogTexts(const CLanguage& language, QWidget* dialog, int dialogId);
