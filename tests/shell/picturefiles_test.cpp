#include "shell/picturefiles.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

//! The patterns between the filter's parentheses of patterns, such as "*.png".
QStringList filterPatterns(const QString& filter)
{
    const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
    const qsizetype close = filter.lastIndexOf(QLatin1Char(')'));
    if (open < 0 || close < open)
        return {};
    return filter.mid(open + 1, close - open - 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

bool offered(const QStringList& patterns, const QString& name)
{
    for (const QString& pattern : patterns) {
        const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(pattern));
        if (re.match(name).hasMatch())
            return true;
    }
    return false;
}

} // namespace

TEST(PictureFiles, GivenTheChooserFilterThenItOffersEveryEndingASlideTakesAndNoOther)
{
    const QStringList patterns = filterPatterns(slidePictureFilter());
    ASSERT_FALSE(patterns.isEmpty());
    for (const char* name : {"a.jpg", "a.jpeg", "a.tif", "a.tiff", "a.bmp", "a.gif", "a.png", "A.JPG", "A.JPEG",
                             "A.TIF", "A.TIFF", "A.BMP", "A.GIF", "A.PNG"}) {
        EXPECT_TRUE(isSlidePictureName(QLatin1String(name))) << name;
        EXPECT_TRUE(offered(patterns, QLatin1String(name))) << name;
    }
    for (const char* name : {"a.tga", "a.rle", "A.TGA", "A.RLE", "a.jpgx", "a.jp2", "a.webp", "a.png.txt"}) {
        EXPECT_FALSE(isSlidePictureName(QLatin1String(name))) << name;
        EXPECT_FALSE(offered(patterns, QLatin1String(name))) << name << " is offered but would be refused";
    }
}
