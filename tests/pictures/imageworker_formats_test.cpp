#include "pictures/imageworker.h"
#include "tempfolder.h"
#include "testpictures.h"

#include <QFile>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

const QColor green(0, 200, 0), red(255, 0, 0), blue(0, 0, 255);

// A smooth diagonal colour gradient, like the sky of a photo.
QImage gradientPicture(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, w, h);
    gradient.setColorAt(0, QColor(250, 120, 20));
    gradient.setColorAt(1, QColor(20, 90, 230));
    painter.fillRect(image.rect(), gradient);
    return image;
}

struct Outputs
{
    bool loaded = false;
    bool slideWritten = false;
    bool thumbWritten = false;
    QSize decoded; // size of the in-memory picture right after decoding
};

Outputs process(const QString& source, const QString& slide, const QString& thumb,
                int minimumSide = ImageWorker::slidePictureSize)
{
    ImageWorker worker;
    worker.open(source, slide, minimumSide);
    Outputs out;
    out.loaded = worker.isLoaded();
    out.decoded = worker.size();
    out.slideWritten = worker.makeSlidePicture(640, 0);
    worker.setOutputPath(thumb);
    out.thumbWritten = worker.makeThumbnail(75);
    return out;
}

bool isGrayJpeg(const QString& path)
{
    return readBack(path).colorSpace() == Magick::GRAYColorspace;
}

} // namespace

TEST(ImageWorkerFormats, GrayscalePicturesStayGrayscaleInBothJpegs)
{
    TempFolder folder;
    const QImage picture = gradientPicture(900, 700).convertToFormat(QImage::Format_Grayscale8);
    savePicture(picture, folder.file("gray.png"), "PNG", true);
    savePicture(picture, folder.file("gray.jpg"), "JPEG", true);
    savePicture(picture, folder.file("gray.gif"), "GIF", true);
    savePicture(gradientPicture(900, 700), folder.file("colour.jpg"), "JPEG");
    for (const char* name : {"gray.png", "gray.jpg", "gray.gif"}) {
        // GIVEN a one-channel picture or one with a gray palette  WHEN it is processed
        process(folder.file(name), folder.file("s.jpg"), folder.file("t.jpg"));
        // THEN both JPEGs are one-channel grayscale JPEGs
        EXPECT_TRUE(isGrayJpeg(folder.file("s.jpg"))) << name;
        EXPECT_TRUE(isGrayJpeg(folder.file("t.jpg"))) << name;
    }
    // GIVEN a colour JPEG  WHEN it is processed  THEN both JPEGs are in colour
    process(folder.file("colour.jpg"), folder.file("s.jpg"), folder.file("t.jpg"));
    EXPECT_EQ(readBack(folder.file("s.jpg")).colorSpace(), Magick::sRGBColorspace);
    EXPECT_EQ(readBack(folder.file("t.jpg")).colorSpace(), Magick::sRGBColorspace);
}

TEST(ImageWorkerFormats, CmykJpegBecomesRgbWithItsColours)
{
    // GIVEN a CMYK JPEG, as printers' tools save them
    TempFolder folder;
    Magick::Image picture(Magick::Geometry(120, 80), Magick::ColorRGB(1.0, 0.0, 0.0));
    picture.colorSpace(Magick::CMYKColorspace);
    picture.write(folder.file("cmyk.jpg").toStdString());
    ASSERT_EQ(readBack(folder.file("cmyk.jpg")).colorSpace(), Magick::CMYKColorspace);
    // WHEN it is processed
    process(folder.file("cmyk.jpg"), folder.file("s.jpg"), folder.file("t.jpg"));
    // THEN both JPEGs are RGB and still red
    EXPECT_EQ(readBack(folder.file("s.jpg")).colorSpace(), Magick::sRGBColorspace);
    EXPECT_TRUE(isNear(QImage(folder.file("s.jpg")), 60, 40, QColor(255, 0, 0)));
    EXPECT_TRUE(isNear(QImage(folder.file("t.jpg")), 40, 40, QColor(255, 0, 0)));
}

TEST(ImageWorkerFormats, PaletteGifBecomesTrueColour)
{
    // GIVEN an 800 × 600 GIF with a 256-colour palette
    TempFolder folder;
    savePicture(gradientPicture(800, 600), folder.file("palette.gif"), "GIF");
    ASSERT_EQ(readBack(folder.file("palette.gif")).classType(), Magick::PseudoClass);
    // WHEN it is processed
    const Outputs out = process(folder.file("palette.gif"), folder.file("s.jpg"), folder.file("t.jpg"));
    // THEN the resampled slide and the thumbnail are colour JPEGs with the picture's colours
    ASSERT_TRUE(out.slideWritten && out.thumbWritten);
    const QImage slide(folder.file("s.jpg"));
    EXPECT_EQ(slide.size(), QSize(640, 480));
    EXPECT_EQ(readBack(folder.file("s.jpg")).colorSpace(), Magick::sRGBColorspace);
    EXPECT_EQ(readBack(folder.file("t.jpg")).colorSpace(), Magick::sRGBColorspace);
    EXPECT_TRUE(isNear(slide, 5, 5, QColor(250, 120, 20)));
    EXPECT_TRUE(isNear(slide, 634, 474, QColor(20, 90, 230)));
}

