#include "pictures/imageworker.h"

#include "pictures/jpegcodec.h"
#include "pictures/picturedecoder.h"
#include "pictures/rasterresampler.h"

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

ImageWorker::ImageWorker() = default;

ImageWorker::~ImageWorker() = default;

void ImageWorker::open(const QString& sourcePath, const QString& outputPath, int minimumSide)
{
    m_outputPath = outputPath;
    m_loaded = false;
    m_written.clear();
    m_picture = std::make_unique<DecodedPicture>();
    const QString decoder = decoderFor(sourcePath);
    if (decoder.isEmpty())
        return;
    *m_picture = decodePicture(sourcePath, decoder, minimumSide);
    m_loaded = true;
}

bool ImageWorker::makeSlidePicture(int largestSide, int quarterTurns)
{
    m_written.clear();
    if (!isUsable() || largestSide <= 0)
        return false;
    const QSize full = m_picture->fullSize;
    const QSize target = full.width() > largestSide || full.height() > largestSide
                             ? fittedSize(full.width(), full.height(), largestSide)
                             : full;
    if (size() != target)
        resample(target, ResampleFilter::Spline);
    m_picture->picture = m_picture->picture.turned(quarterTurns);
    m_picture->fullSize = size();
    return save(jpegcodec::encode(m_picture->picture, slideJpegQuality));
}

bool ImageWorker::makeThumbnail(int side)
{
    m_written.clear();
    if (!isUsable() || side <= 0)
        return false;
    RasterPicture& picture = m_picture->picture;
    const int w = picture.width();
    const int h = picture.height();
    const float rw = float(w) / float(side);
    const float rh = float(h) / float(side);
    if (rw > rh)
        picture = picture.copied(QRect(w / 2 - h / 2, 0, h, h));
    else if (rw < rh)
        picture = picture.copied(QRect(0, h / 2 - w / 2, w, w));
    m_picture->fullSize = size();
    if (w > side || h > side)
        resample(QSize(side, side), ResampleFilter::CatmullRom);
    return save(jpegcodec::encode(picture, thumbnailJpegQuality));
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

QByteArray ImageWorker::writtenJpeg() const
{
    return m_written;
}

bool ImageWorker::isLoaded() const
{
    return m_loaded;
}

bool ImageWorker::isValid() const
{
    return m_picture && !m_picture->picture.isNull();
}

QSize ImageWorker::size() const
{
    return isValid() ? m_picture->picture.size() : QSize();
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

void ImageWorker::resample(const QSize& target, ResampleFilter filter)
{
    m_picture->picture = resampled(m_picture->picture, target, filter);
    m_picture->fullSize = size();
}

bool ImageWorker::save(const QByteArray& jpeg)
{
    QFile::remove(m_outputPath);
    if (jpeg.isEmpty())
        return false;
    QSaveFile file(m_outputPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(jpeg) != jpeg.size() || !file.commit())
        return false;
    m_written = jpeg;
    return true;
}
