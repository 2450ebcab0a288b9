#include "pictures/picturework.h"
#include "tempfolder.h"
#include "testpictures.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <latch>
#include <thread>

namespace {

const QColor red(255, 0, 0), blue(0, 0, 255);

PictureJob jobIn(const TempFolder& folder, const QString& source, int id = 1)
{
    PictureJob job;
    job.sourcePath = source;
    job.slideJpegPath = folder.file(QString("s%1.jpg").arg(id));
    job.thumbJpegPath = folder.file(QString("t%1.jpg").arg(id));
    job.workingCopyPath = folder.file(QString("c%1.jpg").arg(id));
    return job;
}

bool isAllWhite(const QImage& image)
{
    return nonWhiteArea(image).isEmpty();
}

} // namespace

TEST(ThumbnailBitmap, PictureIsFittedAndCentredOnWhite)
{
    const std::pair<QSize, QRect> cases[] = {
        {{640, 426}, {0, 13, 75, 49}}, {{426, 640}, {13, 0, 49, 75}}, {{640, 600}, {0, 2, 75, 70}},
        {{100, 100}, {0, 0, 75, 75}},  {{40, 30}, {0, 9, 75, 56}},    {{640, 1}, {}},
    };
    for (const auto& [size, area] : cases) {
        // GIVEN a red picture of the case's size
        const QImage picture = filledPicture(size.width(), size.height(), red);
        // WHEN its strip bitmap is built
        const QImage bitmap = buildThumbnailBitmap(picture);
        // THEN it is 75 × 75, red exactly inside the fitted rectangle and white elsewhere
        ASSERT_EQ(bitmap.size(), QSize(75, 75));
        EXPECT_FALSE(bitmap.hasAlphaChannel());
        EXPECT_EQ(nonWhiteArea(bitmap), area) << size.width() << "x" << size.height();
        if (!area.isEmpty()) {
            EXPECT_EQ(bitmap.pixel(area.center()), qRgb(255, 0, 0));
        }
    }
    // GIVEN no picture  THEN the bitmap is plain white
    const QImage empty = buildThumbnailBitmap(QImage());
    EXPECT_EQ(empty.size(), QSize(75, 75));
    EXPECT_TRUE(isAllWhite(empty));
}

TEST(PictureExtensions, SevenExtensionsWithoutRegardToCase)
{
    for (const char* name :
         {"a.tif", "a.TIFF", "a.jpg", "a.JPEG", "a.Bmp", "a.gif", "a.PNG", "/home/x/holiday.photos/IMG_1.JpG"})
        EXPECT_TRUE(hasPictureExtension(name)) << name;
    for (const char* name : {"a.tga", "a.webp", "a.jpgx", "a.png.txt", "jpg", "", "/a.jpg/b"})
        EXPECT_FALSE(hasPictureExtension(name)) << name;
}

TEST(PictureImport, WritesSlideJpegWorkingCopyThumbnailAndResult)
{
    // GIVEN a 4000 × 3000 photo, red on its left half and blue on its right half
    TempFolder folder;
    QImage photo = filledPicture(4000, 3000, red);
    paintColumns(photo, 2000, 4000, blue);
    savePicture(photo, folder.file("photo.jpg"), "JPEG", false, 90);
    const PictureJob job = jobIn(folder, folder.file("photo.jpg"));
    // WHEN it is imported
    const PictureResult result = runPictureImport(job);
    // THEN the slide JPEG is 640 × 480 with the photo's halves, its working copy has the same
    // bytes and the thumbnail JPEG is 75 × 75
    EXPECT_TRUE(result.loaded);
    EXPECT_TRUE(result.decoded);
    const QByteArray slideBytes = TempFolder::read(job.slideJpegPath);
    ASSERT_FALSE(slideBytes.isEmpty());
    const QImage slide = QImage::fromData(slideBytes, "JPEG");
    ASSERT_EQ(slide.size(), QSize(640, 480));
    EXPECT_TRUE(isNear(slide, 20, 240, red));
    EXPECT_TRUE(isNear(slide, 620, 240, blue));
    EXPECT_EQ(TempFolder::read(job.workingCopyPath), slideBytes);
    const QImage thumb(job.thumbJpegPath);
    ASSERT_EQ(thumb.size(), QSize(75, 75));
    EXPECT_TRUE(isNear(thumb, 5, 37, red));
    EXPECT_TRUE(isNear(thumb, 70, 37, blue));
    EXPECT_EQ(result.jpegSize, slideBytes.size());
    // AND the decoded picture is exactly the slide JPEG, letterboxed into the strip bitmap
    EXPECT_EQ(result.picture, slide);
    EXPECT_EQ(nonWhiteArea(result.thumbnail), QRect(0, 9, 75, 56));
    EXPECT_TRUE(isNear(result.thumbnail, 5, 37, red));
    EXPECT_TRUE(isNear(result.thumbnail, 70, 37, blue));
    // AND the user's file is untouched
    EXPECT_TRUE(QFileInfo(job.sourcePath).size() > slideBytes.size());
}

