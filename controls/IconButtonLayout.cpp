#include "controls/IconButtonLayout.h"

IconButtonPlaces placeIconAndCaption(const QRect& item, const QSize& icon, bool hasCaption,
                                     ImageAlignment alignment, bool pressed) {
    IconButtonPlaces places{{}, item};
    if (!icon.isEmpty()) {
        const int centredLeft = item.left() + (item.width() - icon.width()) / 2;
        const int centredTop = item.top() + (item.height() - icon.height()) / 2;
        QPoint corner(centredLeft, centredTop);
        if (hasCaption) {
            switch (alignment) {
                case ImageAlignment::LeftOfCaption:
                    corner.setX(item.left() + kImageMargin);
                    places.caption.setLeft(item.left() + icon.width() + kImageMargin);
                    break;
                case ImageAlignment::AboveCaption:
                    corner.setY(item.top() + kImageMargin);
                    places.caption.setTop(item.top() + icon.height());
                    break;
                case ImageAlignment::RightOfCaption:
                    corner.setX(item.left() + item.width() - kImageMargin - icon.width());
                    places.caption.setLeft(item.left() + kImageMargin);
                    places.caption.setRight(corner.x() - 1);
                    break;
                case ImageAlignment::BelowCaption:
                    corner.setY(item.top() + item.height() - kImageMargin - icon.height());
                    places.caption.setBottom(item.bottom() - icon.height());
                    break;
            }
        } else if (alignment == ImageAlignment::RightOfCaption) {
            corner.setY(item.top());
        }
        places.image = QRect(corner, icon);
        if (pressed) {
            places.image.translate(kPressedOffset);
        }
    }
    if (pressed) {
        places.caption.translate(kPressedOffset);
    }
    return places;
}

QRect centreCaption(const QRect& room, const QSize& textSize) {
    return QRect(room.left() + (room.width() - textSize.width()) / 2,
                 room.top() + (room.height() - textSize.height()) / 2, textSize.width(),
                 textSize.height());
}
