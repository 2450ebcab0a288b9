// A video frame of a slide: the picture fitted on black, turned as asked, and its caption band.
#include "export/slideframe.h"
#include "exportchecks.h"
#include "tempfolder.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

using exportchecks::colourDistance;
using exportchecks::meanColour;

const QColor red(220, 30, 30);
const QColor blue(40, 60, 210);
const QColor yellow(230, 220, 40);

QImage solid(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

TEST(FittedPicture, APictureFillsTheFrameOneWayAndIsCentredTheOther)
{
    const QSize frame(1280, 720);
    EXPECT_EQ(fittedPictureRect(QSize(640, 480), frame), QRect(160, 0, 960, 720));
    EXPECT_EQ(fittedPictureRect(QSize(640, 200), frame), QRect(0, 160, 1280, 400));
    EXPECT_EQ(fittedPictureRect(QSize(300, 600), frame), QRect(460, 0, 360, 720));
    EXPECT_EQ(fittedPictureRect(QSize(64, 36), frame), QRect(0, 0, 1280, 720));
    EXPECT_EQ(fittedPictureRect(QSize(4000, 3000), QSize(640, 360)), QRect(80, 0, 480, 360));
    EXPECT_TRUE(fittedPictureRect(QSize(), frame).isEmpty());
}

TEST(SlideFrame, ThePictureStandsOnBlackBars)
{
    const QImage frame = composeSlideFrame(solid(QSize(640, 480), red), QSize(1280, 720), QString());
    ASSERT_EQ(frame.size(), QSize(1280, 720));
    EXPECT_LE(colourDistance(meanColour(frame, QRect(0, 0, 160, 720)), Qt::black), 1);
    EXPECT_LE(colourDistance(meanColour(frame, QRect(1120, 0, 160, 720)), Qt::black), 1);
    EXPECT_LE(colourDistance(meanColour(frame, QRect(162, 2, 956, 716)), red), 2);
}

TEST(SlideFrame, AnEmptyCaptionDrawsNoBand)
{
    EXPECT_TRUE(captionBandRect(QString(), QSize(1280, 720)).isEmpty());
    EXPECT_TRUE(captionBandRect("  ", QSize(1280, 720)).isEmpty());
    const QImage plain = composeSlideFrame(solid(QSize(640, 360), blue), QSize(640, 360), QString());
    EXPECT_EQ(plain, composeSlideFrame(solid(QSize(640, 360), blue), QSize(640, 360), " "));
}

TEST(SlideFrame, ACaptionIsWhiteTextOnATranslucentDarkBandAtTheBottom)
{
    const QSize size(1280, 720);
    const QImage picture = solid(size, QColor(200, 200, 200));
    const QImage frame = composeSlideFrame(picture, size, "Sea and sun");
    const QRect band = captionBandRect("Sea and sun", size);
    ASSERT_FALSE(band.isEmpty());
    EXPECT_EQ(band.bottom(), size.height() - 1);
    EXPECT_EQ(band.width(), size.width());
    EXPECT_LT(band.height(), size.height() / 4);
    // Above the band the picture is untouched; at the band's ends it shows through darkened.
    EXPECT_LE(colourDistance(meanColour(frame, QRect(0, 0, 1280, band.top())), QColor(200, 200, 200)), 1);
    const QColor edge = meanColour(frame, QRect(0, band.top() + 2, 20, band.height() - 4));
    EXPECT_LT(edge.red(), 120);
    EXPECT_GT(edge.red(), 30);
    // The text: white pixels near the band's middle, none above it.
    int white = 0;
    for (int y = band.top(); y <= band.bottom(); ++y) {
        for (int x = 400; x < 880; ++x)
            white += qRed(frame.pixel(x, y)) > 240 && qBlue(frame.pixel(x, y)) > 240;
    }
    EXPECT_GT(white, 100);
}

TEST(SlideFrame, TheCaptionGrowsWithTheFrameAndLongOnesWrap)
{
    const QRect small = captionBandRect("Sea and sun", QSize(640, 360));
    const QRect large = captionBandRect("Sea and sun", QSize(1280, 720));
    EXPECT_NEAR(double(large.height()) / small.height(), 2.0, 0.2);
    // An upright frame is narrow for its text size.
    const QSize upright(360, 640);
    const QString longCaption = "A long walk along the beach at the end of a warm day in May";
    const QRect oneLine = captionBandRect("Sea", upright);
    const QRect wrapped = captionBandRect(longCaption, upright);
    EXPECT_GT(wrapped.height(), oneLine.height() * 2);
    EXPECT_LE(wrapped.height(), 320);
    const QRect lines = captionBandRect("one\ntwo", QSize(640, 360));
    EXPECT_GT(lines.height(), small.height() * 3 / 2);
}

TEST(ExportPicture, AFileIsDecodedUprightAndTurnedClockwise)
{
    TempFolder folder;
    const QString path = exportchecks::writePicture(folder, "halves.jpg", QSize(300, 200), blue, yellow);
    const QImage upright = loadExportPicture(path, 0, 1280);
    ASSERT_EQ(upright.size(), QSize(300, 200));
    EXPECT_LE(colourDistance(meanColour(upright, QRect(0, 0, 300, 90)), blue), 6);
    const QImage right = loadExportPicture(path, 1, 1280);
    ASSERT_EQ(right.size(), QSize(200, 300));
    // A right turn takes the top to the right side.
    EXPECT_LE(colourDistance(meanColour(right, QRect(110, 0, 90, 300)), blue), 6);
    EXPECT_LE(colourDistance(meanColour(right, QRect(0, 0, 90, 300)), yellow), 6);
    const QImage left = loadExportPicture(path, 3, 1280);
    EXPECT_LE(colourDistance(meanColour(left, QRect(0, 0, 90, 300)), blue), 6);
    const QImage down = loadExportPicture(path, 2, 1280);
    EXPECT_LE(colourDistance(meanColour(down, QRect(0, 110, 300, 90)), blue), 6);
}

TEST(ExportPicture, MissingAndUndecodableFilesGiveNoPicture)
{
    TempFolder folder;
    EXPECT_TRUE(loadExportPicture(folder.file("none.jpg"), 0, 1280).isNull());
    EXPECT_TRUE(loadExportPicture(folder.write("bad.jpg", "not a picture at all"), 0, 1280).isNull());
    EXPECT_TRUE(loadExportPicture(folder.path(), 0, 1280).isNull());
}

} // namespace
