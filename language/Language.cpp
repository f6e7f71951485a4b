#include "language/Language.h"

#include "language/BuiltinTexts.h"

QString CLanguage::GetMessageText(int id) const {
    return builtinMessageText(id);
}

QString CLanguage::GetDialogText(int id) const {
    return builtinDialogText(id);
}
