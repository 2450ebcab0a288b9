#include "audio/wavejoin.h"

#include "audio/waveinfo.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <vector>

namespace {

// The fmt chunk's 16-byte body (tag, channels, rates, block align, bits) sits here in
// every file the wave probe accepts.
constexpr qint64 fmtBodyAt = 20;
constexpr qint64 fmtBodySize = 16;
// RIFF size of a 44-byte-header wave, less its sample bytes.
constexpr qint64 riffOverhead = 36;
constexpr qint64 copyBufferSize = 1 << 20;

WaveJoinResult failure(WaveJoinError error, int index, const QString& path)
{
    WaveJoinResult result;
    result.error = error;
    result.index = index;
    result.path = path;
    return result;
}

QByteArray le32(quint32 value)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToLittleEndian<quint32>(value, bytes.data());
    return bytes;
}

QByteArray header(const QByteArray& fmtBody, qint64 dataSize)
{
    return QByteArrayLiteral("RIFF") + le32(quint32(riffOverhead + dataSize)) + QByteArrayLiteral("WAVEfmt ") +
           le32(quint32(fmtBodySize)) + fmtBody + QByteArrayLiteral("data") + le32(quint32(dataSize));
}

bool readFmtBody(const QString& path, QByteArray& body)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(fmtBodyAt))
        return false;
    body = file.read(fmtBodySize);
    return body.size() == fmtBodySize;
}

bool isCancelled(const std::atomic<bool>* cancel)
{
    return cancel && cancel->load();
}

// Appends one input's samples to the output through the shared buffer.
WaveJoinResult copySamples(int index, const QString& path, const WaveFileInfo& info, QSaveFile& out,
                           std::vector<char>& buffer, const std::atomic<bool>* cancel)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly) || !in.seek(info.dataOffset))
        return failure(WaveJoinError::InputUnreadable, index, path);
    qint64 left = info.dataSize;
    while (left > 0) {
        if (isCancelled(cancel))
            return failure(WaveJoinError::Cancelled, index, path);
        const qint64 wanted = std::min<qint64>(left, qint64(buffer.size()));
        if (in.read(buffer.data(), wanted) != wanted)
            return failure(WaveJoinError::InputUnreadable, index, path);
        if (out.write(buffer.data(), wanted) != wanted)
            return failure(WaveJoinError::WriteFailed, -1, out.fileName());
        left -= wanted;
    }
    return {};
}

} // namespace

QString waveJoinErrorText(const WaveJoinResult& result, const QString& itemName)
{
    const QString item = QStringLiteral("%1 %2").arg(itemName).arg(result.index + 1);
    switch (result.error) {
    case WaveJoinError::None:
        return {};
    case WaveJoinError::NoInputs:
        return QStringLiteral("There is nothing to join.");
    case WaveJoinError::InputMissing:
        return QStringLiteral("%1 has no recorded narration (%2 is missing).").arg(item, result.path);
    case WaveJoinError::InputUnreadable:
        return QStringLiteral("%1's narration cannot be read (%2 is not a readable wave file).").arg(item, result.path);
    case WaveJoinError::InputFormat:
        return QStringLiteral("%1's narration is not in the recording format of PCM, 22050 Hz, 16-bit, mono (%2).")
            .arg(item, result.path);
    case WaveJoinError::TooLarge:
        return QStringLiteral("The joined narration would be larger than a wave file can hold (4 GiB).");
    case WaveJoinError::WriteFailed:
        return QStringLiteral("Cannot write the joined narration %1.").arg(result.path);
    case WaveJoinError::Cancelled:
        return QStringLiteral("Joining the narrations was cancelled.");
    }
    return {};
}

WaveJoinResult joinNarrationWaves(const QStringList& inputs, const QString& output, const std::atomic<bool>* cancel)
{
    if (inputs.isEmpty())
        return failure(WaveJoinError::NoInputs, -1, output);

    // Every input is checked before a byte is written, so a bad one leaves no half output.
    std::vector<WaveFileInfo> infos;
    infos.reserve(size_t(inputs.size()));
    qint64 dataSize = 0;
    for (int i = 0; i < inputs.size(); ++i) {
        if (!QFile::exists(inputs[i]))
            return failure(WaveJoinError::InputMissing, i, inputs[i]);
        const std::optional<WaveFileInfo> info = probeWaveFile(inputs[i]);
        if (!info)
            return failure(WaveJoinError::InputUnreadable, i, inputs[i]);
        if (!isNarrationFormat(*info))
            return failure(WaveJoinError::InputFormat, i, inputs[i]);
        infos.push_back(*info);
        dataSize += info->dataSize;
    }
    if (riffOverhead + dataSize > qint64(0xFFFFFFFF))
        return failure(WaveJoinError::TooLarge, -1, output);

    // The joined format is the last input's, as when clips are joined one by one.
    QByteArray fmtBody;
    if (!readFmtBody(inputs.last(), fmtBody))
        return failure(WaveJoinError::InputUnreadable, int(inputs.size() - 1), inputs.last());

    QSaveFile out(output);
    if (!out.open(QIODevice::WriteOnly))
        return failure(WaveJoinError::WriteFailed, -1, output);
    const QByteArray head = header(fmtBody, dataSize);
    if (out.write(head) != head.size())
        return failure(WaveJoinError::WriteFailed, -1, output);
    std::vector<char> buffer(size_t(std::min(copyBufferSize, std::max<qint64>(dataSize, 1))));
    for (int i = 0; i < inputs.size(); ++i) {
        const WaveJoinResult copied = copySamples(i, inputs[i], infos[size_t(i)], out, buffer, cancel);
        if (!copied.ok())
            return copied;
    }
    if (!out.commit())
        return failure(WaveJoinError::WriteFailed, -1, output);
    WaveJoinResult joined;
    joined.dataSize = dataSize;
    return joined;
}
