#include "audio/mp3cache.h"

#include "audio/waveinfo.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr auto keyAlgorithm = QCryptographicHash::Md5;
constexpr qint64 readBlock = 1 << 20;

//! The digest of a source's format and samples, with the encoder's settings in front. Evened
//! out wave by wave, a source of several waves also names where each one ends.
class KeyDigest
{
public:
    KeyDigest(const std::vector<WaveFileInfo>& waves, bool evenLoudness) : m_hash(keyAlgorithm)
    {
        const WaveFileInfo& format = waves.back();
        qint64 dataSize = 0;
        QStringList parts;
        for (const WaveFileInfo& wave : waves) {
            dataSize += wave.dataSize;
            parts.append(QString::number(wave.dataSize));
        }
        QString header = QStringLiteral("%1|%2 Hz|%3 ch|%4 bit|%5 bytes|")
                             .arg(mp3EncoderSettings(evenLoudness))
                             .arg(format.samplesPerSecond)
                             .arg(format.channels)
                             .arg(format.bitsPerSample)
                             .arg(dataSize);
        if (evenLoudness && waves.size() > 1)
            header += QStringLiteral("parts %1|").arg(parts.join(QLatin1Char(' ')));
        m_hash.addData(header.toUtf8());
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

//! The headers of every wave of a source, all keyable and of one format; nullopt otherwise.
std::optional<std::vector<WaveFileInfo>> probeSource(const QStringList& wavPaths)
{
    std::vector<WaveFileInfo> waves;
    for (const QString& path : wavPaths) {
        const std::optional<WaveFileInfo> info = probeWaveFile(path);
        if (!info || !isKeyable(*info))
            return std::nullopt;
        if (!waves.empty() &&
            (info->channels != waves.front().channels || info->samplesPerSecond != waves.front().samplesPerSecond))
            return std::nullopt;
        waves.push_back(*info);
    }
    if (waves.empty())
        return std::nullopt;
    return waves;
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

QByteArray Mp3Cache::keyOf(const QString& wavPath, bool evenLoudness)
{
    return keyOf(QStringList{wavPath}, evenLoudness);
}

QByteArray Mp3Cache::keyOf(const QStringList& wavPaths, bool evenLoudness)
{
    const std::optional<std::vector<WaveFileInfo>> waves = probeSource(wavPaths);
    if (!waves)
        return {};
    KeyDigest digest(*waves, evenLoudness);
    std::vector<char> block;
    for (qsizetype i = 0; i < wavPaths.size(); ++i) {
        const WaveFileInfo& info = (*waves)[size_t(i)];
        QFile file(wavPaths[i]);
        if (!file.open(QIODevice::ReadOnly) || !file.seek(info.dataOffset))
            return {};
        block.resize(size_t(std::min<qint64>(readBlock, std::max<quint32>(info.dataSize, 1))));
        qint64 left = info.dataSize;
        while (left > 0) {
            const qint64 wanted = std::min<qint64>(left, qint64(block.size()));
            if (file.read(block.data(), wanted) != wanted)
                return {};
            digest.add(block.data(), wanted);
            left -= wanted;
        }
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
                          Mp3EncodeResult* result, bool evenLoudness)
{
    return fill(QStringList{wavPath}, messenger, progress, result, evenLoudness);
}

QByteArray Mp3Cache::fill(const QStringList& wavPaths, Messenger* messenger, EncodeProgress* progress,
                          Mp3EncodeResult* result, bool evenLoudness)
{
    Mp3EncodeResult made;
    const QByteArray key = keyOf(wavPaths, evenLoudness);
    if (key.isEmpty()) {
        made = {Mp3EncodeError::SourceUnreadable, wavPaths.value(0)};
    } else if (QFileInfo(fileFor(key)).isFile()) {
        touch(fileFor(key));
    } else if (!QDir().mkpath(m_folder)) {
        made = {Mp3EncodeError::WriteFailed, m_folder};
    } else {
        const std::optional<std::vector<WaveFileInfo>> waves = probeSource(wavPaths);
        KeyDigest digest(waves.value_or(std::vector<WaveFileInfo>{WaveFileInfo{}}), evenLoudness);
        Mp3EncodeOptions options;
        options.state = progress;
        options.evenLoudness = evenLoudness;
        options.sourceData = [&digest](const char* data, qint64 size) { digest.add(data, size); };
        const QString part = uniquePartName(m_folder, key);
        made = encodeWavesToMp3(messenger, wavPaths, part, options);
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
                                EncodeProgress* progress, bool evenLoudness)
{
    return encodeThroughCache(cache, QStringList{wavPath}, mp3Path, messenger, progress, evenLoudness);
}

CachedEncode encodeThroughCache(Mp3Cache& cache, const QStringList& wavPaths, const QString& mp3Path,
                                Messenger* messenger, EncodeProgress* progress, bool evenLoudness)
{
    CachedEncode made;
    // A failure must never leave an older MP3 to be published in its place.
    QFile::remove(mp3Path);
    if (progress && progress->isCancelRequested()) {
        made.encode = {Mp3EncodeError::Cancelled, mp3Path};
        return made;
    }
    const QByteArray key = Mp3Cache::keyOf(wavPaths, evenLoudness);
    if (cache.fetch(key, mp3Path)) {
        made.fromCache = true;
        if (progress)
            progress->setPercent(99);
        return made;
    }
    std::optional<KeyDigest> digest;
    if (const std::optional<std::vector<WaveFileInfo>> waves = probeSource(wavPaths); waves && !key.isEmpty())
        digest.emplace(*waves, evenLoudness);
    Mp3EncodeOptions options;
    options.state = progress;
    options.evenLoudness = evenLoudness;
    if (digest)
        options.sourceData = [&digest](const char* data, qint64 size) { digest->add(data, size); };
    made.encode = encodeWavesToMp3(messenger, wavPaths, mp3Path, options);
    if (made.encode.ok() && digest && digest->key() == key)
        cache.store(key, mp3Path);
    return made;
}
