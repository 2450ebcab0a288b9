#include "pictures/picturedecoder.h"

#include <QFile>

#include <algorithm>

namespace {

// Largest libjpeg reduction that keeps the longest side at least minimumSide.
int jpegReduction(size_t columns, size_t rows, int minimumSide)
{
    if (minimumSide <= 0)
        return 1;
    const size_t longest = std::max(columns, rows);
    for (const int reduction : {8, 4, 2}) {
        if (longest >= size_t(reduction) * size_t(minimumSide))
            return reduction;
    }
    return 1;
}

bool swapsSides(Magick::OrientationType orientation)
{
    return orientation == Magick::LeftTopOrientation || orientation == Magick::RightTopOrientation ||
           orientation == Magick::RightBottomOrientation || orientation == Magick::LeftBottomOrientation;
}

bool isGrayscale(const Magick::Image& image)
{
    const Magick::ColorspaceType colorspace = image.colorSpace();
    if (colorspace == Magick::GRAYColorspace || colorspace == Magick::Rec601LumaColorspace ||
        colorspace == Magick::Rec709LumaColorspace)
        return true;
    if (image.classType() != Magick::PseudoClass)
        return false;
    // A palette picture counts as grayscale when every palette entry is a gray.
    const MagickCore::Image* raw = image.constImage();
    if (raw->colormap == nullptr || raw->colors == 0)
        return false;
    return std::all_of(raw->colormap, raw->colormap + raw->colors, [](const MagickCore::PixelPacket& entry) {
        return entry.red == entry.green && entry.green == entry.blue;
    });
}

// Whole file in memory, handed to the library without a copy; empty when unreadable.
Magick::Blob readFile(const QString& path)
{
    Magick::Blob blob;
    QFile file(path);
    const qint64 length = file.size();
    if (length <= 0 || !file.open(QIODevice::ReadOnly))
        return blob;
    auto* bytes = new char[size_t(length)];
    blob.updateNoCopy(bytes, size_t(length), Magick::Blob::NewAllocator);
    if (file.read(bytes, length) != length)
        return {};
    return blob;
}

// Asks libjpeg to decode at exactly 1/reduction of the size, keeping the size rules intact.
int chooseJpegReduction(Magick::Image& image, const Magick::Blob& blob, int minimumSide)
{
    Magick::Image header;
    header.quiet(true);
    header.magick("JPEG");
    try {
        header.ping(blob);
    } catch (const Magick::Exception&) {
        return 1; // the full decode tells what is wrong with the file
    }
    const int reduction = jpegReduction(header.columns(), header.rows(), minimumSide);
    if (reduction > 1) {
        const std::string hint = std::to_string(header.columns() / size_t(reduction)) + "x" +
                                 std::to_string(header.rows() / size_t(reduction));
        image.defineValue("jpeg", "size", hint);
    }
    return reduction;
}

} // namespace

DecodedPicture decodePicture(const QString& path, const std::string& decoder, int minimumSide)
{
    DecodedPicture picture;
    // Decoding from memory: the library never interprets the file name ("[0]", "%d", "x:").
    const Magick::Blob blob = readFile(path);
    if (blob.length() == 0)
        return picture;
    Magick::Image& image = picture.image;
    try {
        if (decoder == "JPEG")
            picture.reduction = chooseJpegReduction(image, blob, minimumSide);
        // Warnings (a truncated JPEG, unknown TIFF tags) still leave a usable picture.
        image.quiet(true);
        image.subImage(0);
        image.subRange(1);
        image.magick(decoder);
        image.read(blob);
    } catch (const Magick::Exception&) {
        // Whatever was decoded is judged by its validity below.
    }
    if (!image.isValid()) {
        picture.reduction = 1;
        return picture;
    }
    QSize full(int(image.baseColumns()), int(image.baseRows()));
    if (swapsSides(image.orientation()))
        full.transpose();
    picture.grayscale = isGrayscale(image);
    image.autoOrient();
    // The written JPEGs carry no orientation (already applied) and no private metadata.
    image.strip();
    picture.fullSize = picture.reduction > 1 ? full : QSize(int(image.columns()), int(image.rows()));
    return picture;
}
