#include "audio/mp3encoder.h"

#include "audio/loudness.h"
#include "audio/mp3codec.h"
#include "audio/waveinfo.h"
#include "story/messenger.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// The published MP3 format: 22050 Hz mono at 24 kbit/s, 3000 bytes per second.
constexpr int mp3SampleRate = 22050;
constexpr int mp3KilobitsPerSecond = 24;
constexpr int lameMono = 3;
constexpr int lameConstantRate = 0;
// Chosen by measuring speed and the SNR of decoded speech against the library's default.
constexpr int lameQuality = 7;
// Rates beyond this would make the one-second buffer absurdly large.
constexpr quint32 highestSourceRate = 192000;
// The library's documented worst case for one call, and what a flush may produce.
constexpr qsizetype lameSlack = 7200;

class ProgressPublisher
{
public:
    explicit ProgressPublisher(const Mp3EncodeOptions& options) : m_state(options.state), m_observer(options.progress)
    {}

    void publish(int percent)
    {
        if (percent == m_last)
            return;
        m_last = percent;
        if (m_state)
            m_state->setPercent(percent);
        if (m_observer)
            m_observer(percent);
    }

    bool isCancelRequested() const { return m_state && m_state->isCancelRequested(); }

private:
    EncodeProgress* m_state;
    const std::function<void(int)>& m_observer;
    int m_last = -1;
};

// Closes the encoder session on every way out.
class LameSession
{
public:
    explicit LameSession(const LameApi& api) : m_api(api), m_handle(api.init()) {}
    ~LameSession()
    {
        if (m_handle)
            m_api.close(m_handle);
    }
    LameSession(const LameSession&) = delete;
    LameSession& operator=(const LameSession&) = delete;

    LameHandle handle() const { return m_handle; }

    bool configure(const WaveFileInfo& source) const
    {
        m_api.setInSamplerate(m_handle, int(source.samplesPerSecond));
        m_api.setNumChannels(m_handle, source.channels);
        m_api.setOutSamplerate(m_handle, mp3SampleRate);
        m_api.setBrate(m_handle, mp3KilobitsPerSecond);
        m_api.setMode(m_handle, lameMono);
        m_api.setVbr(m_handle, lameConstantRate);
        m_api.setQuality(m_handle, lameQuality);
        // The MP3 is a bare frame stream: no info frame before the audio, no ID3 tag after it.
        m_api.setBWriteVbrTag(m_handle, 0);
        if (m_api.setWriteId3TagAutomatic)
            m_api.setWriteId3TagAutomatic(m_handle, 0);
        return m_api.initParams(m_handle) >= 0;
    }

    //! Bytes of MP3 made from frames sample frames (interleaved when stereo); negative on failure.
    int encode(short* samples, int frames, int channels, unsigned char* out, int outSize) const
    {
        // Mono input is read from the left buffer only.
        return channels == 1 ? m_api.encodeBuffer(m_handle, samples, samples, frames, out, outSize)
                             : m_api.encodeBufferInterleaved(m_handle, samples, frames, out, outSize);
    }

    //! The last frames; negative on failure.
    int flush(unsigned char* out, int outSize) const { return m_api.encodeFlush(m_handle, out, outSize); }

private:
    const LameApi& m_api;
    LameHandle m_handle;
};

bool isEncodable(const WaveFileInfo& info)
{
    return info.formatTag == 1 && info.bitsPerSample == 16 && (info.channels == 1 || info.channels == 2) &&
           info.samplesPerSecond > 0 && info.samplesPerSecond <= highestSourceRate;
}

Mp3EncodeResult failure(Mp3EncodeError error, const QString& path)
{
    return Mp3EncodeResult{error, path};
}

// One wave of the source, open at its first sample.
struct SourceWave
{
    WaveFileInfo info;
    std::unique_ptr<QFile> file;
};

bool haveSameFormat(const WaveFileInfo& a, const WaveFileInfo& b)
{
    return a.formatTag == b.formatTag && a.channels == b.channels && a.samplesPerSecond == b.samplesPerSecond &&
           a.bitsPerSample == b.bitsPerSample;
}