TEST(ImageWorkerFormats, JpegsDecodeAtTheSmallestDctScaleCoveringTheSlide)
{
    TempFolder folder;
    struct Case
    {
        int w, h;
        QSize decoded, slide;
    };
    // Scales come in eighths; the decoded size is rounded up, so 2561 × 1283 decodes at
    // 641 × 321 (1/4) and 1279 × 853 at 640 × 427 (1/2). A picture up to 640 pixels, or
    // one whose 7/8 scale would fall below 640, decodes whole and is never enlarged.
    const Case cases[] = {
        {5120, 3000, {640, 375}, {640, 375}}, {4000, 3000, {1000, 750}, {640, 480}},
        {3000, 2000, {750, 500}, {640, 426}}, {2561, 1283, {641, 321}, {640, 320}},
        {2000, 1333, {750, 500}, {640, 426}}, {1280, 853, {640, 427}, {640, 426}},
        {1279, 853, {640, 427}, {640, 426}},  {1000, 3000, {250, 750}, {213, 640}},
        {700, 500, {700, 500}, {640, 457}},   {640, 480, {640, 480}, {640, 480}},
        {600, 400, {600, 400}, {600, 400}},
    };
    for (const Case& c : cases) {
        // GIVEN a JPEG of the case's size
        const QString source = folder.file(QString("big%1x%2.jpg").arg(c.w).arg(c.h));
        savePicture(gradientPicture(c.w, c.h), source, "JPEG", false, 90);
        // WHEN it is processed with and without reduced decoding
        const Outputs reduced = process(source, folder.file("s.jpg"), folder.file("t.jpg"));
        const Outputs full = process(source, folder.file("f.jpg"), folder.file("ft.jpg"), 0);
        // THEN it was decoded at the smallest scale that still covers the slide, yet both
        // slides have the exact size and the same look
        EXPECT_EQ(reduced.decoded, c.decoded) << c.w << "x" << c.h;
        EXPECT_EQ(full.decoded, QSize(c.w, c.h));
        const QImage slide(folder.file("s.jpg"));
        const QImage reference(folder.file("f.jpg"));
        ASSERT_EQ(slide.size(), c.slide) << c.w << "x" << c.h;
        ASSERT_EQ(reference.size(), c.slide);
        EXPECT_EQ(QImage(folder.file("t.jpg")).size(), QSize(75, 75));
        for (const QPoint p : {QPoint(3, 3), QPoint(c.slide.width() / 2, c.slide.height() / 2),
                               QPoint(c.slide.width() - 4, c.slide.height() - 4)})
            EXPECT_TRUE(isNear(slide, p.x(), p.y(), reference.pixelColor(p), 6)) << c.w;
    }
}

TEST(ImageWorkerFormats, TransparentPartsBecomeWhite)
{
    // GIVEN a PNG that is transparent except for a green centre
    TempFolder folder;
    QImage picture = filledPicture(200, 100, Qt::transparent);
    paintColumns(picture, 80, 120, green);
    savePicture(picture, folder.file("alpha.png"), "PNG");
    // WHEN it is processed
    process(folder.file("alpha.png"), folder.file("s.jpg"), folder.file("t.jpg"));
    // THEN the transparent parts are white in both JPEGs
    const QImage slide(folder.file("s.jpg"));
    EXPECT_TRUE(isNear(slide, 10, 50, Qt::white, 8));
    EXPECT_TRUE(isNear(slide, 100, 50, green));
    EXPECT_TRUE(isNear(QImage(folder.file("t.jpg")), 2, 50, Qt::white, 8));
}

TEST(ImageWorkerFormats, TruncatedJpegStillGivesAPicture)
{
    // GIVEN a JPEG cut off after 60 % of its bytes
    TempFolder folder;
    savePicture(gradientPicture(300, 200), folder.file("whole.jpg"), "JPEG");
    const QByteArray bytes = TempFolder::read(folder.file("whole.jpg"));
    folder.write("cut.jpg", bytes.left(bytes.size() * 6 / 10));
    // WHEN it is processed
    const Outputs out = process(folder.file("cut.jpg"), folder.file("s.jpg"), folder.file("t.jpg"));
    // THEN the readable part is kept: both JPEGs are written at full size
    EXPECT_TRUE(out.slideWritten && out.thumbWritten);
    const QImage slide(folder.file("s.jpg"));
    EXPECT_EQ(slide.size(), QSize(300, 200));
    EXPECT_TRUE(isNear(slide, 2, 2, QColor(250, 120, 20)));
}

