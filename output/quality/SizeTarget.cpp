#include "output/quality/SizeTarget.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace {

// The bytes the container and the sound take, whatever the picture's bitrate.
double fixedBytes(const SizeBudget& budget, int64_t soundBitrate) {
    const double packets =
        budget.seconds * (budget.frameRate + (soundBitrate > 0 ? budget.soundPacketsPerSecond : 0));
    constexpr double kHeaders = 16 * 1024;
    return kHeaders + packets * budget.packetOverhead + double(soundBitrate) * budget.seconds / 8;
}

int64_t leastVideoBitrate(const SizeBudget& budget) {
    return int64_t(
        std::ceil(budget.leastBitsPerPixel * budget.width * budget.height * budget.frameRate));
}

}  // namespace

std::optional<int64_t> parseSize(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d+(?:\\.\\d+)?|\\.\\d+)\\s*([kmg]i?)?(b|byte|bytes)?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const double number = match.captured(1).toDouble();
    const QString prefix = match.captured(2).toLower();
    double factor = 1e6;  // a number alone is megabytes
    if (!prefix.isEmpty()) {
        const bool binary = prefix.endsWith(QLatin1Char('i'));
        const int power = prefix.startsWith(QLatin1Char('k'))   ? 1
                          : prefix.startsWith(QLatin1Char('m')) ? 2
                                                                : 3;
        factor = std::pow(binary ? 1024.0 : 1000.0, power);
    } else if (!match.captured(3).isEmpty()) {
        factor = 1;  // "4000000B"
    }
    const double bytes = std::floor(number * factor);
    if (!(bytes >= 1) || bytes > 1e15) {
        return std::nullopt;
    }
    return int64_t(bytes);
}

QString megabytesText(int64_t bytes) {
    const double megabytes = std::ceil(double(bytes) / 1e4) / 100;  // up to the next 0.01 MB
    QString number = QString::number(megabytes, 'f', 2);
    while (number.endsWith(QLatin1Char('0'))) {
        number.chop(1);
    }
    if (number.endsWith(QLatin1Char('.'))) {
        number.chop(1);
    }
    return number + QStringLiteral(" MB");
}

SizePlan planForSize(const SizeBudget& budget) {
    SizePlan plan;
    if (budget.seconds <= 0) {
        return plan;
    }
    const int64_t leastVideo = leastVideoBitrate(budget);
    plan.smallestSensibleBytes = int64_t(std::ceil(
        (fixedBytes(budget, budget.smallestSoundBitrate) + leastVideo * budget.seconds / 8) /
        kAimedShare));
    const double aimed = double(budget.targetBytes) * kAimedShare;
    // The preferred sound while the picture keeps enough; else the least sound.
    for (int64_t sound : {budget.soundBitrate, budget.smallestSoundBitrate}) {
        const double videoBytes = aimed - fixedBytes(budget, sound);
        const auto video = int64_t(videoBytes * 8 / budget.seconds);
        if (video >= leastVideo) {
            plan.reachable = true;
            plan.videoBitrate = video;
            plan.soundBitrate = sound;
            return plan;
        }
    }
    return plan;
}

int64_t correctedVideoBitrate(const SizeBudget& budget, const SizePlan& plan, int64_t videoBitrate,
                              int64_t writtenBytes) {
    const double fixed = fixedBytes(budget, plan.soundBitrate);
    const double wanted = double(budget.targetBytes) * kAimedShare - fixed;
    // What the picture took: the file less what did not depend on its bitrate.
    const double written = std::max(double(writtenBytes) - fixed, 1.0);
    const double margin = writtenBytes > budget.targetBytes ? 0.98 : 1.0;
    const auto corrected = int64_t(double(videoBitrate) * wanted / written * margin);
    return std::max<int64_t>(corrected, leastVideoBitrate(budget));
}

double libavQuantizerFor(double bitrate, double pixelsPerSecond) {
    constexpr double kBitsPerPixelAtFinest = 0.5;
    constexpr double kFinest = 2;
    constexpr double kCoarsest = 31;
    if (bitrate <= 0 || pixelsPerSecond <= 0) {
        return kCoarsest;
    }
    const double bitsPerPixel = bitrate / pixelsPerSecond;
    const double quantizer = kFinest * std::pow(kBitsPerPixelAtFinest / bitsPerPixel, 1 / 0.85);
    return std::clamp(quantizer, kFinest, kCoarsest);
}

int libavQuantizerStep(double bitrate, double pixelsPerSecond) {
    return int(std::ceil(libavQuantizerFor(bitrate, pixelsPerSecond) - 0.05));
}

int64_t libavBitrateForStep(int quantizer, double pixelsPerSecond) {
    // The middle of the span of bitrates that round to this quantizer.
    const double inside = std::max(quantizer - 0.5, 2.0);
    return int64_t(pixelsPerSecond * 0.5 / std::pow(inside / 2, 0.85));
}