// The waves' sample bytes as one stream, as if they were joined into one wave.
class SourceChain
{
public:
    explicit SourceChain(const std::vector<SourceWave>& waves) : m_waves(waves)
    {
        if (!m_waves.empty())
            m_left = m_waves.front().info.dataSize;
    }

    //! The next size bytes, across the end of a wave when need be; false (failedPath set) when
    //! a wave cannot be read.
    bool read(char* into, qint64 size, QString& failedPath)
    {
        while (size > 0) {
            while (m_left == 0 && m_at + 1 < m_waves.size())
                m_left = m_waves[++m_at].info.dataSize;
            QFile& file = *m_waves[m_at].file;
            const qint64 take = std::min(size, m_left);
            if (take == 0 || file.read(into, take) != take) {
                failedPath = file.fileName();
                return false;
            }
            into += take;
            size -= take;
            m_left -= take;
        }
        return true;
    }

    //! The wave last read from.
    QString currentPath() const { return m_waves[m_at].file->fileName(); }

private:
    const std::vector<SourceWave>& m_waves;
    size_t m_at = 0;
    qint64 m_left = 0; //!< bytes of the current wave not yet read
};

// The source's samples through one encoder session, one second at a time.
class Conversion
{
public:
    Conversion(const LameApi& lame, const WaveFileInfo& format, qint64 totalBytes, QSaveFile& out,
               ProgressPublisher& progress, const Mp3EncodeOptions& options)
        : m_session(lame),
          m_channels(format.channels),
          m_blockAlign(qint64(format.channels) * 2),
          m_readSize(qint64(format.samplesPerSecond) * m_blockAlign),
          m_total(totalBytes),
          m_out(out),
          m_progress(progress),
          m_options(options)
    {
        m_format = format;
        // The library's bound counts samples per channel, which resampling up may multiply.
        const qint64 mostSamples = std::max<qint64>(format.samplesPerSecond, mp3SampleRate);
        m_mp3.resize(size_t(mostSamples * 5 / 4 + lameSlack));
    }

    bool start() const { return m_session.handle() && m_session.configure(m_format); }

    //! Encodes the samples of every wave as they are, through one buffer: the same calls to the
    //! encoder as for the waves joined into one.
    Mp3EncodeResult addPlain(SourceChain& source)
    {
        std::vector<short> pcm(size_t(m_readSize / 2));
        QString failedPath;
        while (m_consumed < m_total) {
            if (m_progress.isCancelRequested())
                return failure(Mp3EncodeError::Cancelled, m_out.fileName());
            m_progress.publish(int(m_consumed * 100 / m_total));
            const qint64 wanted = std::min(m_readSize, m_total - m_consumed);
            if (!source.read(reinterpret_cast<char*>(pcm.data()), wanted, failedPath))
                return failure(Mp3EncodeError::SourceUnreadable, failedPath);
            m_consumed += wanted;
            if (m_options.sourceData)
                m_options.sourceData(reinterpret_cast<const char*>(pcm.data()), wanted);
            const int frames = int(wanted / m_blockAlign);
            if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN)
                qFromLittleEndian<qint16>(pcm.data(), frames * m_channels, pcm.data());
            if (const Mp3EncodeResult made = encode(pcm.data(), frames, source.currentPath()); !made.ok())
                return made;
        }
        return {};
    }

    //! Reads the whole wave, brings its samples to the even loudness and encodes them.
    Mp3EncodeResult addEvened(QFile& source, qint64 dataSize)
    {
        if (m_progress.isCancelRequested())
            return failure(Mp3EncodeError::Cancelled, m_out.fileName());
        m_progress.publish(int(m_consumed * 100 / m_total));
        // An odd last byte is read (and digested) but is no sample.
        std::vector<std::int16_t> samples(size_t((dataSize + 1) / 2));
        char* bytes = reinterpret_cast<char*>(samples.data());
        for (qint64 read = 0; read < dataSize;) {
            if (m_progress.isCancelRequested())
                return failure(Mp3EncodeError::Cancelled, m_out.fileName());
            const qint64 wanted = std::min(m_readSize, dataSize - read);
            if (source.read(bytes + read, wanted) != wanted)
                return failure(Mp3EncodeError::SourceUnreadable, source.fileName());
            if (m_options.sourceData)
                m_options.sourceData(bytes + read, wanted);
            read += wanted;
        }
        const qint64 frames = dataSize / m_blockAlign;
        const size_t count = size_t(frames * m_channels);
        if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN)
            qFromLittleEndian<qint16>(samples.data(), qsizetype(count), samples.data());
        std::vector<std::int16_t> evened =
            loudness::normalised(std::span(samples.data(), count), int(m_format.samplesPerSecond), m_channels);
        samples = {};

        const qint64 piece = m_readSize / m_blockAlign;
        const qint64 end = m_consumed + dataSize;
        for (qint64 frame = 0; frame < frames; frame += piece) {
            if (m_progress.isCancelRequested())
                return failure(Mp3EncodeError::Cancelled, m_out.fileName());
            m_progress.publish(int(m_consumed * 100 / m_total));
            const qint64 take = std::min(piece, frames - frame);
            if (const Mp3EncodeResult made = encode(evened.data() + frame * m_channels, int(take), source.fileName());
                !made.ok())
                return made;
            m_consumed += take * m_blockAlign;
        }
        m_consumed = end;
        return {};
    }

    //! The last frames.
    Mp3EncodeResult finish(const QString& sourcePath)
    {
        const int tail = m_session.flush(m_mp3.data(), int(m_mp3.size()));
        if (tail < 0)
            return failure(Mp3EncodeError::EncoderFailed, sourcePath);
        if (m_out.write(reinterpret_cast<const char*>(m_mp3.data()), tail) != tail)
            return failure(Mp3EncodeError::WriteFailed, m_out.fileName());
        return {};
    }