TEST(PictureImport, ThePictureIsTheSlideJpegAsQtReadsIt)
{
    TempFolder folder;
    QImage photo = filledPicture(900, 700, red);
    paintColumns(photo, 300, 600, blue);
    savePicture(photo, folder.file("gray.jpg"), "JPEG", true);
    savePicture(photo, folder.file("small.png"), "PNG");
    int id = 1;
    for (const char* name : {"gray.jpg", "small.png"}) {
        // GIVEN a grayscale JPEG or a PNG  WHEN it is imported
        const PictureJob job = jobIn(folder, folder.file(name), id++);
        const PictureResult result = runPictureImport(job);
        // THEN the picture is exactly what Qt reads from the slide JPEG, in Qt's own format
        const QImage slide(job.slideJpegPath);
        ASSERT_FALSE(slide.isNull()) << name;
        EXPECT_EQ(result.picture.format(), slide.format()) << name;
        EXPECT_EQ(result.picture, slide) << name;
    }
}

TEST(PictureImport, UndecodableFileWritesNothingAndStillReplacesTheWorkingCopy)
{
    for (const char* name : {"corrupt.jpg", "picture.tga"}) {
        // GIVEN a corrupt JPEG or a picture without a decoder, and an old working copy
        TempFolder folder;
        folder.write(name, QByteArray(4000, '\x55'));
        const PictureJob job = jobIn(folder, folder.file(name));
        folder.write("c1.jpg", "old working copy");
        // WHEN it is imported
        const PictureResult result = runPictureImport(job);
        // THEN the decoder ran only for the known extension, and no picture resulted
        EXPECT_EQ(result.loaded, QString(name).endsWith(".jpg")) << name;
        EXPECT_FALSE(result.decoded) << name;
        EXPECT_TRUE(result.picture.isNull()) << name;
        EXPECT_EQ(result.jpegSize, 0) << name;
        // AND no file was written while the old working copy was removed
        EXPECT_FALSE(QFile::exists(job.slideJpegPath)) << name;
        EXPECT_FALSE(QFile::exists(job.thumbJpegPath)) << name;
        EXPECT_FALSE(QFile::exists(job.workingCopyPath)) << name;
        // AND the strip bitmap is plain white
        EXPECT_EQ(result.thumbnail.size(), QSize(75, 75));
        EXPECT_TRUE(isAllWhite(result.thumbnail)) << name;
    }
}

TEST(PictureReprocess, TurnsTheWorkingCopyWithoutTouchingIt)
{
    // GIVEN an imported landscape photo, red left and blue right
    TempFolder folder;
    QImage photo = filledPicture(1500, 1000, red);
    paintColumns(photo, 750, 1500, blue);
    savePicture(photo, folder.file("photo.png"), "PNG");
    PictureJob job = jobIn(folder, folder.file("photo.png"));
    runPictureImport(job);
    const QByteArray workingCopy = TempFolder::read(job.workingCopyPath);
    ASSERT_FALSE(workingCopy.isEmpty());
    job.sourcePath = job.workingCopyPath;
    for (const int turns : {1, -1, 4}) {
        // WHEN it is re-processed from the working copy with the slide's rotation
        job.rotation = turns;
        const PictureResult result = runPictureReprocess(job);
        // THEN the slide JPEG and the picture are turned from the unturned copy
        const bool upright = turns == 4;
        const QSize expected = upright ? QSize(640, 426) : QSize(426, 640);
        EXPECT_EQ(QImage(job.slideJpegPath).size(), expected) << turns;
        EXPECT_EQ(result.picture.size(), expected) << turns;
        const QPoint redPoint = upright ? QPoint(20, 213) : QPoint(213, turns == 1 ? 20 : 620);
        EXPECT_TRUE(isNear(result.picture, redPoint.x(), redPoint.y(), red)) << turns;
        EXPECT_EQ(nonWhiteArea(result.thumbnail), upright ? QRect(0, 13, 75, 49) : QRect(13, 0, 49, 75));
        EXPECT_EQ(result.jpegSize, QFileInfo(job.slideJpegPath).size());
        EXPECT_EQ(QImage(job.thumbJpegPath).size(), QSize(75, 75));
        // AND the working copy stays as imported
        EXPECT_EQ(TempFolder::read(job.workingCopyPath), workingCopy) << turns;
    }
}

TEST(PictureImport, TwoImportsRunOnDifferentThreadsAtOnce)
{
    // GIVEN a landscape red photo and a portrait blue photo
    TempFolder folder;
    savePicture(filledPicture(2400, 1600, red), folder.file("a.jpg"), "JPEG");
    savePicture(filledPicture(1600, 2400, blue), folder.file("b.png"), "PNG");
    const PictureJob jobs[] = {jobIn(folder, folder.file("a.jpg"), 1), jobIn(folder, folder.file("b.png"), 2)};
    PictureResult results[2];
    // WHEN both are imported on two threads released together
    std::latch start(2);
    {
        std::jthread first([&] {
            start.arrive_and_wait();
            results[0] = runPictureImport(jobs[0]);
        });
        std::jthread second([&] {
            start.arrive_and_wait();
            results[1] = runPictureImport(jobs[1]);
        });
    }
    // THEN each result is that of its own picture
    EXPECT_EQ(results[0].picture.size(), QSize(640, 426));
    EXPECT_EQ(results[1].picture.size(), QSize(426, 640));
    EXPECT_TRUE(isNear(results[0].picture, 100, 100, red));
    EXPECT_TRUE(isNear(results[1].picture, 100, 100, blue));
    EXPECT_TRUE(isNear(QImage(jobs[0].thumbJpegPath), 37, 37, red));
    EXPECT_TRUE(isNear(QImage(jobs[1].thumbJpegPath), 37, 37, blue));
    EXPECT_EQ(TempFolder::read(jobs[1].workingCopyPath), TempFolder::read(jobs[1].slideJpegPath));
}
