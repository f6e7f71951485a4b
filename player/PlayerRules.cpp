#include "player/PlayerRules.h"

#include <algorithm>

namespace {

// The picture spans the area's width; bands above and below.
QRect acrossTheWidth(int areaWidth, int areaHeight, float aspect) {
    const int band = (areaHeight - static_cast<int>(static_cast<float>(areaWidth) / aspect)) / 2;
    return {0, band, areaWidth, areaHeight - 2 * band};
}

// The picture spans the area's height; bands left and right.
QRect acrossTheHeight(int areaWidth, int areaHeight, float aspect) {
    const int band = (areaWidth - static_cast<int>(static_cast<float>(areaHeight) * aspect)) / 2;
    return {band, 0, areaWidth - 2 * band, areaHeight};
}

}  // namespace

QRect picturePlacement(QSize area, QSize picture) {
    const int s = area.width();
    const int t = area.height();
    if (picture.isEmpty()) {
        return {0, 0, s, t};
    }
    const int w = 10 * picture.width();
    const int h = 10 * picture.height();
    const float aspect = static_cast<float>(w) / static_cast<float>(h);
    if (w <= s && h <= t) {
        return {(s - w) / 2, (t - h) / 2, w, h};
    }
    if (w > s && h <= t) {
        return acrossTheWidth(s, t, aspect);
    }
    if (w <= s && h > t) {
        return acrossTheHeight(s, t, aspect);
    }
    if (static_cast<float>(t) / static_cast<float>(h) >
        static_cast<float>(s) / static_cast<float>(w)) {
        return acrossTheWidth(s, t, aspect);
    }
    return acrossTheHeight(s, t, aspect);
}

QSize scaledWindowSize(QSize picture, int multiplier, int divider, QSize available) {
    if (divider == 0) {
        return {};
    }
    QSize wanted(picture.width() * multiplier / divider, picture.height() * multiplier / divider);
    if (!available.isEmpty() &&
        (wanted.width() > available.width() || wanted.height() > available.height())) {
        wanted = picturePlacement(available, wanted).size();
    }
    return wanted.expandedTo(QSize(1, 1));
}

QRect initialPlayerRect(QRect workArea, QRect mainWindowFrame) {
    const int left = workArea.left() + 100;
    const int top = workArea.top() + 5;
    const int bottom = mainWindowFrame.top();
    const int right = workArea.left() + (4 * (bottom - top)) / 3;
    return {left, top, std::max(1, right - left), std::max(1, bottom - top)};
}

QString playerTitle(const QString& clipPath, PlayState state) {
    const QString fileName = clipPath.mid(clipPath.lastIndexOf(QLatin1Char('/')) + 1);
    const QString paused = state == PlayState::Paused ? QStringLiteral("(Paused)") : QString();
    // One arg() call: a "%1" inside the file name stays as it is.
    return QStringLiteral("%1 %2 %3").arg(fileName, QString(), paused);
}

PlayerMenuState playerMenuState(PlayState state, bool fullScreen) {
    PlayerMenuState menu;
    menu.fullScreenChecked = fullScreen;
    switch (state) {
        case PlayState::Stopped:
            menu.pauseEnabled = false;
            menu.stopEnabled = false;
            break;
        case PlayState::Paused:
            menu.pauseEnabled = false;
            break;
        case PlayState::Running:
            menu.playEnabled = false;
            break;
        case PlayState::Init:
            break;
    }
    return menu;
}
