// Writes the hover sound: a short, soft click as a 16-bit mono PCM WAV file. Made at build time
// so that no recording is kept in the sources.
//
//   make_hover_sound OUTPUT.wav

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kSeconds = 0.045;
constexpr double kPeak = 0.28;  // soft: well below full scale

// Two partials of a small wooden tick, a fast attack (no pop) and a quick exponential decay.
std::vector<int16_t> clickSamples() {
    const int count = static_cast<int>(kRate * kSeconds);
    std::vector<int16_t> samples(count);
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double attack = std::min(1.0, t / 0.0008);
        const double release = std::min(1.0, (kSeconds - t) / 0.004);  // ends at silence
        const double body =
            0.65 * std::sin(2 * std::numbers::pi * 1850 * t) * std::exp(-t / 0.006) +
            0.35 * std::sin(2 * std::numbers::pi * 950 * t) * std::exp(-t / 0.011);
        samples[i] = static_cast<int16_t>(std::lround(32767 * kPeak * attack * release * body));
    }
    return samples;
}

void put(std::ofstream& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.wav\n", argv[0]);
        return 2;
    }
    const std::vector<int16_t> samples = clickSamples();
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write("RIFF", 4);
    put(out, 36 + dataBytes, 4);
    out.write("WAVEfmt ", 8);
    put(out, 16, 4);         // format chunk size
    put(out, 1, 2);          // PCM
    put(out, 1, 2);          // mono
    put(out, kRate, 4);      // frames per second
    put(out, kRate * 2, 4);  // bytes per second
    put(out, 2, 2);          // bytes per frame
    put(out, 16, 2);         // bits per sample
    out.write("data", 4);
    put(out, dataBytes, 4);
    for (int16_t sample : samples) {
        put(out, static_cast<uint16_t>(sample), 2);
    }
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
