#include "audio/mp3cache.h"

#include "audio/waveinfo.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr auto keyAlgorithm = QCryptographicHash::Md5;
constexpr qint64 readBlock = 1 << 20;

//! The digest of a wave's format and samples, with the encoder's settings in front.
class KeyDigest
{
public:
    explicit KeyDigest(const WaveFileInfo& info) : m_hash(keyAlgorithm)
    {
        m_hash.addData(QStringLiteral("%1|%2 Hz|%3 ch|%4 bit|%5 bytes|")
                           .arg(mp3EncoderSettings())
                           .arg(info.samplesPerSecond)
                           .arg(info.channels)
                           .arg(info.bitsPerSample)
                           .arg(info.dataSize)
                           .toUtf8());
    }
    void add(const char* data, qint64 size) { m_hash.addData(QByteArrayView(data, size)); }
    QByteArray key() const { return m_hash.result().toHex(); }

private:
    QCryptographicHash m_hash;
};

bool isKeyable(const WaveFileInfo& info)
{
    return info.formatTag == 1 && info.bitsPerSample == 16 && info.channels >= 1 && info.channels <= 2;
}

//! A name in folder that no other writer uses.
QString uniquePartName(const QString& folder, const QByteArray& key)
{
    return folder + QString::fromLatin1(key) +
           QStringLiteral(".%1-%2.part").arg(::getpid()).arg(QRandomGenerator::global()->generate64(), 0, 16);
}

//! A hard link from to to, else a copy; to must not exist.
bool linkOrCopy(const QString& from, const QString& to)
{
    if (::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    return QFile::copy(from, to);
}

//! Renames over an existing file in one step (QFile::rename refuses to).
bool replaceFile(const QString& from, const QString& to)
{
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

//! Marks a kept file as just used.
void touch(const QString& path)
{
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), nullptr, 0);
}

} // namespace

Mp3Cache::Mp3Cache(QString folder, qint64 capacityBytes) : m_folder(std::move(folder)), m_capacity(capacityBytes)
{
    if (!m_folder.endsWith(QLatin1Char('/')))
        m_folder += QLatin1Char('/');
}

QString Mp3Cache::folderIn(const QString& programFolder)
{
    QString folder = programFolder;
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + QStringLiteral("cache/mp3/");
}

QByteArray Mp3Cache::keyOf(const QString& wavPath)
{
    const std::optional<WaveFileInfo> info = probeWaveFile(wavPath);
    if (!info || !isKeyable(*info))
        return {};
    QFile file(wavPath);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(info->dataOffset))
        return {};
    KeyDigest digest(*info);
    std::vector<char> block(size_t(std::min<qint64>(readBlock, std::max<quint32>(info->dataSize, 1))));
    qint64 left = info->dataSize;
    while (left > 0) {
        const qint64 wanted = std::min<qint64>(left, qint64(block.size()));
        if (file.read(block.data(), wanted) != wanted)
            return {};
        digest.add(block.data(), wanted);
        left -= wanted;
    }
    return digest.key();
}

QString Mp3Cache::fileFor(const QByteArray& key) const
{
    return m_folder + QString::fromLatin1(key) + QStringLiteral(".mp3");
}

bool Mp3Cache::fetch(const QByteArray& key, const QString& path) const
{
    const QString kept = fileFor(key);
    if (key.isEmpty() || !QFileInfo(kept).isFile())
        return false;
    // Placed under a unique name first, so path never holds part of a copy.
    const QString part = path + QStringLiteral(".%1.part").arg(QRandomGenerator::global()->generate64(), 0, 16);
    if (!linkOrCopy(kept, part))
        return false;
    if (!replaceFile(part, path)) {
        QFile::remove(part);
        return false;
    }
    touch(kept);
    return true;
}

bool Mp3Cache::store(const QByteArray& key, const QString& path)
{
    if (key.isEmpty() || !QDir().mkpath(m_folder))
        return false;
    const QString part = uniquePartName(m_folder, key);
    if (!linkOrCopy(path, part))
        return false;
    if (!replaceFile(part, fileFor(key))) {
        QFile::remove(part);
        return false;
    }
    trim();
    return true;
}

QByteArray Mp3Cache::fill(const QString& wavPath, Messenger* messenger, EncodeProgress* progress,
                          Mp3EncodeResult* result)
{
    Mp3EncodeResult made;
    const QByteArray key = keyOf(wavPath);
    if (key.isEmpty()) {
        made = {Mp3EncodeError::SourceUnreadable, wavPath};
    } else if (QFileInfo(fileFor(key)).isFile()) {
        touch(fileFor(key));
    } else if (!QDir().mkpath(m_folder)) {
        made = {Mp3EncodeError::WriteFailed, m_folder};
    } else {
        const std::optional<WaveFileInfo> info = probeWaveFile(wavPath);
        KeyDigest digest(info.value_or(WaveFileInfo{}));
        Mp3EncodeOptions options;
        options.state = progress;
        options.sourceData = [&digest](const char* data, qint64 size) { digest.add(data, size); };
        const QString part = uniquePartName(m_folder, key);
        made = encodeWaveToMp3(messenger, wavPath, part, options);
        // Kept only when what was encoded is what the key names: the wave may have been
        // recorded over meanwhile.
        const bool kept = made.ok() && digest.key() == key && replaceFile(part, fileFor(key));
        QFile::remove(part);
        if (kept)
            trim();
        if (result)
            *result = made;
        return kept ? key : QByteArray();
    }
    if (result)
        *result = made;
    return made.ok() ? key : QByteArray();
}

void Mp3Cache::trim() const
{
    QDir dir(m_folder);
    QFileInfoList files = dir.entryInfoList({QStringLiteral("*.mp3")}, QDir::Files, QDir::Time);
    qint64 total = 0;
    for (const QFileInfo& file : files)
        total += file.size();
    // Newest first: the oldest go from the end.
    while (total > m_capacity && !files.isEmpty()) {
        const QFileInfo oldest = files.takeLast();
        if (QFile::remove(oldest.filePath()))
            total -= oldest.size();
    }
}

CachedEncode encodeThroughCache(Mp3Cache& cache, const QString& wavPath, const QString& mp3Path, Messenger* messenger,
                                EncodeProgress* progress)
{
    CachedEncode made;
    // A failure must never leave an older MP3 to be published in its place.
    QFile::remove(mp3Path);
    if (progress && progress->isCancelRequested()) {
        made.encode = {Mp3EncodeError::Cancelled, mp3Path};
        return made;
    }
    const QByteArray key = Mp3Cache::keyOf(wavPath);
    if (cache.fetch(key, mp3Path)) {
        made.fromCache = true;
        if (progress)
            progress->setPercent(99);
        return made;
    }
    std::optional<KeyDigest> digest;
    if (const std::optional<WaveFileInfo> info = probeWaveFile(wavPath); info && !key.isEmpty())
        digest.emplace(*info);
    Mp3EncodeOptions options;
    options.state = progress;
    if (digest)
        options.sourceData = [&digest](const char* data, qint64 size) { digest->add(data, size); };
    made.encode = encodeWaveToMp3(messenger, wavPath, mp3Path, options);
    if (made.encode.ok() && digest && digest->key() == key)
        cache.store(key, mp3Path);
    return made;
}
