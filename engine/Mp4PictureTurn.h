#pragma once

#include <QString>

#include "media/Status.h"

// GStreamer 1.22's MP4 writer has no place for a picture's turn: a copied phone clip, stored
// landscape and tagged to be shown turned, would play sideways. This writes the turn (90, 180 or
// 270 degrees clockwise, as the "rotate-N" orientation tags count) into the matrix of the
// picture track's header of a finished MP4 file, in place. A file it cannot follow is left as it
// is (kFalse).
Status setMp4PictureTurn(const QString& path, int degrees);

// The degrees of a "rotate-N" orientation tag; 0 for none or for one that also mirrors.
int turnOfOrientation(const QString& orientation);
