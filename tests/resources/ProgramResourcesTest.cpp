#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>

#include "media/SoundClip.h"
#include "resources/ProgramResources.h"

namespace {

TEST(ProgramResources, EveryButtonIconTileAndSoundIsThere) {
    for (int id : {128, 140, 146, 148, 156, 158, 159}) {
        SCOPED_TRACE(id);
        const QPixmap icon(resourceIconPath(id));
        EXPECT_EQ(icon.size(), QSize(32, 32));
        EXPECT_FALSE(resourceIcon(id).isNull());
    }
    const QIcon programIcon = resourceIcon(resource_id::kProgramIcon);
    EXPECT_EQ(programIcon.availableSizes().size(), 7);
    EXPECT_EQ(programIcon.pixmap(256).size(), QSize(256, 256));
    EXPECT_EQ(resourceBitmap(resource_id::kBackgroundTile).size(), QSize(64, 64));
    EXPECT_EQ(resourceCursor(resource_id::kHandCursor).shape(), Qt::PointingHandCursor);

    for (int unknown : {0, 139, 141, 144, 999}) {
        EXPECT_TRUE(resourceIconPath(unknown).isEmpty());
    }
    EXPECT_TRUE(resourceSoundPath(140).isEmpty());
    EXPECT_TRUE(resourceBitmap(140).isNull());
}

TEST(ProgramResources, HoverSoundIsAShortWaveTheFrameworkPlays) {
    QFile wave(resourceSoundPath(resource_id::kHoverSound));
    ASSERT_TRUE(wave.open(QIODevice::ReadOnly));
    const QByteArray bytes = wave.readAll();
    EXPECT_TRUE(bytes.startsWith("RIFF"));
    EXPECT_LT(bytes.size(), 16 * 1024);

    SoundClip clip(bytes, nullptr, "fakesink");
    QSignalSpy finished(&clip, &SoundClip::finished);
    clip.play();
    EXPECT_TRUE(finished.wait(10000));
    EXPECT_FALSE(clip.isSilent());
}

}  // namespace
