#include "pictures/imageworker.h"
#include "tempfolder.h"
#include "testpictures.h"

#include <QFile>
#include <QPainter>
#include <QTransform>
#include <gtest/gtest.h>

namespace {

const QColor red(255, 0, 0), green(0, 200, 0), blue(0, 0, 255), yellow(255, 255, 0);

class ImageWorkerTest : public ::testing::Test
{
protected:
    // Opens the source and makes both JPEGs, as a picture run does.
    void process(const QString& source, int quarterTurns = 0)
    {
        worker.open(source, slidePath);
        slideWritten = worker.makeSlidePicture(640, quarterTurns);
        worker.setOutputPath(thumbPath);
        thumbWritten = worker.makeThumbnail(75);
    }
    QImage slide() const { return QImage(slidePath); }
    QImage thumb() const { return QImage(thumbPath); }

    TempFolder folder;
    QString slidePath = folder.file("s1.jpg");
    QString thumbPath = folder.file("t1.jpg");
    ImageWorker worker;
    bool slideWritten = false;
    bool thumbWritten = false;
};

} // namespace

TEST_F(ImageWorkerTest, LandscapeFitsInto640AndThumbnailIsTheCentralSquare)
{
    // GIVEN a 3000 × 2000 photo whose central 2000 × 2000 square is blue | green | yellow
    // and whose outer columns are red
    QImage picture = filledPicture(3000, 2000, red);
    paintColumns(picture, 500, 1000, blue);
    paintColumns(picture, 1000, 2000, green);
    paintColumns(picture, 2000, 2500, yellow);
    savePicture(picture, folder.file("photo.jpg"), "JPEG");
    // WHEN it is processed
    process(folder.file("photo.jpg"));
    // THEN the slide JPEG is 640 × 426 and the thumbnail shows exactly the central square
    ASSERT_TRUE(slideWritten && thumbWritten);
    EXPECT_EQ(slide().size(), QSize(640, 426));
    EXPECT_TRUE(isNear(slide(), 40, 200, red));
    EXPECT_TRUE(isNear(slide(), 320, 200, green));
    const QImage t = thumb();
    EXPECT_EQ(t.size(), QSize(75, 75));
    for (const int y : {2, 37, 72}) {
        EXPECT_TRUE(isNear(t, 0, y, blue)) << y;
        EXPECT_TRUE(isNear(t, 37, y, green)) << y;
        EXPECT_TRUE(isNear(t, 74, y, yellow)) << y;
    }
}

TEST_F(ImageWorkerTest, SlideSizeFollowsTheLongestSideAndNeverEnlarges)
{
    struct Case
    {
        int w, h;
        QSize slide, thumb;
    };
    const Case cases[] = {
        {2000, 3000, {426, 640}, {75, 75}}, {500, 400, {500, 400}, {75, 75}}, {60, 40, {60, 40}, {40, 40}},
        {1000, 1000, {640, 640}, {75, 75}}, {640, 50, {640, 50}, {75, 75}},   {2000, 2, {640, 1}, {75, 75}},
    };
    for (const Case& c : cases) {
        // GIVEN a picture of the case's size
        const QString source = folder.file(QString("p%1x%2.png").arg(c.w).arg(c.h));
        savePicture(filledPicture(c.w, c.h, green), source, "PNG");
        // WHEN it is processed
        process(source);
        // THEN both JPEGs have the expected sizes
        EXPECT_TRUE(slideWritten && thumbWritten) << c.w << "x" << c.h;
        EXPECT_EQ(slide().size(), c.slide) << c.w << "x" << c.h;
        EXPECT_EQ(thumb().size(), c.thumb) << c.w << "x" << c.h;
    }
}

TEST_F(ImageWorkerTest, SmallAndThinPicturesAreCutFromTheirCentre)
{
    // GIVEN a 60 × 40 picture green in its central 40 columns and a 640 × 50 picture
    // blue | green in its central 50 columns, both red elsewhere
    QImage small = filledPicture(60, 40, red);
    paintColumns(small, 10, 50, green);
    savePicture(small, folder.file("small.png"), "PNG");
    QImage thin = filledPicture(640, 50, red);
    paintColumns(thin, 295, 320, blue);
    paintColumns(thin, 320, 345, green);
    savePicture(thin, folder.file("thin.png"), "PNG");
    // WHEN the small one is processed
    process(folder.file("small.png"));
    // THEN its 40 × 40 thumbnail is all green, not enlarged
    ASSERT_EQ(thumb().size(), QSize(40, 40));
    for (const int x : {0, 20, 39})
        EXPECT_TRUE(isNear(thumb(), x, 20, green)) << x;
    // WHEN the thin one is processed
    process(folder.file("thin.png"));
    // THEN its central 50 × 50 square is enlarged to 75 × 75
    ASSERT_EQ(thumb().size(), QSize(75, 75));
    EXPECT_TRUE(isNear(thumb(), 0, 37, blue));
    EXPECT_TRUE(isNear(thumb(), 30, 37, blue));
    EXPECT_TRUE(isNear(thumb(), 45, 37, green));
    EXPECT_TRUE(isNear(thumb(), 74, 37, green));
}