TEST(ImageWorkerFormats, DamagedLargeJpegsKeepWhatDecodesOrFailPlainly)
{
    // GIVEN a 2000 × 1500 JPEG, red above and blue below its middle
    TempFolder folder;
    QImage picture = filledPicture(2000, 1500, red);
    {
        QPainter painter(&picture);
        painter.fillRect(0, 750, 2000, 750, blue);
    }
    savePicture(picture, folder.file("whole.jpg"), "JPEG", false, 90);
    const QByteArray bytes = TempFolder::read(folder.file("whole.jpg"));
    // WHEN it is processed after being cut off at 70 % of its bytes
    folder.write("cut.jpg", bytes.left(bytes.size() * 7 / 10));
    const Outputs cut = process(folder.file("cut.jpg"), folder.file("s.jpg"), folder.file("t.jpg"));
    // THEN the part before the cut is kept at the picture's full slide size
    ASSERT_TRUE(cut.slideWritten && cut.thumbWritten);
    const QImage slide(folder.file("s.jpg"));
    ASSERT_EQ(slide.size(), QSize(640, 480));
    EXPECT_TRUE(isNear(slide, 320, 100, red));
    EXPECT_TRUE(isNear(slide, 320, 300, blue));
    // WHEN it is cut off before its image data, or its first segment claims more bytes than the file has
    folder.write("header.jpg", bytes.left(bytes.indexOf("\xff\xda"))); // up to its image data
    QByteArray overlong = bytes;
    overlong.insert(2, QByteArray("\xff\xe1\xff\xf0"
                                  "Exif\0\0",
                                  10));
    folder.write("overlong.jpg", overlong.left(2000));
    for (const char* name : {"header.jpg", "overlong.jpg"}) {
        const Outputs out = process(folder.file(name), folder.file("s2.jpg"), folder.file("t2.jpg"));
        // THEN a decoder ran, yet nothing is written
        EXPECT_TRUE(out.loaded) << name;
        EXPECT_FALSE(out.slideWritten || out.thumbWritten) << name;
        EXPECT_FALSE(QFile::exists(folder.file("s2.jpg"))) << name;
    }
}

TEST(ImageWorkerFormats, GarbageExifLeavesThePictureAsStored)
{
    // GIVEN a 1200 × 800 JPEG, red left and blue right
    TempFolder folder;
    QImage picture = filledPicture(1200, 800, red);
    paintColumns(picture, 600, 1200, blue);
    savePicture(picture, folder.file("plain.jpg"), "JPEG");
    const QByteArray plain = TempFolder::read(folder.file("plain.jpg"));
    // AND copies with an EXIF block of noise, one whose IFD lies past its end, and one whose
    // entry count runs past its end
    QByteArray noise("Exif\0\0", 6);
    for (int i = 0; i < 300; ++i)
        noise.append(char((i * 7919 + 13) % 251));
    const QByteArray farIfd("Exif\0\0MM\0\x2a\x7f\xff\xff\xff", 14);
    const QByteArray manyEntries("Exif\0\0II\x2a\0\x08\0\0\0\xff\xff\x12\x01\x03\0", 20);
    int index = 0;
    for (const QByteArray& payload : {noise, farIfd, manyEntries}) {
        const int length = int(payload.size()) + 2;
        QByteArray segment("\xff\xe1", 2);
        segment.append(char(length >> 8)).append(char(length & 0xff)).append(payload);
        const QString name = QString("exif%1.jpg").arg(index++);
        folder.write(name, plain.left(2) + segment + plain.mid(2));
        // WHEN it is processed
        const Outputs out = process(folder.file(name), folder.file("s.jpg"), folder.file("t.jpg"));
        // THEN it is taken as upright
        ASSERT_TRUE(out.slideWritten && out.thumbWritten) << index;
        const QImage slide(folder.file("s.jpg"));
        ASSERT_EQ(slide.size(), QSize(640, 426)) << index;
        EXPECT_TRUE(isNear(slide, 100, 213, red)) << index;
        EXPECT_TRUE(isNear(slide, 540, 213, blue)) << index;
    }
}

