#pragma once

#include <QDialog>

#include "base/DialogTemplate.h"

class CLanguage;
class UserDialogs;

// The home page and the contact page, shown and opened by the about box.
inline constexpr const char* kHomePageAddress = "https://quenzel.harrowfield.example/";
inline constexpr const char* kContactPageAddress = "https://quenzel.harrowfield.example/contact";

// The about box (template 100): the program's icon, name and version and two links.
class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kDialogId = 100;
    static constexpr int kHomePageLink = 1049;
    static constexpr int kContactLink = 1050;
    static constexpr int kOk = 1;

    CAboutDlg(const CLanguage& language, UserDialogs& dialogs, QWidget* parent = nullptr);

    const DialogControls& controls() const { return controls_; }

  private:
    DialogControls controls_;
};
