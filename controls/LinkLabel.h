#pragma once

#include <QColor>
#include <QLabel>
#include <QString>

class UserDialogs;

// A static text that is a link: drawn in link colours and underlined always, never or while
// the mouse is over it; a hand cursor and a tooltip with the target; a click (or Enter or
// Space when it has the focus) opens the target in the user's browser and shows it visited.
// A target that cannot be opened gives a beep and a message saying why.
class CLinkLabel : public QLabel {
    Q_OBJECT
  public:
    static constexpr QRgb kLinkColour = 0xFF0000EE;     // RGB(0, 0, 238)
    static constexpr QRgb kVisitedColour = 0xFF551A8B;  // RGB(85, 26, 139)
    static constexpr QRgb kHoverColour = 0xFFFF0000;    // RGB(255, 0, 0)

    enum UnderlineMode { UnderlineWhileHovering = -1, UnderlineNever = 0, UnderlineAlways = 1 };

    explicit CLinkLabel(UserDialogs& dialogs, QWidget* parent = nullptr);
    CLinkLabel(const QString& text, UserDialogs& dialogs, QWidget* parent = nullptr);

    // The address or file to open; an empty label shows it as its text. Without a target the
    // text is the target.
    void SetTarget(const QString& target);
    QString target() const;

    // UnderlineWhileHovering (the initial mode), UnderlineNever or UnderlineAlways.
    void SetUnderlineMode(int mode);
    int underlineMode() const { return underlineMode_; }

    void SetVisitedFlag(bool visited);
    bool visited() const { return visited_; }

    // Opens a target; the result is a link_result number (controls/LinkTarget.h). A relative
    // path is taken from the program's folder.
    int OpenTarget(const QString& target);

    // What a click does: open the target, then show it visited or say why it failed.
    void activate();

    // As the link is drawn now.
    bool isUnderlined() const;
    QColor textColour() const;
    bool isHovered() const { return hovered_; }

    // Makes the label exactly as large as its text, keeping its edge or centre as its
    // alignment says, so that only the text is the link.
    void fitToText();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void setHovered(bool hovered);
    void refreshTip();

    UserDialogs& dialogs_;
    QString target_;
    int underlineMode_ = UnderlineWhileHovering;
    bool visited_ = false;
    bool hovered_ = false;
    bool fitted_ = false;
};
