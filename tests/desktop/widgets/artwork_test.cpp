#include "desktop/widgets/artcatalog.h"
#include "desktop/widgets/skinresources.h"
#include "desktop/widgets/svgart.h"

#include <QDirIterator>
#include <QSet>
#include <gtest/gtest.h>

namespace {

struct Triple
{
    int normal;
    int hover;
    int pressed;
    QSize size;
};

const Triple buttonFaces[] = {
    {1000, 1001, 1002, {81, 26}}, {2000, 2001, 2002, {81, 26}}, {3000, 3001, 3002, {81, 26}},
    {4000, 4001, 4002, {81, 26}}, {1100, 1101, 1102, {66, 26}}, {1200, 1201, 1202, {47, 26}},
    {1300, 1301, 1302, {47, 26}}, {1400, 1401, 1402, {47, 26}}, {1500, 1501, 1502, {47, 26}},
    {1600, 1601, 1602, {47, 26}}, {1603, 1604, 1605, {47, 26}}, {1700, 1701, 1702, {41, 41}},
    {1800, 1801, 1802, {47, 26}}, {1900, 1901, 1902, {47, 26}}, {1950, 1951, 1952, {47, 26}},
};

// Share of pixels that differ by more than a faint shade between two equal-sized pictures.
double changedShare(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    int changed = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row);
            const QRgb q = y.pixel(col, row);
            const int d = qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q)) +
                          qAbs(qAlpha(p) - qAlpha(q));
            changed += d > 24;
        }
    return double(changed) / (x.width() * x.height());
}

int distinctColours(const QImage& image)
{
    QSet<QRgb> colours;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int row = 0; row < argb.height(); ++row)
        for (int col = 0; col < argb.width(); ++col)
            colours.insert(argb.pixel(col, row));
    return colours.size();
}

bool fullyOpaque(const QImage& image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int row = 0; row < argb.height(); ++row)
        for (int col = 0; col < argb.width(); ++col)
            if (qAlpha(argb.pixel(col, row)) != 255)
                return false;
    return true;
}

TEST(Artwork, EveryPictureRendersAtItsSizeWithRealContent)
{
    for (const ArtEntry& entry : artcatalog::entries()) {
        SCOPED_TRACE(entry.file);
        const QImage image = svgart::render(artcatalog::resourcePath(entry, entry.size), entry.size);
        ASSERT_EQ(image.size(), entry.size);
        EXPECT_EQ(image.devicePixelRatio(), 1.0);
        // A blank or one-colour picture means the drawing failed to load or draw.
        EXPECT_GE(distinctColours(image), 6);
    }
}

TEST(Artwork, EveryCompiledInDrawingIsInTheCatalogue)
{
    QSet<QString> listed;
    for (const ArtEntry& entry : artcatalog::entries()) {
        listed.insert(QString::fromLatin1(entry.file));
        if (entry.smallFile)
            listed.insert(QString::fromLatin1(entry.smallFile));
    }
    int files = 0;
    QDirIterator it(":/art");
    while (it.hasNext()) {
        const QString name = QFileInfo(it.next()).fileName();
        EXPECT_TRUE(listed.contains(name)) << name.toStdString();
        ++files;
    }
    EXPECT_EQ(files, listed.size());
}

TEST(Artwork, NormalHoverAndPressedFacesAreClearlyApart)
{
    const SkinResources skin;
    for (const Triple& t : buttonFaces) {
        SCOPED_TRACE(t.normal);
        const QImage normal = skin.face(t.normal, t.size).toImage();
        const QImage hover = skin.face(t.hover, t.size).toImage();
        const QImage pressed = skin.face(t.pressed, t.size).toImage();
        EXPECT_GT(changedShare(normal, hover), 0.05);
        // Latched buttons show pressed for as long as a mode lasts: it must stand out.
        EXPECT_GT(changedShare(normal, pressed), 0.25);
        EXPECT_GT(changedShare(hover, pressed), 0.25);
    }
}

TEST(Artwork, PreviewPlayerNormalAndPressedBitmapsAreClearlyApart)
{
    const SkinResources skin;
    for (int id = 200; id <= 208; id += 2) {
        SCOPED_TRACE(id);
        EXPECT_GT(changedShare(skin.bitmap(id).toImage(), skin.bitmap(id + 1).toImage()), 0.25);
    }
}

TEST(Artwork, RecordWhilePausedLooksUnlikeRecording)
{
    const SkinResources skin;
    for (int state = 0; state < 3; ++state) {
        SCOPED_TRACE(state);
        const QImage recording = skin.face(1600 + state, QSize(47, 26)).toImage();
        const QImage paused = skin.face(1603 + state, QSize(47, 26)).toImage();
        EXPECT_GT(changedShare(recording, paused), 0.03);
    }
}

