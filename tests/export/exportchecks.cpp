#include "exportchecks.h"

#include "tempfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPainter>
#include <QProcess>
#include <QtEndian>

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace exportchecks {

namespace {

QByteArray run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return p.readAllStandardOutput();
}

} // namespace

QByteArray toneWave(double seconds, double frequency, double peak, int rate, int channels)
{
    const int frames = int(std::lround(seconds * rate));
    QByteArray samples(qsizetype(frames) * channels * 2, '\0');
    for (int i = 0; i < frames; ++i) {
        const auto value = qint16(std::lround(peak * 32767.0 * std::sin(2 * M_PI * frequency * i / rate)));
        for (int c = 0; c < channels; ++c)
            qToLittleEndian<qint16>(value, samples.data() + (qsizetype(i) * channels + c) * 2);
    }
    QByteArray wave;
    const auto le32 = [&wave](quint32 v) {
        char b[4];
        qToLittleEndian<quint32>(v, b);
        wave.append(b, 4);
    };
    const auto le16 = [&wave](quint16 v) {
        char b[2];
        qToLittleEndian<quint16>(v, b);
        wave.append(b, 2);
    };
    wave.append("RIFF");
    le32(quint32(36 + samples.size()));
    wave.append("WAVEfmt ");
    le32(16);
    le16(1);
    le16(quint16(channels));
    le32(quint32(rate));
    le32(quint32(rate * channels * 2));
    le16(quint16(channels * 2));
    le16(16);
    wave.append("data");
    le32(quint32(samples.size()));
    return wave + samples;
}

QString writePicture(const TempFolder& folder, const QString& name, QSize size, QColor top, QColor bottom)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(top);
    if (bottom.isValid()) {
        QPainter painter(&image);
        painter.fillRect(0, size.height() / 2, size.width(), size.height() - size.height() / 2, bottom);
    }
    const QString path = folder.file(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    image.save(path, nullptr, 95);
    return path;
}

QJsonObject probe(const QString& path)
{
    const QByteArray json =
        run(QStringLiteral("ffprobe"), {"-v", "error", "-show_streams", "-show_format", "-of", "json", path});
    return QJsonDocument::fromJson(json).object();
}

QJsonObject streamOf(const QJsonObject& probed, const QString& type)
{
    for (const QJsonValue& stream : probed.value("streams").toArray()) {
        if (stream.toObject().value("codec_type").toString() == type)
            return stream.toObject();
    }
    return {};
}

int streamCount(const QJsonObject& probed)
{
    return int(probed.value("streams").toArray().size());
}

std::vector<QImage> framesAt(const QString& path, const std::vector<double>& seconds, int framesPerSecond)
{
    std::vector<QImage> frames(seconds.size());
    const QJsonObject video = streamOf(probe(path), "video");
    const int width = video.value("width").toInt();
    const int height = video.value("height").toInt();
    if (width <= 0 || height <= 0 || seconds.empty())
        return frames;
    // Frame n is shown from n / rate on; each wanted frame is picked once, in order.
    std::vector<int> numbers;
    QStringList picks;
    for (const double t : seconds) {
        numbers.push_back(int(std::floor(t * framesPerSecond + 1e-6)));
        picks << QStringLiteral("eq(n\\,%1)").arg(numbers.back());
    }
    const QByteArray rgb = run(QStringLiteral("ffmpeg"),
                               {"-v", "error", "-i", path, "-vf", QStringLiteral("select='%1'").arg(picks.join('+')),
                                "-vsync", "0", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
    const qsizetype frameBytes = qsizetype(width) * height * 3;
    std::vector<int> sorted = numbers;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    if (rgb.size() != frameBytes * qsizetype(sorted.size()))
        return frames;
    for (size_t i = 0; i < seconds.size(); ++i) {
        const auto at = std::lower_bound(sorted.begin(), sorted.end(), numbers[i]) - sorted.begin();
        QImage image(width, height, QImage::Format_RGB888);
        for (int y = 0; y < height; ++y)
            std::memcpy(image.scanLine(y), rgb.constData() + frameBytes * at + qsizetype(y) * width * 3,
                        size_t(width) * 3);
        frames[i] = image;
    }
    return frames;
}

QImage frameAt(const QString& path, double seconds)
{
    return framesAt(path, {seconds}).front();
}

QColor meanColour(const QImage& image, const QRect& area)
{
    const QRect inside = area.intersected(image.rect());
    if (inside.isEmpty())
        return {};
    double r = 0, g = 0, b = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            r += qRed(pixel);
            g += qGreen(pixel);
            b += qBlue(pixel);
        }
    }
    const double n = double(inside.width()) * inside.height();
    return QColor(int(std::lround(r / n)), int(std::lround(g / n)), int(std::lround(b / n)));
}

int colourDistance(QColor a, QColor b)
{
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
}

std::vector<std::int16_t> decodedSound(const QString& path)
{
    const QByteArray pcm = run(QStringLiteral("ffmpeg"),
                               {"-v", "error", "-i", path, "-vn", "-ac", "1", "-ar", "48000", "-f", "s16le", "-"});
    std::vector<std::int16_t> samples(size_t(pcm.size() / 2));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = qFromLittleEndian<qint16>(pcm.constData() + 2 * i);
    return samples;
}

double integratedLoudness(const std::vector<std::int16_t>& samples, int rate, double fromSeconds, double toSeconds)
{
    const size_t from = std::min(samples.size(), size_t(std::max(0.0, fromSeconds) * rate));
    const size_t to = std::min(samples.size(), size_t(std::max(fromSeconds, toSeconds) * rate));
    ebur128_state* state = ebur128_init(1, unsigned(rate), EBUR128_MODE_I);
    if (!state)
        return NAN;
    ebur128_add_frames_short(state, samples.data() + from, to - from);
    double lufs = NAN;
    ebur128_loudness_global(state, &lufs);
    ebur128_destroy(&state);
    return lufs;
}

QStringList topLevelBoxes(const QString& path)
{
    QFile file(path);
    QStringList boxes;
    if (!file.open(QIODevice::ReadOnly))
        return boxes;
    const qint64 size = file.size();
    qint64 at = 0;
    while (at + 8 <= size) {
        file.seek(at);
        const QByteArray header = file.read(16);
        if (header.size() < 8)
            break;
        quint64 length = qFromBigEndian<quint32>(header.constData());
        if (length == 1 && header.size() == 16)
            length = qFromBigEndian<quint64>(header.constData() + 8);
        else if (length == 0)
            length = quint64(size - at);
        boxes << QString::fromLatin1(header.mid(4, 4));
        if (length < 8)
            break;
        at += qint64(length);
    }
    return boxes;
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace exportchecks