private:
    Mp3EncodeResult encode(short* pcm, int frames, const QString& sourcePath)
    {
        const int made = m_session.encode(pcm, frames, m_channels, m_mp3.data(), int(m_mp3.size()));
        if (made < 0)
            return failure(Mp3EncodeError::EncoderFailed, sourcePath);
        if (m_out.write(reinterpret_cast<const char*>(m_mp3.data()), made) != made)
            return failure(Mp3EncodeError::WriteFailed, m_out.fileName());
        return {};
    }

    LameSession m_session;
    WaveFileInfo m_format;
    int m_channels;
    qint64 m_blockAlign;
    qint64 m_readSize; //!< one second of source: a whole number of blocks for PCM
    qint64 m_total;
    qint64 m_consumed = 0;
    QSaveFile& m_out;
    ProgressPublisher& m_progress;
    const Mp3EncodeOptions& m_options;
    std::vector<unsigned char> m_mp3;
};

Mp3EncodeResult encodeFiles(const LameApi& lame, const QStringList& wavePaths, const QString& mp3Path,
                            ProgressPublisher& progress, const Mp3EncodeOptions& options)
{
    // Every wave is checked and opened before a byte is encoded.
    std::vector<SourceWave> sources;
    qint64 total = 0;
    for (const QString& path : wavePaths) {
        const std::optional<WaveFileInfo> info = probeWaveFile(path);
        if (!info)
            return failure(Mp3EncodeError::SourceUnreadable, path);
        if (!isEncodable(*info) || (!sources.empty() && !haveSameFormat(*info, sources.front().info)))
            return failure(Mp3EncodeError::SourceFormat, path);
        auto file = std::make_unique<QFile>(path);
        if (!file->open(QIODevice::ReadOnly) || !file->seek(info->dataOffset))
            return failure(Mp3EncodeError::SourceUnreadable, path);
        sources.push_back({*info, std::move(file)});
        total += info->dataSize;
    }
    if (sources.empty())
        return failure(Mp3EncodeError::SourceUnreadable, mp3Path);

    // Written beside the MP3 and renamed over it once complete; dropped on any failure.
    QSaveFile out(mp3Path);
    if (!out.open(QIODevice::WriteOnly))
        return failure(Mp3EncodeError::WriteFailed, mp3Path);
    Conversion conversion(lame, sources.front().info, total, out, progress, options);
    if (!conversion.start())
        return failure(Mp3EncodeError::EncoderFailed, wavePaths.front());
    if (options.evenLoudness) {
        for (const SourceWave& wave : sources)
            if (const Mp3EncodeResult added = conversion.addEvened(*wave.file, wave.info.dataSize); !added.ok())
                return added;
    } else {
        SourceChain chain(sources);
        if (const Mp3EncodeResult added = conversion.addPlain(chain); !added.ok())
            return added;
    }
    if (const Mp3EncodeResult finished = conversion.finish(wavePaths.back()); !finished.ok())
        return finished;
    if (!out.commit())
        return failure(Mp3EncodeError::WriteFailed, mp3Path);
    return {};
}

} // namespace