TEST(Artwork, ThumbnailPicturesAreOpaqueAndTheBackdropFramesAThumbnail)
{
    const SkinResources skin;
    EXPECT_TRUE(fullyOpaque(skin.podcastPicture().toImage()));
    EXPECT_TRUE(fullyOpaque(skin.placeholderThumbnail().toImage()));
    // The strip draws the thumbnail at (1, 1) of the backdrop: the frame and the shadow
    // show on its edges.
    const QImage backdrop = skin.thumbnailBackdrop().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_GT(qAlpha(backdrop.pixel(0, 40)), 0);
    EXPECT_GT(qAlpha(backdrop.pixel(40, 0)), 0);
    EXPECT_GT(qAlpha(backdrop.pixel(77, 40)), 0);
    EXPECT_GT(qAlpha(backdrop.pixel(40, 77)), 0);
}

TEST(Artwork, TheLogoKeepsItsProportionsAtBothSizes)
{
    const SkinResources skin;
    for (const QSize size : {QSize(123, 25), QSize(149, 31)}) {
        SCOPED_TRACE(size.width());
        const QImage logo = skin.face(900, size).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(logo.size(), size);
        // The square orange mark at the left stays square when drawn larger.
        QRect mark;
        for (int row = 0; row < logo.height(); ++row)
            for (int col = 0; col < logo.width() / 5; ++col)
                if (logo.pixel(col, row) == qRgb(247, 79, 13))
                    mark |= QRect(col, row, 1, 1);
        EXPECT_GE(mark.height(), size.height() * 2 / 3);
        EXPECT_LE(qAbs(mark.width() - mark.height()), 1);
    }
}

} // namespace

TEST(Artwork, AtADevicePixelRatioEveryPictureIsDrawnAtTheScreensPixels)
{
    for (const ArtEntry& entry : artcatalog::entries()) {
        SCOPED_TRACE(entry.file);
        const QString path = artcatalog::resourcePath(entry, entry.size);
        const QImage doubled = svgart::render(path, entry.size, 2.0);
        ASSERT_EQ(doubled.size(), entry.size * 2);
        EXPECT_EQ(doubled.devicePixelRatio(), 2.0);
        EXPECT_EQ(doubled.deviceIndependentSize(), QSizeF(entry.size));
        // Drawn anew, not the small picture blown up: more shades than the small one has.
        EXPECT_GT(distinctColours(doubled), distinctColours(svgart::render(path, entry.size)));
    }
    // A ratio like 1.5 rounds to whole pixels.
    const ArtEntry* record = artcatalog::find(ArtKind::Icon, 1600);
    ASSERT_NE(record, nullptr);
    const QImage oneAndAHalf = svgart::render(artcatalog::resourcePath(*record, record->size), record->size, 1.5);
    EXPECT_EQ(oneAndAHalf.size(), QSize(71, 39));
    EXPECT_EQ(oneAndAHalf.devicePixelRatio(), 1.5);
    EXPECT_TRUE(svgart::render(artcatalog::resourcePath(*record, record->size), record->size, 0.0).isNull());
}

TEST(Artwork, SkinFacesAndBitmapsAtRatioTwoCarryTheRatioAndAreCachedApart)
{
    SkinResources skin;
    const QPixmap single = skin.face(1600, QSize(47, 26));
    const QPixmap doubled = skin.face(1600, QSize(47, 26), 2.0);
    EXPECT_EQ(single.size(), QSize(47, 26));
    EXPECT_EQ(single.devicePixelRatio(), 1.0);
    EXPECT_EQ(doubled.size(), QSize(94, 52));
    EXPECT_EQ(doubled.devicePixelRatio(), 2.0);
    EXPECT_EQ(skin.face(1600, QSize(47, 26)).devicePixelRatio(), 1.0) << "the ratio-1 face is still its own";

    const QPixmap backdrop = skin.bitmap(104, 2.0);
    EXPECT_EQ(backdrop.size(), QSize(162, 162));
    EXPECT_EQ(backdrop.devicePixelRatio(), 2.0);

    const ButtonFaces faces = skin.faceRenderer(1600, 1601, 1602, QSize(47, 26))(2.0);
    for (const QPixmap& face : {faces.normal, faces.hover, faces.pressed}) {
        EXPECT_EQ(face.size(), QSize(94, 52));
        EXPECT_EQ(face.devicePixelRatio(), 2.0);
    }
    EXPECT_TRUE(skin.face(1600, QSize(47, 26), 0.0).isNull());
}
