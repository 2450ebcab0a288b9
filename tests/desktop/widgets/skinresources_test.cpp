#include "desktop/widgets/skinresources.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <gtest/gtest.h>

namespace {

struct FontCase
{
    int bits;
    int pixels;
    QFont::Weight weight;
    bool italic;
    bool underline;
};

TEST(SkinFonts, StyleBitsGiveSizeWeightItalicAndUnderline)
{
    using S = SkinResources;
    const FontCase cases[] = {
        {0, 16, QFont::Normal, false, false},
        {S::Bold, 16, QFont::Black, false, false},
        {S::Large, 22, QFont::Black, false, false}, // large alone is heavy too
        {S::Large | S::Medium | S::Small, 22, QFont::Black, false, false},
        {S::Medium | S::Small, 20, QFont::Normal, false, false},
        {S::Small | S::Bold, 14, QFont::Black, false, false},
        {S::Underline, 16, QFont::Normal, false, true},
        {S::Italic | S::Medium, 20, QFont::Normal, true, false},
    };
    for (const FontCase& c : cases) {
        SCOPED_TRACE(c.bits);
        const QFont font = SkinResources::fontFromStyle(c.bits);
        EXPECT_EQ(font.family(), "Liberation Sans");
        // The height is the font's cell: it fits, and one pixel more of em would not.
        EXPECT_LE(QFontMetrics(font).height(), c.pixels);
        QFont larger = font;
        larger.setPixelSize(font.pixelSize() + 1);
        EXPECT_GT(QFontMetrics(larger).height(), c.pixels);
        EXPECT_EQ(font.weight(), c.weight);
        EXPECT_EQ(font.italic(), c.italic);
        EXPECT_EQ(font.underline(), c.underline);
    }
}

TEST(SkinFonts, TheSixSharedFontsAndTheFaceTheyResolveTo)
{
    const SkinResources skin;
    struct Named
    {
        const QFont& font;
        int pixels;
        QFont::Weight weight;
    };
    const Named fonts[] = {
        {skin.titleFont(), 20, QFont::Black},  {skin.numberFont(), 20, QFont::Normal},
        {skin.smallFont(), 14, QFont::Normal}, {skin.textFont(), 16, QFont::Normal},
        {skin.labelFont(), 16, QFont::Black},  {skin.largeFont(), 22, QFont::Black},
    };
    for (const Named& n : fonts) {
        SCOPED_TRACE(n.pixels);
        EXPECT_LE(QFontMetrics(n.font).height(), n.pixels);
        EXPECT_GE(QFontMetrics(n.font).height(), n.pixels - 2);
        EXPECT_EQ(n.font.weight(), n.weight);
        EXPECT_FALSE(n.font.italic());
        EXPECT_FALSE(n.font.underline());
        // The metric twin of Arial must be installed, or every layout shifts.
        EXPECT_EQ(QFontInfo(n.font).family(), "Liberation Sans");
        EXPECT_EQ(QFontInfo(n.font).pixelSize(), n.font.pixelSize());
    }
    EXPECT_TRUE(QFontInfo(skin.largeFont()).bold());
}

TEST(SkinBitmaps, TheFiveSharedBitmapsHaveTheirSizes)
{
    const SkinResources skin;
    EXPECT_EQ(skin.podcastPicture().size(), QSize(75, 75));
    EXPECT_EQ(skin.overlay().size(), QSize(17, 69));
    EXPECT_EQ(skin.placeholderThumbnail().size(), QSize(75, 75));
    EXPECT_EQ(skin.thumbnailBackdrop().size(), QSize(81, 81));
    EXPECT_EQ(skin.logo().size(), QSize(123, 25));
    EXPECT_EQ(skin.logo().devicePixelRatio(), 1.0);
}

TEST(SkinBitmaps, IconAndBitmapWithTheSameIdAreDifferentPictures)
{
    const SkinResources skin;
    EXPECT_NE(skin.face(100, QSize(75, 75)).toImage(), skin.bitmap(100).toImage());
    EXPECT_EQ(skin.face(900, QSize(123, 25)).toImage(), skin.logo().toImage());
}

TEST(SkinFaces, UnknownOrZeroIdsAndEmptySizesGiveNoFace)
{
    const SkinResources skin;
    EXPECT_TRUE(skin.face(0, QSize(47, 26)).isNull());
    EXPECT_TRUE(skin.face(1003, QSize(81, 26)).isNull());
    EXPECT_TRUE(skin.face(1600, QSize(0, 26)).isNull());
    EXPECT_TRUE(skin.bitmap(101).isNull());
    const ButtonFaces faces = skin.faces(1200, 0, 1202, QSize(47, 26));
    EXPECT_FALSE(faces.normal.isNull());
    EXPECT_TRUE(faces.hover.isNull());
    EXPECT_FALSE(faces.pressed.isNull());
}

TEST(SkinFaces, AFaceIsRenderedOncePerSize)
{
    const SkinResources skin;
    const QPixmap first = skin.face(1700, QSize(41, 41));
    EXPECT_EQ(skin.face(1700, QSize(41, 41)).cacheKey(), first.cacheKey());
    const QPixmap larger = skin.face(1700, QSize(82, 82));
    EXPECT_EQ(larger.size(), QSize(82, 82));
    EXPECT_NE(larger.cacheKey(), first.cacheKey());
}

TEST(SkinIcons, TheProgramIconComesInFourSizes)
{
    const SkinResources skin;
    const QList<QSize> sizes = skin.programIcon().availableSizes();
    for (const int edge : {16, 32, 48, 256})
        EXPECT_TRUE(sizes.contains(QSize(edge, edge))) << edge;
    EXPECT_EQ(skin.programIcon().pixmap(QSize(16, 16)).size(), QSize(16, 16));
}

TEST(SkinIcons, SmallProgramIconIsItsOwnDrawingNotAShrunkLargeOne)
{
    const SkinResources skin;
    const QImage small = skin.face(100, QSize(16, 16)).toImage();
    const QImage shrunk = skin.face(100, QSize(48, 48))
                              .toImage()
                              .scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(small.format());
    EXPECT_NE(small, shrunk);
}

TEST(SkinPlaceholder, TheStoryPlaceholderIsAnOpaqueThumbnailOfTheArtwork)
{
    const SkinResources skin;
    const QImage image = SkinResources::placeholderThumbnailImage();
    ASSERT_EQ(image.size(), QSize(75, 75));
    EXPECT_FALSE(image.hasAlphaChannel());
    const QImage art = skin.placeholderThumbnail().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(image, art);
}

} // namespace
