#include "pictures/imageworker.h"

#include "pictures/picturedecoder.h"
#include "pictures/picturework.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

namespace {

struct DecoderEntry
{
    const char* extension;
    const char* decoder;
};

constexpr DecoderEntry decoderTable[] = {
    {".tif", "TIFF"}, {".tiff", "TIFF"}, {".jpg", "JPEG"}, {".jpeg", "JPEG"},
    {".bmp", "BMP"},  {".gif", "GIF"},   {".png", "PNG"},
};

// Slide JPEG size: the longest side becomes largestSide, the other one is floored.
QSize fittedSize(int w, int h, int largestSide)
{
    const float rw = float(w) / float(largestSide);
    const float rh = float(h) / float(largestSide);
    // A very thin picture keeps at least one pixel instead of failing to resample.
    if (rw > rh)
        return {largestSide, std::max(1, int(std::floor(float(h) * (float(largestSide) / float(w)))))};
    if (rw < rh)
        return {std::max(1, int(std::floor(float(w) * (float(largestSide) / float(h))))), largestSide};
    return {largestSide, largestSide};
}

} // namespace

ImageWorker::ImageWorker()
{
    initializePictureLibrary();
}

ImageWorker::~ImageWorker() = default;

void ImageWorker::open(const QString& sourcePath, const QString& outputPath, int minimumSide)
{
    m_outputPath = outputPath;
    m_loaded = false;
    m_picture = std::make_unique<DecodedPicture>();
    const QString decoder = decoderFor(sourcePath);
    if (decoder.isEmpty())
        return;
    *m_picture = decodePicture(sourcePath, decoder.toStdString(), minimumSide);
    m_loaded = true;
}

bool ImageWorker::makeSlidePicture(int largestSide, int quarterTurns)
{
    if (!isUsable() || largestSide <= 0)
        return false;
    const QSize full = m_picture->fullSize;
    if (full.width() > largestSide || full.height() > largestSide)
        resample(fittedSize(full.width(), full.height(), largestSide), Magick::SplineFilter);
    else if (size() != full)
        resample(full, Magick::SplineFilter);
    prepareForJpeg(slideJpegQuality);
    rotate(quarterTurns);
    return save();
}

bool ImageWorker::makeThumbnail(int side)
{
    if (!isUsable() || side <= 0)
        return false;
    Magick::Image& image = m_picture->image;
    const int w = int(image.columns());
    const int h = int(image.rows());
    const float rw = float(w) / float(side);
    const float rh = float(h) / float(side);
    if (rw > rh)
        image.crop(Magick::Geometry(size_t(h), size_t(h), w / 2 - h / 2, 0));
    else if (rw < rh)
        image.crop(Magick::Geometry(size_t(w), size_t(w), 0, h / 2 - w / 2));
    image.page(Magick::Geometry(0, 0, 0, 0));
    prepareForJpeg(thumbnailJpegQuality);
    if (w > side || h > side)
        resample(QSize(side, side), Magick::CatromFilter);
    return save();
}

void ImageWorker::setOutputPath(const QString& path)
{
    if (!path.isNull())
        m_outputPath = path;
}

QString ImageWorker::outputPath() const
{
    return m_outputPath;
}

bool ImageWorker::isLoaded() const
{
    return m_loaded;
}

bool ImageWorker::isValid() const
{
    return m_picture && m_picture->image.isValid();
}

QSize ImageWorker::size() const
{
    return isValid() ? QSize(int(m_picture->image.columns()), int(m_picture->image.rows())) : QSize();
}

int ImageWorker::decodeReduction() const
{
    return m_picture ? m_picture->reduction : 1;
}

QString ImageWorker::decoderFor(const QString& path)
{
    for (const DecoderEntry& entry : decoderTable) {
        if (path.endsWith(QLatin1String(entry.extension), Qt::CaseInsensitive))
            return QString::fromLatin1(entry.decoder);
    }
    return {};
}

bool ImageWorker::isUsable() const
{
    return m_loaded && isValid() && !m_picture->fullSize.isEmpty();
}

void ImageWorker::resample(const QSize& target, int filter)
{
    Magick::Image& image = m_picture->image;
    image.filterType(Magick::FilterTypes(filter));
    Magick::Geometry geometry(size_t(target.width()), size_t(target.height()));
    geometry.aspect(true);
    image.resize(geometry);
    m_picture->fullSize = size();
}

void ImageWorker::prepareForJpeg(int quality)
{
    Magick::Image& image = m_picture->image;
    if (image.matte()) {
        // JPEG has no transparency: transparent parts show the white background.
        image.backgroundColor(Magick::ColorRGB(1.0, 1.0, 1.0));
        image.alphaChannel(Magick::RemoveAlphaChannel);
    }
    // A grayscale picture stays grayscale even after resampling made it leave its palette.
    image.type(m_picture->grayscale ? Magick::GrayscaleType : Magick::TrueColorType);
    image.depth(8);
    image.quality(size_t(quality));
}

void ImageWorker::rotate(int quarterTurns)
{
    Magick::Image& image = m_picture->image;
    // The remainder keeps the sign of quarterTurns: 1 and -3 are both a right turn.
    switch (quarterTurns % 4) {
    case 1:
    case -3:
        image.rotate(90.0);
        break;
    case 2:
    case -2:
        image.rotate(180.0);
        break;
    case 3:
    case -1:
        image.rotate(270.0);
        break;
    default:
        return;
    }
    image.page(Magick::Geometry(0, 0, 0, 0));
    m_picture->fullSize = size();
}

bool ImageWorker::save()
{
    QFile::remove(m_outputPath);
    Magick::Blob jpeg;
    try {
        m_picture->image.write(&jpeg, "JPEG");
    } catch (const Magick::Exception&) {
        return false;
    }
    QSaveFile file(m_outputPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(static_cast<const char*>(jpeg.data()), qint64(jpeg.length()));
    return file.commit();
}
