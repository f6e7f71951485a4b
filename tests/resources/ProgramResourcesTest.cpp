#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
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

namespace {

// Every page of the manual beside the program, and every link between them, leads somewhere.
TEST(Help, ManualIsBesideTheProgramAndItsLinksLeadToPagesAndPlacesThatExist) {
    const QString binFolder = qEnvironmentVariable("QUENZEL_BIN_DIR");
    const QString introduction = findHelpFile(binFolder, QString());
    ASSERT_EQ(introduction, binFolder + "/help/Introduction.htm");
    EXPECT_TRUE(findHelpFile(QStringLiteral("/nonexistent"), QStringLiteral("/nowhere")).isEmpty());

    const QDir folder = QFileInfo(introduction).dir();
    const QRegularExpression link(QStringLiteral(R"((?:href|src)="([^"#:]*)(?:#([^"]*))?")"));
    const QStringList pages = folder.entryList({QStringLiteral("*.htm")});
    EXPECT_GE(pages.size(), 5);
    for (const QString& page : pages) {
        QFile file(folder.filePath(page));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        EXPECT_TRUE(text.contains(QStringLiteral("<meta charset=\"utf-8\">")))
            << page.toStdString();
        for (const QRegularExpressionMatch& match : link.globalMatch(text)) {
            const QString target = match.captured(1).isEmpty() ? page : match.captured(1);
            SCOPED_TRACE((page + " -> " + match.captured(0)).toStdString());
            QFile linked(folder.filePath(target));
            ASSERT_TRUE(linked.open(QIODevice::ReadOnly));
            if (!match.captured(2).isEmpty()) {
                EXPECT_TRUE(QString::fromUtf8(linked.readAll())
                                .contains(QStringLiteral("id=\"%1\"").arg(match.captured(2))));
            }
        }
    }
}

}  // namespace
