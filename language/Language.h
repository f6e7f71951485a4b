#pragma once

#include <QString>

// The interface texts of Quenzel, looked up by numeric identifier: the current language file's
// text when it has one, else the built-in English text.
class CLanguage {
  public:
    QString GetMessageText(int id) const;
    QString GetDialogText(int id) const;
};
