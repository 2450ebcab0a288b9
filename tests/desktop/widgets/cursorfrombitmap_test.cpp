#include "desktop/widgets/cursorfrombitmap.h"

#include <QPainter>
#include <QPixmap>
#include <gtest/gtest.h>

namespace {

const QRgb dragKey = qRgb(255, 255, 254);

// Like the strip's drag picture: key colour outside a framed 20 × 20 picture.
QImage framedPicture(QColor fill)
{
    QImage image(30, 30, QImage::Format_RGB32);
    image.fill(dragKey);
    QPainter painter(&image);
    painter.fillRect(5, 5, 20, 20, fill);
    painter.setPen(Qt::black);
    painter.drawRect(5, 5, 19, 19);
    return image;
}

QImage cursorImage(const CursorFromBitmap& holder)
{
    return holder.current().pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
}

TEST(CursorFromBitmap, KeyColouredPixelsAreTransparentAndOthersKeepTheirColour)
{
    CursorFromBitmap holder;
    ASSERT_TRUE(holder.create(framedPicture(Qt::white), dragKey, QPoint(12, 7)));
    const QImage image = cursorImage(holder);
    ASSERT_EQ(image.size(), QSize(30, 30));
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(29, 29)), 0);
    EXPECT_EQ(image.pixel(5, 5), qRgb(0, 0, 0));
    // Pure white is one step from the key and must stay opaque.
    EXPECT_EQ(image.pixel(12, 12), qRgb(255, 255, 255));
    EXPECT_EQ(holder.current().hotSpot(), QPoint(12, 7));
}

TEST(CursorFromBitmap, TheKeyMatchesWhateverTheImageFormatsAlpha)
{
    QImage image(4, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(255, 255, 254, 255));
    image.setPixel(1, 0, qRgba(10, 20, 30, 255));
    image.setPixel(2, 0, qRgba(255, 255, 254, 255));
    image.setPixel(3, 0, qRgba(255, 255, 255, 255));
    CursorFromBitmap holder;
    ASSERT_TRUE(holder.create(image, qRgba(255, 255, 254, 0), QPoint(0, 0)));
    const QImage shape = cursorImage(holder);
    EXPECT_EQ(qAlpha(shape.pixel(0, 0)), 0);
    EXPECT_EQ(shape.pixel(1, 0), qRgb(10, 20, 30));
    EXPECT_EQ(qAlpha(shape.pixel(2, 0)), 0);
    EXPECT_EQ(qAlpha(shape.pixel(3, 0)), 255);
}

TEST(CursorFromBitmap, ANewCursorReleasesTheOneHeld)
{
    CursorFromBitmap holder;
    holder.create(framedPicture(Qt::red), dragKey, QPoint(1, 1));
    holder.create(framedPicture(Qt::blue), dragKey, QPoint(2, 3));
    EXPECT_EQ(cursorImage(holder).pixel(15, 15), qRgb(0, 0, 255));
    EXPECT_EQ(holder.current().hotSpot(), QPoint(2, 3));

    holder.release();
    EXPECT_FALSE(holder.holdsCursor());
    EXPECT_EQ(holder.current().shape(), Qt::ArrowCursor);
}

TEST(CursorFromBitmap, WithoutAPictureTheHolderIsEmptyAndShowsTheArrow)
{
    CursorFromBitmap holder;
    EXPECT_EQ(holder.current().shape(), Qt::ArrowCursor);
    holder.create(framedPicture(Qt::red), dragKey, QPoint(1, 1));
    EXPECT_FALSE(holder.create(QImage(), dragKey, QPoint(1, 1)));
    EXPECT_FALSE(holder.holdsCursor());
    EXPECT_EQ(holder.current().shape(), Qt::ArrowCursor);
}

TEST(CursorFromBitmap, AHotspotOffThePictureIsKeptOnItsEdge)
{
    CursorFromBitmap holder;
    holder.create(framedPicture(Qt::red), dragKey, QPoint(-20, 45));
    EXPECT_EQ(holder.current().hotSpot(), QPoint(0, 29));
    EXPECT_EQ(holder.current().shape(), Qt::BitmapCursor);
}

} // namespace
