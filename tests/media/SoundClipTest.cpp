#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QtEndian>

#include "media/SoundClip.h"

namespace {

// A 16-bit mono PCM WAV file of a short tone.
QByteArray shortWave() {
    constexpr int kRate = 22050;
    constexpr int kSamples = kRate / 20;
    QByteArray samples(kSamples * 2, Qt::Uninitialized);
    for (int i = 0; i < kSamples; ++i) {
        qToLittleEndian<qint16>(static_cast<qint16>((i % 50) * 200 - 5000), samples.data() + 2 * i);
    }
    QByteArray wave;
    auto put32 = [&](quint32 value) {
        char bytes[4];
        qToLittleEndian(value, bytes);
        wave.append(bytes, 4);
    };
    auto put16 = [&](quint16 value) {
        char bytes[2];
        qToLittleEndian(value, bytes);
        wave.append(bytes, 2);
    };
    wave.append("RIFF");
    put32(36 + samples.size());
    wave.append("WAVEfmt ");
    put32(16);
    put16(1);  // PCM
    put16(1);  // mono
    put32(kRate);
    put32(kRate * 2);
    put16(2);
    put16(16);
    wave.append("data");
    put32(samples.size());
    return wave + samples;
}

constexpr int kBoundMs = 10000;

TEST(SoundClip, PlaysToItsEndAgainAndAgainAndMayBeDroppedWhilePlaying) {
    SoundClip clip(shortWave(), nullptr, "fakesink");
    QSignalSpy finished(&clip, &SoundClip::finished);
    QSignalSpy failures(&clip, &SoundClip::becameSilent);
    // Quick repeats start the one pipeline over rather than stacking more.
    clip.play();
    clip.play();
    clip.play();
    ASSERT_TRUE(finished.wait(kBoundMs));
    finished.clear();
    clip.play();
    ASSERT_TRUE(finished.wait(kBoundMs));
    EXPECT_TRUE(failures.isEmpty());
    EXPECT_FALSE(clip.isSilent());

    auto dropped = std::make_unique<SoundClip>(shortWave(), nullptr, "fakesink");
    dropped->play();
    dropped.reset();
}

TEST(SoundClip, DataThatIsNoSoundGivesASilentClip) {
    SoundClip empty(QByteArray(), nullptr, "fakesink");
    EXPECT_TRUE(empty.isSilent());
    empty.play();

    SoundClip garbage(QByteArray(4096, 'x'), nullptr, "fakesink");
    QSignalSpy failures(&garbage, &SoundClip::becameSilent);
    QSignalSpy finished(&garbage, &SoundClip::finished);
    garbage.play();
    ASSERT_TRUE(failures.wait(kBoundMs));
    EXPECT_TRUE(garbage.isSilent());
    garbage.play();  // not tried again
    EXPECT_FALSE(finished.wait(300));
    EXPECT_EQ(failures.size(), 1);

    EXPECT_TRUE(SoundClip::fromFile(QStringLiteral("/nonexistent/click.wav"))->isSilent());
}

}  // namespace