TEST_F(ImageWorkerTest, SquarePictureThumbnailIsNotCropped)
{
    // GIVEN a 1000 × 1000 picture with a 100-pixel red frame around green
    QImage picture = filledPicture(1000, 1000, red);
    QImage inner = filledPicture(800, 800, green);
    for (int y = 0; y < 800; ++y)
        std::copy_n(inner.constScanLine(y), 800 * 4, picture.scanLine(y + 100) + 400);
    savePicture(picture, folder.file("square.jpg"), "JPEG");
    // WHEN it is processed
    process(folder.file("square.jpg"));
    // THEN the slide is 640 × 640 and the 75 × 75 thumbnail still shows the whole frame
    EXPECT_EQ(slide().size(), QSize(640, 640));
    ASSERT_EQ(thumb().size(), QSize(75, 75));
    EXPECT_TRUE(isNear(thumb(), 2, 37, red));
    EXPECT_TRUE(isNear(thumb(), 37, 2, red));
    EXPECT_TRUE(isNear(thumb(), 72, 72, red));
    EXPECT_TRUE(isNear(thumb(), 37, 37, green));
}

TEST_F(ImageWorkerTest, JpegsAreWrittenAtQualities75And90WithoutMetadata)
{
    // GIVEN a 500 × 400 JPEG saved at quality 95 with an EXIF block
    QImage picture = filledPicture(500, 400, blue);
    savePicture(picture, folder.file("q.jpg"), "JPEG");
    QFile file(folder.file("q.jpg"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    folder.write("exif.jpg", withExifOrientation(file.readAll(), 1));
    // WHEN it is processed
    process(folder.file("exif.jpg"));
    // THEN the slide JPEG is re-encoded at 75, the thumbnail at 90, neither keeps EXIF
    Magick::Image slideBack = readBack(slidePath);
    Magick::Image thumbBack = readBack(thumbPath);
    EXPECT_EQ(slideBack.quality(), 75u);
    EXPECT_EQ(thumbBack.quality(), 90u);
    // AND, as ImageMagick writes them, the slide halves its chroma both ways and the
    // thumbnail keeps it whole
    EXPECT_EQ(slideBack.attribute("jpeg:sampling-factor"), "2x2,1x1,1x1");
    EXPECT_EQ(thumbBack.attribute("jpeg:sampling-factor"), "1x1,1x1,1x1");
    EXPECT_EQ(slideBack.profile("EXIF").length(), 0u);
    EXPECT_EQ(thumbBack.profile("EXIF").length(), 0u);
}

TEST_F(ImageWorkerTest, ExtensionChoosesTheDecoderWithoutRegardToCase)
{
    const QImage picture = filledPicture(80, 60, green);
    for (const auto& [name, magick] : {std::pair{"A.JPG", "JPEG"},
                                       {"b.TIFF", "TIFF"},
                                       {"c.Tif", "TIFF"},
                                       {"d.JpEg", "JPEG"},
                                       {"e.BMP", "BMP"},
                                       {"f.Gif", "GIF"},
                                       {"g.PNG", "PNG"},
                                       {"photo [1] %d x:y.jpg", "JPEG"}}) {
        // GIVEN a picture whose extension is written in any case, or an awkward file name
        savePicture(picture, folder.file(name), magick);
        // WHEN it is processed
        process(folder.file(name));
        // THEN it is decoded and both JPEGs are written
        EXPECT_TRUE(worker.isLoaded()) << name;
        EXPECT_EQ(slide().size(), QSize(80, 60)) << name;
        EXPECT_TRUE(slideWritten && thumbWritten) << name;
    }
}

TEST_F(ImageWorkerTest, QuarterTurnsAreReducedModuloFourKeepingTheirSign)
{
    // GIVEN a 40 × 20 picture, red on its left half and blue on its right half
    QImage picture = filledPicture(40, 20, red);
    paintColumns(picture, 20, 40, blue);
    savePicture(picture, folder.file("turn.png"), "PNG");
    enum Where {
        Left,
        Top,
        Right,
        Bottom
    };
    const std::pair<int, Where> cases[] = {{0, Left},  {4, Left},   {-4, Left},  {1, Top},     {-3, Top},   {5, Top},
                                           {2, Right}, {-2, Right}, {3, Bottom}, {-1, Bottom}, {-5, Bottom}};
    for (const auto& [turns, redSide] : cases) {
        // WHEN it is processed with the quarter turns
        process(folder.file("turn.png"), turns);
        // THEN the red half ends up on the expected side of the slide and the thumbnail
        const QImage s = slide();
        const bool upright = redSide == Left || redSide == Right;
        ASSERT_EQ(s.size(), upright ? QSize(40, 20) : QSize(20, 40)) << turns;
        const QPoint redPoint = redSide == Left    ? QPoint(5, 10)
                                : redSide == Right ? QPoint(35, 10)
                                : redSide == Top   ? QPoint(10, 5)
                                                   : QPoint(10, 35);
        EXPECT_TRUE(isNear(s, redPoint.x(), redPoint.y(), red)) << turns;
        EXPECT_TRUE(isNear(s, s.width() - 1 - redPoint.x(), s.height() - 1 - redPoint.y(), blue)) << turns;
        EXPECT_TRUE(isNear(thumb(), redPoint.x() / 2, redPoint.y() / 2, red)) << turns;
    }
}

namespace {

// What a camera stores for a scene that its EXIF orientation (1–8) shows upright.
QImage storedFor(const QImage& upright, int orientation)
{
    const QTransform right = QTransform().rotate(90);
    switch (orientation) {
    case 2:
        return upright.mirrored(true, false);
    case 3:
        return upright.mirrored(true, true);
    case 4:
        return upright.mirrored(false, true);
    case 5:
        return upright.transformed(right).mirrored(true, false); // transposed
    case 6:
        return upright.transformed(QTransform().rotate(-90));
    case 7:
        return upright.transformed(right).mirrored(false, true); // transverse
    case 8:
        return upright.transformed(right);
    default:
        return upright;
    }
}

} // namespace

TEST_F(ImageWorkerTest, EveryExifOrientationTurnsThePictureUprightBeforeSizing)
{
    // GIVEN a 1600 × 1000 scene: red top left, green top right, blue bottom left, yellow
    // bottom right
    QImage scene = filledPicture(1600, 1000, red);
    paintColumns(scene, 800, 1600, green);
    {
        QPainter painter(&scene);
        painter.fillRect(0, 500, 800, 500, blue);
        painter.fillRect(800, 500, 800, 500, yellow);
    }
    for (int orientation = 1; orientation <= 8; ++orientation) {
        // AND a camera JPEG that stores it so that its EXIF orientation shows it upright
        const QImage stored = storedFor(scene, orientation);
        ASSERT_EQ(stored.size(), orientation >= 5 ? QSize(1000, 1600) : QSize(1600, 1000));
        savePicture(stored, folder.file("raw.jpg"), "JPEG");
        folder.write("camera.jpg", withExifOrientation(TempFolder::read(folder.file("raw.jpg")), orientation));
        // WHEN it is processed
        process(folder.file("camera.jpg"));
        // THEN the slide shows the scene upright at 640 × 400, without an orientation left
        const QImage s = slide();
        ASSERT_EQ(s.size(), QSize(640, 400)) << orientation;
        EXPECT_TRUE(isNear(s, 160, 100, red)) << orientation;
        EXPECT_TRUE(isNear(s, 480, 100, green)) << orientation;
        EXPECT_TRUE(isNear(s, 160, 300, blue)) << orientation;
        EXPECT_TRUE(isNear(s, 480, 300, yellow)) << orientation;
        EXPECT_EQ(readBack(slidePath).orientation(), Magick::UndefinedOrientation) << orientation;
        // AND the thumbnail is the upright central square
        const QImage t = thumb();
        ASSERT_EQ(t.size(), QSize(75, 75));
        EXPECT_TRUE(isNear(t, 18, 18, red)) << orientation;
        EXPECT_TRUE(isNear(t, 56, 18, green)) << orientation;
        EXPECT_TRUE(isNear(t, 18, 56, blue)) << orientation;
        EXPECT_TRUE(isNear(t, 56, 56, yellow)) << orientation;
    }
}
