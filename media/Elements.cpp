#include "media/Elements.h"

#include <gst/pbutils/pbutils.h>

#include <array>
#include <cmath>

Status makeElement(const char* factory, const char* name, GObjectPtr<GstElement>* element) {
    *element = refSink(gst_element_factory_make(factory, name));
    return *element ? status::kOk : status::kNoDecoder;
}

QString missingElementDescription(const char* factory) {
    GCharPtr description(gst_pb_utils_get_element_description(factory));
    return description ? QString::fromUtf8(description.get()) : QString::fromUtf8(factory);
}

Status linkChain(std::initializer_list<GstElement*> elements, QString* failedLink) {
    GstElement* previous = nullptr;
    for (GstElement* element : elements) {
        if (previous && !gst_element_link(previous, element)) {
            if (failedLink) {
                *failedLink =
                    QStringLiteral("%1 → %2").arg(QString::fromUtf8(GST_ELEMENT_NAME(previous)),
                                                  QString::fromUtf8(GST_ELEMENT_NAME(element)));
            }
            return status::kCannotConnect;
        }
        previous = element;
    }
    return status::kOk;
}

void frameRateFraction(double framesPerSecond, int* numerator, int* denominator) {
    // 23.976, 29.97 and 59.94 stand for the 1000/1001 rates of NTSC video.
    constexpr std::array kNtscBases = {24, 30, 48, 60, 120};
    for (int base : kNtscBases) {
        if (std::abs(framesPerSecond - base * 1000.0 / 1001.0) < 0.0015) {
            *numerator = base * 1000;
            *denominator = 1001;
            return;
        }
    }
    gst_util_double_to_fraction(framesPerSecond, numerator, denominator);
}