QString mp3EncoderSettings(bool evenLoudness)
{
    QString settings =
        QStringLiteral("mp3 %1 Hz mono cbr %2 q%3").arg(mp3SampleRate).arg(mp3KilobitsPerSecond).arg(lameQuality);
    if (evenLoudness)
        settings += QStringLiteral(" r128 %1 %2").arg(loudness::TargetLufs).arg(loudness::TruePeakCeilingDb);
    return settings;
}

QString mp3EncodingErrorCaption()
{
    return QStringLiteral("Pictorelle - MP3 encoding error");
}

QString mp3CodecMissingText()
{
    return QStringLiteral("MP3 encoder didn't load.\nPlease re-install Pictorelle.");
}

QString mp3EncodeErrorText(const Mp3EncodeResult& result)
{
    switch (result.error) {
    case Mp3EncodeError::None:
        return {};
    case Mp3EncodeError::CodecMissing:
        return mp3CodecMissingText();
    case Mp3EncodeError::SourceUnreadable:
        return QStringLiteral("Cannot read the wave file %1.").arg(result.path);
    case Mp3EncodeError::SourceFormat:
        return QStringLiteral("%1 is not a 16-bit PCM wave (mono or stereo), so it cannot be encoded to MP3.")
            .arg(result.path);
    case Mp3EncodeError::EncoderFailed:
        return QStringLiteral("The MP3 encoder failed on %1.").arg(result.path);
    case Mp3EncodeError::WriteFailed:
        return QStringLiteral("Cannot write the MP3 file %1.").arg(result.path);
    case Mp3EncodeError::Cancelled:
        return QStringLiteral("MP3 encoding of %1 was cancelled.").arg(result.path);
    }
    return {};
}

Mp3EncodeResult encodeWaveToMp3(Messenger* messenger, const QString& wavePath, const QString& mp3Path,
                                const Mp3EncodeOptions& options)
{
    return encodeWavesToMp3(messenger, QStringList{wavePath}, mp3Path, options);
}

Mp3EncodeResult encodeWavesToMp3(Messenger* messenger, const QStringList& wavePaths, const QString& mp3Path,
                                 const Mp3EncodeOptions& options)
{
    // A failed conversion must never leave an older MP3 to be published in its place.
    QFile::remove(mp3Path);
    ProgressPublisher progress(options);
    progress.publish(0);
    // Cancelled before it began: no need to wait for another caller's conversion to end.
    if (progress.isCancelRequested())
        return failure(Mp3EncodeError::Cancelled, mp3Path);
    {
        const Mp3CodecLock codec;
        if (codec.api())
            return encodeFiles(*codec.api(), wavePaths, mp3Path, progress, options);
    }
    // Shown without holding the library, so an exit that unloads it never waits for the user.
    if (messenger)
        messenger->showMessage(mp3EncodingErrorCaption(), mp3CodecMissingText(), Messenger::Icon::Warning);
    return failure(Mp3EncodeError::CodecMissing, mp3Path);
}

int encodeToMp3(Messenger* messenger, const QString& wavePath, const QString& mp3Path, EncodeProgress* state)
{
    Mp3EncodeOptions options;
    options.state = state;
    return encodeWaveToMp3(messenger, wavePath, mp3Path, options).ok() ? 1 : 0;
}
