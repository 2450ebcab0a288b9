#include "pictures/picturedecoder.h"

#include "pictures/exiforientation.h"
#include "pictures/jpegcodec.h"
#include "pictures/picturework.h"

#include <Magick++.h>
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

// The file's bytes: mapped when possible, read otherwise; empty when unreadable.
class FileBytes
{
public:
    explicit FileBytes(const QString& path) : m_file(path)
    {
        const qint64 length = m_file.size();
        if (length <= 0 || !m_file.open(QIODevice::ReadOnly))
            return;
        if (uchar* mapped = m_file.map(0, length)) {
            m_data = mapped;
            m_size = size_t(length);
            return;
        }
        m_copy = m_file.readAll();
        m_data = reinterpret_cast<const uchar*>(m_copy.constData());
        m_size = size_t(m_copy.size());
    }
    const uchar* data() const { return m_data; }
    size_t size() const { return m_size; }

private:
    QFile m_file; // unmaps on destruction
    QByteArray m_copy;
    const uchar* m_data = nullptr;
    size_t m_size = 0;
};

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

// The image's pixels in 8 bits: transparent parts on white, a gray picture as one channel.
RasterPicture rasterOf(Magick::Image& image, bool grayscale)
{
    try {
        if (image.matte()) {
            // JPEG has no transparency: transparent parts show the white background.
            image.backgroundColor(Magick::ColorRGB(1.0, 1.0, 1.0));
            image.alphaChannel(Magick::RemoveAlphaChannel);
        }
        image.type(grayscale ? Magick::GrayscaleType : Magick::TrueColorType);
        RasterPicture raster(int(image.columns()), int(image.rows()), grayscale ? 1 : 3);
        // A gray picture holds its gray in all three channels.
        image.write(0, 0, image.columns(), image.rows(), grayscale ? "R" : "RGB", Magick::CharPixel, raster.bits());
        return raster;
    } catch (const Magick::Exception&) {
        return {};
    }
}

DecodedPicture decodeWithImageLibrary(const FileBytes& bytes, const QString& decoder, int minimumSide)
{
    initializePictureLibrary();
    DecodedPicture picture;
    // Decoding from memory: the library never interprets the file name ("[0]", "%d", "x:").
    const Magick::Blob blob(bytes.data(), bytes.size());
    Magick::Image image;
    int reduction = 1;
    try {
        if (decoder == QLatin1String("JPEG"))
            reduction = chooseJpegReduction(image, blob, minimumSide);
        // Warnings (a truncated JPEG, unknown TIFF tags) still leave a usable picture.
        image.quiet(true);
        image.subImage(0);
        image.subRange(1);
        image.magick(decoder.toStdString());
        image.read(blob);
    } catch (const Magick::Exception&) {
        // Whatever was decoded is judged by its validity below.
    }
    if (!image.isValid() || image.columns() == 0 || image.rows() == 0)
        return picture;
    QSize full(int(image.baseColumns()), int(image.baseRows()));
    if (swapsSides(image.orientation()))
        full.transpose();
    const bool grayscale = isGrayscale(image);
    try {
        image.autoOrient();
    } catch (const Magick::Exception&) {
        return picture;
    }
    picture.picture = rasterOf(image, grayscale);
    picture.fullSize = reduction > 1 ? full : picture.picture.size();
    return picture;
}

} // namespace

DecodedPicture decodePicture(const QString& path, const QString& decoder, int minimumSide)
{
    DecodedPicture picture;
    const FileBytes bytes(path);
    if (bytes.size() == 0)
        return picture;
    if (decoder == QLatin1String("JPEG")) {
        if (std::optional<ScaledJpeg> jpeg = jpegcodec::decodeScaled(bytes.data(), bytes.size(), minimumSide)) {
            const int orientation = readExifOrientation(bytes.data(), bytes.size());
            picture.picture = orientation == 1 ? std::move(jpeg->picture) : jpeg->picture.oriented(orientation);
            picture.fullSize = orientation >= 5 ? jpeg->fullSize.transposed() : jpeg->fullSize;
            return picture;
        }
    }
    return decodeWithImageLibrary(bytes, decoder, minimumSide);
}