TEST(ImageWorkerFormats, ProgressiveAndLargeCmykJpegsImport)
{
    TempFolder folder;
    // GIVEN a 2000 × 1500 progressive JPEG, red left and blue right
    QImage picture = filledPicture(2000, 1500, red);
    paintColumns(picture, 1000, 2000, blue);
    savePicture(picture, folder.file("plain.jpg"), "JPEG");
    Magick::Image progressive = readBack(folder.file("plain.jpg"));
    progressive.interlaceType(Magick::PlaneInterlace);
    progressive.write(folder.file("progressive.jpg").toStdString());
    ASSERT_TRUE(TempFolder::read(folder.file("progressive.jpg")).contains("\xff\xc2")); // progressive frame
    // AND a 1400 × 1000 CMYK JPEG of the same colours
    Magick::Image cmyk = readBack(folder.file("plain.jpg"));
    cmyk.resize(Magick::Geometry("1400x1000!"));
    cmyk.colorSpace(Magick::CMYKColorspace);
    cmyk.write(folder.file("cmyk.jpg").toStdString());
    ASSERT_EQ(readBack(folder.file("cmyk.jpg")).colorSpace(), Magick::CMYKColorspace);
    for (const auto& [name, size] : {std::pair{"progressive.jpg", QSize(640, 480)}, {"cmyk.jpg", QSize(640, 457)}}) {
        // WHEN it is processed
        const Outputs out = process(folder.file(name), folder.file("s.jpg"), folder.file("t.jpg"));
        // THEN it gives an RGB slide of the fitted size with its colours
        ASSERT_TRUE(out.slideWritten && out.thumbWritten) << name;
        EXPECT_LT(out.decoded.width(), 2000) << name; // decoded reduced
        const QImage slide(folder.file("s.jpg"));
        ASSERT_EQ(slide.size(), size) << name;
        EXPECT_EQ(readBack(folder.file("s.jpg")).colorSpace(), Magick::sRGBColorspace) << name;
        EXPECT_TRUE(isNear(slide, 40, size.height() / 2, red)) << name;
        EXPECT_TRUE(isNear(slide, size.width() - 40, size.height() / 2, blue)) << name;
    }
}

TEST(ImageWorkerFormats, UnknownExtensionsAndUndecodableOrMissingSourcesWriteNothing)
{
    TempFolder folder;
    savePicture(filledPicture(80, 60, green), folder.file("picture.tga"), "TGA");
    savePicture(filledPicture(80, 60, green), folder.file("picture.pngx"), "PNG");
    folder.write("garbage.jpg", QByteArray(5000, 'x'));
    folder.write("empty.png", QByteArray());
    // GIVEN a valid TGA picture or a PNG named .pngx: no decoder runs
    // GIVEN a known extension whose file does not decode: a decoder runs
    for (const auto& [name, loaded] : {std::pair{"picture.tga", false},
                                       {"picture.pngx", false},
                                       {"garbage.jpg", true},
                                       {"empty.png", true},
                                       {"missing.gif", true}}) {
        // WHEN it is processed
        const Outputs out = process(folder.file(name), folder.file("s.jpg"), folder.file("t.jpg"));
        // THEN nothing is written
        EXPECT_EQ(out.loaded, loaded) << name;
        EXPECT_FALSE(out.slideWritten || out.thumbWritten) << name;
        EXPECT_FALSE(QFile::exists(folder.file("s.jpg")) || QFile::exists(folder.file("t.jpg"))) << name;
    }
    EXPECT_TRUE(ImageWorker::decoderFor("x.tga").isEmpty());
    EXPECT_TRUE(ImageWorker::decoderFor("jpg").isEmpty());
}

TEST(ImageWorkerFormats, OutputPathAndFailedWrites)
{
    TempFolder folder;
    savePicture(filledPicture(70, 60, green), folder.file("p.png"), "PNG");
    ImageWorker worker;
    // GIVEN a worker not yet opened  THEN it makes nothing
    EXPECT_FALSE(worker.makeSlidePicture(640, 0));
    EXPECT_FALSE(worker.makeThumbnail(75));
    // GIVEN an output path in a folder that does not exist
    worker.open(folder.file("p.png"), folder.file("no/such/folder/s.jpg"));
    // WHEN the slide picture is made  THEN the failed write is reported
    EXPECT_FALSE(worker.makeSlidePicture(640, 0));
    // WHEN a null path is set  THEN the output path stays
    worker.setOutputPath(QString());
    EXPECT_EQ(worker.outputPath(), folder.file("no/such/folder/s.jpg"));
    worker.setOutputPath(folder.file("t.jpg"));
    EXPECT_TRUE(worker.makeThumbnail(75));
    EXPECT_EQ(QImage(folder.file("t.jpg")).size(), QSize(60, 60));
    // A zero size is refused
    EXPECT_FALSE(worker.makeThumbnail(0));
}
