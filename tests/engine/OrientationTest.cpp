#include "tests/common/FileProbe.h"
#include "tests/common/TestMedia.h"
#include "tests/engine/ConversionFixture.h"

namespace {

using Outcome = ConversionJob::Outcome;

// A phone recording is a landscape stream tagged with the turn that shows it upright: it opens
// with its upright size and converts upright, filling the frame. The test pictures are portrait
// (360x640), gray, with a white square in the top-left corner of the upright picture.
class TurnedRecordings : public ConversionFixture, public ::testing::WithParamInterface<int> {
  protected:
    double brightness(const QRect& area) {
        return meanBrightnessIn(settings.outputName, 1.0, area);
    }

    void convertAt(int width, int height, int32_t resizeMode, const QString& name) {
        settings.outputWidth = width;
        settings.outputHeight = height;
        settings.resizeMode = resizeMode;
        settings.outputName = outputPath(name);
        ASSERT_EQ(convert(), Outcome::Completed) << dialogs.texts().join('|').toStdString();
        const ProbedFile written = probeFile(settings.outputName);
        ASSERT_TRUE(written.stream("video"));
        EXPECT_EQ(written.stream("video")->width, width);
        EXPECT_EQ(written.stream("video")->height, height);
        EXPECT_EQ(written.stream("video")->frames, 50);
        EXPECT_NEAR(written.duration, 2.0, 0.05);
    }
};

TEST_P(TurnedRecordings, ConvertUprightAtEverySize) {
    const int rotation = GetParam();
    openSource(
        makeTurnedClip(outputFolder.path(), QString("turned %1.mp4").arg(rotation), rotation));
    EXPECT_EQ(settings.sourceWidth, 360);
    EXPECT_EQ(settings.sourceHeight, 640);
    useCompressor(CompressorKind::Video, "avenc_mpeg4");
    project.endTime = 20'000'000;

    // Original size: edge to edge, the white corner at the top left.
    convertAt(360, 640, OutputSettings::kPreserveAspectRatio, "original.avi");
    EXPECT_GT(brightness({4, 4, 60, 60}), 200);
    EXPECT_NEAR(brightness({4, 300, 40, 40}), 128, 25) << "no border at the left";
    EXPECT_NEAR(brightness({300, 560, 50, 70}), 128, 25) << "no white but in the corner";

    // 640x480 keeping the aspect ratio: a 270-wide picture between black bars.
    convertAt(640, 480, OutputSettings::kPreserveAspectRatio, "kept.avi");
    EXPECT_GT(brightness({192, 4, 40, 40}), 200);
    EXPECT_LT(brightness({0, 100, 150, 300}), 30) << "black bar at the left";
    EXPECT_NEAR(brightness({300, 300, 100, 100}), 128, 25);

    // 640x480 stretched: the corner square grows with the frame.
    convertAt(640, 480, OutputSettings::kStretch, "stretched.avi");
    EXPECT_GT(brightness({4, 4, 120, 50}), 200);
    EXPECT_NEAR(brightness({4, 200, 100, 200}), 128, 25);
}

INSTANTIATE_TEST_SUITE_P(Rotations, TurnedRecordings, ::testing::Values(0, 90, 180, 270));

}  // namespace
