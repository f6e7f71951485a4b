#include "app/AboutBox.h"

#include <QLabel>
#include <QPushButton>
#include <array>

#include "controls/LinkLabel.h"
#include "language/DialogTexts.h"
#include "resources/ProgramResources.h"

namespace {

using control_style::kWordWrap;

constexpr int kIcon = 1048;
constexpr int kProductName = 1093;
constexpr int kVersion = 1095;
constexpr int kMediaNote = 1096;

constexpr std::array kControls = {
    ControlTemplate{kIcon, ControlKind::Picture, "", 11, 10, 21, 20, 0, 0, "Quenzel icon"},
    ControlTemplate{kProductName, ControlKind::Label, "Quenzel", 42, 12, 190, 8},
    ControlTemplate{kVersion, ControlKind::Label, "Version 3.3", 42, 24, 190, 8},
    ControlTemplate{CAboutDlg::kHomePageLink, ControlKind::Custom, "", 42, 44, 190, 10},
    ControlTemplate{CAboutDlg::kContactLink, ControlKind::Custom, "Support Email: Click here", 42,
                    60, 190, 10},
    ControlTemplate{kMediaNote, ControlKind::Label,
                    "Portions of this program read and write Windows Media files through "
                    "GStreamer and the libav codecs.",
                    11, 88, 222, 32, kWordWrap},
    ControlTemplate{CAboutDlg::kOk, ControlKind::DefaultPushButton, "OK", 187, 151, 50, 14},
};

constexpr DialogTemplate kTemplate{CAboutDlg::kDialogId, "About", 244, 172, kControls};

}  // namespace

CAboutDlg::CAboutDlg(const CLanguage& language, UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent) {
    controls_ = buildDialog(
        this, kTemplate, [&dialogs](const ControlTemplate& control, QWidget* window) -> QWidget* {
            if (control.kind != ControlKind::Custom) {
                return nullptr;
            }
            auto* link = new CLinkLabel(QString::fromUtf8(control.text), dialogs, window);
            link->SetTarget(QString::fromUtf8(control.id == kHomePageLink ? kHomePageAddress
                                                                          : kContactPageAddress));
            link->SetUnderlineMode(CLinkLabel::UnderlineAlways);
            return link;
        });
    controls_.get<QLabel>(kIcon)->setPixmap(
        resourceIcon(resource_id::kProgramIcon).pixmap(QSize(32, 32)));
    connect(controls_.get<QPushButton>(kOk), &QPushButton::clicked, this, &QDialog::accept);
    ApplyDialogTexts(language, this, kDialogId);
    fitDialogToTexts(this, controls_);
    for (int id : {kHomePageLink, kContactLink}) {
        auto* link = controls_.get<CLinkLabel>(id);
        link->setAccessibleName(link->text());
    }
    // The links stay reachable with Tab, but Enter presses OK, the default button.
    controls_[kOk]->setFocus();
}
