#include "language/LogFont.h"

QString limitFaceName(const QString& faceName) {
    qsizetype cut = 0;
    for (int characters = 0; cut < faceName.size() && characters < LogFont::kMaxFaceNameLength;
         ++characters) {
        const bool pair = faceName.at(cut).isHighSurrogate() && cut + 1 < faceName.size() &&
                          faceName.at(cut + 1).isLowSurrogate();
        cut += pair ? 2 : 1;
    }
    return faceName.left(cut);
}
