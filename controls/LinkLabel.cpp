#include "controls/LinkLabel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <mutex>

#include "base/UserDialogs.h"
#include "controls/LinkTarget.h"

namespace {

// Screen readers meet the label as a link named by its text, which can be pressed.
class AccessibleLink : public QAccessibleWidget {
  public:
    explicit AccessibleLink(CLinkLabel* link) : QAccessibleWidget(link, QAccessible::Link) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            return link()->text();
        }
        return QAccessibleWidget::text(kind);  // the description is the tooltip: the target
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.linked = true;
        state.traversed = link()->visited();
        return state;
    }
    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == pressAction()) {
            link()->activate();
            return;
        }
        QAccessibleWidget::doAction(action);
    }

  private:
    CLinkLabel* link() const { return static_cast<CLinkLabel*>(widget()); }
};

QAccessibleInterface* makeAccessibleLink(const QString& className, QObject* object) {
    if (className == QLatin1String("CLinkLabel") && object && object->isWidgetType()) {
        return new AccessibleLink(static_cast<CLinkLabel*>(object));
    }
    return nullptr;
}

void installAccessibleLink() {
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(&makeAccessibleLink); });
}

int textFlags(const QLabel& label) {
    return static_cast<int>(label.alignment()) |
           (label.wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine);
}

}  // namespace

CLinkLabel::CLinkLabel(UserDialogs& dialogs, QWidget* parent)
    : CLinkLabel(QString(), dialogs, parent) {}

CLinkLabel::CLinkLabel(const QString& text, UserDialogs& dialogs, QWidget* parent)
    : QLabel(text, parent), dialogs_(dialogs) {
    installAccessibleLink();
    setTextFormat(Qt::PlainText);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    // In a layout too, only the text is the link.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    refreshTip();
}

void CLinkLabel::SetTarget(const QString& target) {
    target_ = target;
    if (text().isEmpty()) {
        setText(target);
    }
    fitToText();
    refreshTip();
}

QString CLinkLabel::target() const {
    return target_.isEmpty() ? text() : target_;
}

void CLinkLabel::SetUnderlineMode(int mode) {
    if (mode == underlineMode_) {
        return;
    }
    underlineMode_ = mode;
    update();
}

void CLinkLabel::SetVisitedFlag(bool visited) {
    visited_ = visited;
    update();
}

int CLinkLabel::OpenTarget(const QString& target) {
    return openLinkTarget(target, dialogs_, QCoreApplication::applicationDirPath());
}

void CLinkLabel::activate() {
    setHovered(false);
    const int result = OpenTarget(target());
    if (linkOpened(result)) {
        SetVisitedFlag(true);
        return;
    }
    QApplication::beep();
    dialogs_.showMessage(
        {.text = QStringLiteral("Unable to open hyperlink:\n\n") + linkFailureText(result),
         .icon = MessageIcon::Warning});
}

bool CLinkLabel::isUnderlined() const {
    return underlineMode_ == UnderlineAlways ||
           (underlineMode_ == UnderlineWhileHovering && hovered_);
}

QColor CLinkLabel::textColour() const {
    if (hovered_) {
        return QColor::fromRgb(kHoverColour);
    }
    return QColor::fromRgb(visited_ ? kVisitedColour : kLinkColour);
}

void CLinkLabel::fitToText() {
    if (text().isEmpty()) {
        return;
    }
    QFont underlined = font();
    underlined.setUnderline(true);
    const QRect place = geometry();
    const QRect inside = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const QSize border = place.size() - inside.size();
    const int widthLimit = wordWrap() ? inside.width() : QWIDGETSIZE_MAX;
    const QSize needed =
        QFontMetrics(underlined)
            .boundingRect(QRect(0, 0, widthLimit, QWIDGETSIZE_MAX), textFlags(*this), text())
            .size() +
        border;
    QRect fitted(place.topLeft(), needed);
    if (alignment() & Qt::AlignHCenter) {
        fitted.moveLeft(place.left() + (place.width() - needed.width()) / 2);
    } else if (alignment() & Qt::AlignRight) {
        fitted.moveRight(place.right());
    }
    if (alignment() & Qt::AlignVCenter) {
        fitted.moveTop(place.top() + (place.height() - needed.height()) / 2);
    }
    setGeometry(fitted);
}

void CLinkLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    QFont shown = font();
    shown.setUnderline(isUnderlined());
    painter.setFont(shown);
    painter.setPen(textColour());
    const QRect inside = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    painter.drawText(inside, textFlags(*this), text());
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.backgroundColor = palette().color(backgroundRole());
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void CLinkLabel::mouseMoveEvent(QMouseEvent* event) {
    QLabel::mouseMoveEvent(event);
    if (!hovered_ && rect().contains(event->position().toPoint())) {
        setHovered(true);
    }
}

void CLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        activate();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void CLinkLabel::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    setHovered(false);
}

void CLinkLabel::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            activate();
            return;
        default:
            QLabel::keyPressEvent(event);
    }
}

void CLinkLabel::showEvent(QShowEvent* event) {
    QLabel::showEvent(event);
    // The dialog has placed the label and given it its language's text by now.
    fitToText();
    refreshTip();
}

void CLinkLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange && isVisible()) {
        fitToText();
    }
}

void CLinkLabel::setHovered(bool hovered) {
    if (hovered == hovered_) {
        return;
    }
    hovered_ = hovered;
    update();
}

void CLinkLabel::refreshTip() {
    setToolTip(target());
}
