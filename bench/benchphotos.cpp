#include "benchphotos.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>
#include <QThreadPool>

#include <cmath>
#include <cstdint>

namespace {

// Cheap per-pixel noise, stable from run to run.
inline int grain(uint32_t x, uint32_t y, uint32_t seed)
{
    uint32_t h = x * 374761393u + y * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return int((h ^ (h >> 16)) & 15u) - 8;
}

inline int clamp255(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// Sky gradient above a horizon, textured "ground" below it, a few hard-edged shapes and
// sensor grain: roughly the entropy of a real photo at quality 90.
QImage photo(const QSize& size, int index)
{
    const int w = size.width();
    const int h = size.height();
    QImage image(size, QImage::Format_RGB32);
    const int horizon = h * (40 + index % 25) / 100;
    const double hue = index * 0.7;
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const double fy = double(y) / h;
        for (int x = 0; x < w; ++x) {
            const double fx = double(x) / w;
            int r, g, b;
            if (y < horizon) {
                r = int(90 + 80 * fy + 30 * std::sin(hue + fx * 2));
                g = int(140 + 60 * fy);
                b = int(230 - 40 * fy);
            } else {
                const double detail = std::sin(x * 0.35 + std::sin(y * 0.05) * 6) * std::sin(y * 0.27);
                r = int(70 + 40 * fx + 35 * detail);
                g = int(110 + 30 * std::sin(hue + fy * 5) + 40 * detail);
                b = int(50 + 20 * detail);
            }
            // Hard-edged "buildings" along the horizon.
            if (std::abs(y - horizon) < h / 10 && (x / (w / 23) + index) % 3 == 0)
                r = g = b = 200 - (x / (w / 23)) * 5;
            const int n = grain(uint32_t(x), uint32_t(y), uint32_t(index));
            line[x] = qRgb(clamp255(r + n), clamp255(g + n), clamp255(b + n));
        }
    }
    return image;
}

bool writePhoto(const QString& path, const QSize& size, int index)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QImageWriter writer(&file, "jpeg");
    writer.setQuality(90);
    if (index % 4 == 3)
        writer.setTransformation(QImageIOHandler::TransformationRotate90);
    return writer.write(photo(size, index)) && file.commit();
}

} // namespace

QStringList ensureBenchPhotos(const QString& folder, int count, const QSize& size)
{
    QDir().mkpath(folder);
    QStringList paths;
    QList<int> missing;
    for (int i = 0; i < count; ++i) {
        paths << QDir(folder).filePath(
            QString("photo%1-%2x%3.jpg").arg(i, 2, 10, QChar('0')).arg(size.width()).arg(size.height()));
        if (!QFileInfo::exists(paths.last()))
            missing << i;
    }
    QThreadPool pool;
    for (const int i : missing)
        pool.start([&paths, size, i] { writePhoto(paths[i], size, i); });
    pool.waitForDone();
    return paths;
}
