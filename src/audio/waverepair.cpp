#include "audio/waverepair.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <limits>

namespace {

constexpr qint64 HeaderSize = 44;

} // namespace

std::optional<quint32> repairRecordedWave(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return std::nullopt;
    const QByteArray header = file.read(HeaderSize);
    if (header.size() != HeaderSize || !header.startsWith("RIFF") || header.mid(8, 8) != "WAVEfmt " ||
        header.mid(36, 4) != "data")
        return std::nullopt;
    const uchar* h = reinterpret_cast<const uchar*>(header.constData());
    const quint32 fmtSize = qFromLittleEndian<quint32>(h + 16);
    const quint16 formatTag = qFromLittleEndian<quint16>(h + 20);
    const quint16 blockAlign = qFromLittleEndian<quint16>(h + 32);
    if (fmtSize != 16 || formatTag != 1 || blockAlign == 0)
        return std::nullopt;

    const quint32 declared = qFromLittleEndian<quint32>(h + 40);
    const qint64 onDisk =
        std::min<qint64>(file.size() - HeaderSize, std::numeric_limits<quint32>::max() - (HeaderSize - 8));
    const quint32 present = quint32(onDisk / blockAlign * blockAlign);
    if (declared == present && qFromLittleEndian<quint32>(h + 4) == present + HeaderSize - 8)
        return present;

    uchar sizes[4];
    qToLittleEndian<quint32>(quint32(present + HeaderSize - 8), sizes);
    bool written = file.seek(4) && file.write(reinterpret_cast<const char*>(sizes), 4) == 4;
    qToLittleEndian<quint32>(present, sizes);
    written = written && file.seek(40) && file.write(reinterpret_cast<const char*>(sizes), 4) == 4;
    // A torn last frame goes, so the file ends where its header says.
    written = written && file.resize(HeaderSize + present);
    if (!written)
        return std::nullopt;
    return present;
}
