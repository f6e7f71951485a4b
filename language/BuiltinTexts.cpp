#include "language/BuiltinTexts.h"

#include <QHash>

QString builtinMessageText(int id) {
    static const QHash<int, QString> texts = {
        {105, QStringLiteral("Error")},
        {108, QStringLiteral("Warning")},
        {115, QStringLiteral("Output file:")},
        {116, QStringLiteral("Resolution:")},
        {119, QStringLiteral("Open a video file")},
        {122, QStringLiteral("Cannot open the file. You need to install appropriate decoders. Or "
                             "the file is corrupt.")},
        {123, QStringLiteral("Can not get the duration of the clip!")},
        {163, QStringLiteral("Done")},
    };
    return texts.value(id);
}

QString builtinDialogText(int id) {
    static const QHash<int, QString> texts = {
        {124, QStringLiteral("Stop")},
        {125, QStringLiteral("Convert")},
    };
    return texts.value(id);
}
