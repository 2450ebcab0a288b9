#include "pictures/picturework.h"

#include "pictures/imageworker.h"
#include "pictures/jpegcodec.h"

#include <Magick++.h>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QSaveFile>

#include <cmath>
#include <mutex>

namespace {

// Decoded from memory, so the slide JPEG is never held open while it is rewritten.
QImage loadPicture(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QImage::fromData(file.readAll(), "JPEG");
}

// The slide JPEG as a reader of the file would see it: from the bytes just written, or from
// the file when this run wrote none.
QImage slidePicture(const QByteArray& written, const QString& path)
{
    if (written.isEmpty())
        return loadPicture(path);
    const QImage decoded = jpegcodec::decodeImage(written);
    return decoded.isNull() ? QImage::fromData(written, "JPEG") : decoded;
}

qint64 fileSize(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() ? info.size() : 0;
}

// The steps import and re-processing share once the slide JPEG has been written.
void finishPictureRun(ImageWorker& worker, const PictureJob& job, const QByteArray& slideJpeg, PictureResult& result)
{
    result.loaded = worker.isLoaded();
    result.decoded = worker.isValid();
    if (worker.isLoaded()) {
        result.picture = slidePicture(slideJpeg, job.slideJpegPath);
        worker.setOutputPath(job.thumbJpegPath);
        worker.makeThumbnail(ImageWorker::thumbnailSize);
    }
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

void initializePictureLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Magick::InitializeMagick(nullptr);
        // The import pool runs one picture per core; the library's own threads would only
        // compete with it.
        Magick::ResourceLimits::thread(1);
    });
}

bool hasPictureExtension(const QString& path)
{
    return !ImageWorker::decoderFor(path).isEmpty();
}

PictureResult runPictureImport(const PictureJob& job)
{
    PictureResult result;
    {
        ImageWorker worker;
        worker.open(job.sourcePath, job.slideJpegPath);
        worker.makeSlidePicture(ImageWorker::slidePictureSize, 0);
        const QByteArray slideJpeg = worker.writtenJpeg();
        // Every later re-processing starts from this 640-pixel copy, never from the user's
        // file; it is replaced even when nothing decoded.
        QFile::remove(job.workingCopyPath);
        if (slideJpeg.isEmpty())
            QFile::copy(job.slideJpegPath, job.workingCopyPath);
        else
            writeFile(job.workingCopyPath, slideJpeg);
        finishPictureRun(worker, job, slideJpeg, result);
    }
    result.thumbnail = buildThumbnailBitmap(result.picture);
    result.jpegSize = fileSize(job.slideJpegPath);
    return result;
}

PictureResult runPictureReprocess(const PictureJob& job)
{
    PictureResult result;
    {
        ImageWorker worker;
        worker.open(job.sourcePath, job.slideJpegPath);
        worker.makeSlidePicture(ImageWorker::slidePictureSize, job.rotation);
        finishPictureRun(worker, job, worker.writtenJpeg(), result);
    }
    result.jpegSize = fileSize(job.slideJpegPath);
    result.thumbnail = buildThumbnailBitmap(result.picture);
    return result;
}

QImage buildThumbnailBitmap(const QImage& picture)
{
    constexpr int side = ImageWorker::thumbnailSize;
    QImage bitmap(side, side, QImage::Format_RGB32);
    bitmap.fill(Qt::white);
    const int w = picture.width();
    const int h = picture.height();
    if (w <= 0 || h <= 0)
        return bitmap;
    QRect target(0, 0, side, side);
    if (w > h) {
        const float scale = float(side) / float(w);
        const int height = int(std::floor(float(h) * scale));
        target = QRect(0, (side - height) / 2, side, height);
    } else if (w < h) {
        const float scale = float(side) / float(h);
        const int width = int(std::floor(float(w) * scale));
        target = QRect((side - width) / 2, 0, width, side);
    }
    if (target.isEmpty())
        return bitmap;
    QPainter painter(&bitmap);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Scaled beforehand with area averaging: a smooth transform alone samples only four
    // source pixels per bitmap pixel and would alias a 640-pixel picture.
    painter.drawImage(target.topLeft(), picture.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return bitmap;
}
