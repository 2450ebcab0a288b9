#include "audio/mp3encoder.h"

#include "audio/mp3codec.h"
#include "audio/waveinfo.h"
#include "story/messenger.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
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

// The source's samples, one second at a time, through one pair of buffers.
Mp3EncodeResult convert(const LameApi& lame, const WaveFileInfo& info, QFile& source, QSaveFile& out,
                        ProgressPublisher& progress, const Mp3EncodeOptions& options)
{
    LameSession session(lame);
    if (!session.handle() || !session.configure(info))
        return failure(Mp3EncodeError::EncoderFailed, source.fileName());

    const qint64 blockAlign = qint64(info.channels) * 2;
    // One second of source: the average byte rate, a whole number of blocks for PCM.
    const qint64 readSize = qint64(info.samplesPerSecond) * blockAlign;
    std::vector<short> pcm(size_t(readSize / 2));
    // The library's bound counts samples per channel, which resampling up may multiply.
    const qint64 mostSamples = std::max<qint64>(info.samplesPerSecond, mp3SampleRate);
    std::vector<unsigned char> mp3(size_t(mostSamples * 5 / 4 + lameSlack));
    const int mp3Capacity = int(mp3.size());

    const qint64 total = info.dataSize;
    qint64 consumed = 0;
    while (consumed < total) {
        if (progress.isCancelRequested())
            return failure(Mp3EncodeError::Cancelled, out.fileName());
        progress.publish(int(consumed * 100 / total));
        const qint64 wanted = std::min(readSize, total - consumed);
        if (source.read(reinterpret_cast<char*>(pcm.data()), wanted) != wanted)
            return failure(Mp3EncodeError::SourceUnreadable, source.fileName());
        consumed += wanted;
        if (options.sourceData)
            options.sourceData(reinterpret_cast<const char*>(pcm.data()), wanted);
        const int frames = int(wanted / blockAlign);
        if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN)
            qFromLittleEndian<qint16>(pcm.data(), frames * info.channels, pcm.data());
        const int made = session.encode(pcm.data(), frames, info.channels, mp3.data(), mp3Capacity);
        if (made < 0)
            return failure(Mp3EncodeError::EncoderFailed, source.fileName());
        if (out.write(reinterpret_cast<const char*>(mp3.data()), made) != made)
            return failure(Mp3EncodeError::WriteFailed, out.fileName());
    }
    const int tail = session.flush(mp3.data(), mp3Capacity);
    if (tail < 0)
        return failure(Mp3EncodeError::EncoderFailed, source.fileName());
    if (out.write(reinterpret_cast<const char*>(mp3.data()), tail) != tail)
        return failure(Mp3EncodeError::WriteFailed, out.fileName());
    return {};
}

Mp3EncodeResult encodeFile(const LameApi& lame, const QString& wavePath, const QString& mp3Path,
                           ProgressPublisher& progress, const Mp3EncodeOptions& options)
{
    const std::optional<WaveFileInfo> info = probeWaveFile(wavePath);
    if (!info)
        return failure(Mp3EncodeError::SourceUnreadable, wavePath);
    if (!isEncodable(*info))
        return failure(Mp3EncodeError::SourceFormat, wavePath);
    QFile source(wavePath);
    if (!source.open(QIODevice::ReadOnly) || !source.seek(info->dataOffset))
        return failure(Mp3EncodeError::SourceUnreadable, wavePath);

    // Written beside the MP3 and renamed over it once complete; dropped on any failure.
    QSaveFile out(mp3Path);
    if (!out.open(QIODevice::WriteOnly))
        return failure(Mp3EncodeError::WriteFailed, mp3Path);
    const Mp3EncodeResult result = convert(lame, *info, source, out, progress, options);
    if (!result.ok())
        return result;
    if (!out.commit())
        return failure(Mp3EncodeError::WriteFailed, mp3Path);
    return {};
}

} // namespace

QString mp3EncoderSettings()
{
    return QStringLiteral("mp3 %1 Hz mono cbr %2 q%3").arg(mp3SampleRate).arg(mp3KilobitsPerSecond).arg(lameQuality);
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
            return encodeFile(*codec.api(), wavePath, mp3Path, progress, options);
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
