#pragma once

#include <QRect>
#include <QSize>

// Where an icon button draws its image and its caption: plain geometry, without widgets.

enum class ImageAlignment {
    LeftOfCaption = 0,
    AboveCaption = 1,
    RightOfCaption = 2,
    BelowCaption = 3,
};

inline constexpr int kImageMargin = 3;         // pixels, both ways
inline constexpr QPoint kPressedOffset{1, 1};  // image and caption move by it while pressed

struct IconButtonPlaces {
    QRect image;    // empty without an icon
    QRect caption;  // the room the caption is centred in
};

// `icon` empty: no icon. Without a caption the image is centred (right-aligned images only
// horizontally).
IconButtonPlaces placeIconAndCaption(const QRect& item, const QSize& icon, bool hasCaption,
                                     ImageAlignment alignment, bool pressed);

// Where a caption of `textSize` (measured inside `room`) is drawn: centred in the room.
QRect centreCaption(const QRect& room, const QSize& textSize);
