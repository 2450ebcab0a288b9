#include "audio/audiofiledecoder.h"

#include "audio/waveerrors.h"
#include "audio/wavefilesink.h"
#include "audio/waveinfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QTemporaryFile>
#include <QtEndian>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace {

//! FFmpeg's own log lines ("[flac @ 0x…] invalid residual") stay off the terminal: every failure
//! reaches the author as one message of ours that names the file.
void quietenLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (av_log_get_level() > AV_LOG_FATAL)
            av_log_set_level(AV_LOG_FATAL);
    });
}

constexpr int narrationRate = 22050;
constexpr int bytesPerSample = 2;
//! Sound past the limit that is cut without a word.
constexpr qint64 limitTolerance = narrationRate / 10;
//! A declared length this far past the limit refuses the file before anything is decoded.
constexpr qint64 earlyRefusalMargin = narrationRate;
//! Decoded sound past the declared end that is encoder padding, dropped (an M4A's last frame).
constexpr qint64 paddingAllowance = narrationRate / 2;
//! A sound shorter than declared by more than this (plus a sliver of the declared length) was
//! cut short: encoder delay and padding never come near it.
constexpr qint64 shortfallAllowance = narrationRate * 3 / 10;
//! The most channels the resampler mixes (its own limit).
constexpr int resamplerChannels = 64;

QString quoted(const QString& path)
{
    return QLatin1Char('"') + QFileInfo(path).fileName() + QLatin1Char('"');
}

QString notAudioText(const QString& path)
{
    return QStringLiteral("%1 is not an audio file Pictorelle Dazuzarid can read.").arg(quoted(path));
}

QString noSoundText(const QString& path)
{
    return QStringLiteral("%1 holds no sound Pictorelle Dazuzarid can read.").arg(quoted(path));
}

QString damagedText(const QString& path)
{
    return QStringLiteral("%1 is damaged or cut short.").arg(quoted(path));
}

struct FormatCloser
{
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct CodecFreer
{
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFreer
{
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFreer
{
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ResamplerFreer
{
    void operator()(SwrContext* context) const { swr_free(&context); }
};
using Format = std::unique_ptr<AVFormatContext, FormatCloser>;
using Codec = std::unique_ptr<AVCodecContext, CodecFreer>;
using Frame = std::unique_ptr<AVFrame, FrameFreer>;
using Packet = std::unique_ptr<AVPacket, PacketFreer>;
using Resampler = std::unique_ptr<SwrContext, ResamplerFreer>;

//! Demuxers of pictures and text: a file they open is no sound file at all.
bool isPictureOrTextFormat(const AVInputFormat* format)
{
    const char* name = format ? format->name : "";
    const size_t length = std::strlen(name);
    const bool pipe = length > 5 && std::strcmp(name + length - 5, "_pipe") == 0;
    return pipe || std::strcmp(name, "image2") == 0 || std::strcmp(name, "tty") == 0;
}

//! The file's first bytes are those of a sound file format (a container or a bare stream).
bool looksLikeSound(const QByteArray& name)
{
    AVIOContext* io = nullptr;
    if (avio_open(&io, name.constData(), AVIO_FLAG_READ) < 0)
        return false;
    const AVInputFormat* format = nullptr;
    const int score = av_probe_input_buffer2(io, &format, name.constData(), nullptr, 0, 0);
    avio_closep(&io);
    return score > AVPROBE_SCORE_RETRY && format && !isPictureOrTextFormat(format);
}

//! An Ogg file's last page is whole and marks the end of its stream. A file cut short ends in
//! the middle of a page or after one that is not the last: the Ogg demuxer's length comes from
//! the last page it finds, so nothing else would tell.
bool oggEndsInOrder(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // The longest page: a 27-byte header, 255 lacing values and 255 × 255 bytes.
    constexpr qint64 longestPage = 27 + 255 + 255 * 255;
    const qint64 size = file.size();
    const qint64 start = std::max<qint64>(0, size - longestPage);
    if (!file.seek(start))
        return false;
    const QByteArray tail = file.readAll();
    for (qsizetype at = tail.lastIndexOf("OggS"); at >= 0; at = at > 0 ? tail.lastIndexOf("OggS", at - 1) : -1) {
        if (tail.size() - at < 27)
            continue;
        const auto* page = reinterpret_cast<const uchar*>(tail.constData() + at);
        const int segments = page[26];
        if (tail.size() - at < 27 + segments)
            continue;
        qint64 length = 27 + segments;
        for (int i = 0; i < segments; ++i)
            length += page[27 + i];
        if (at + length == tail.size())
            return page[4] == 0 && (page[5] & 0x04) != 0;
    }
    return false;
}

//! The weights that mix every input channel into one: the usual downmix (centre as is,
//! left and right and the surrounds at −3 dB, no LFE), scaled so that they add up to at most
//! 1, so no sum of full-scale channels can clip. Equal weights for a layout without names.
std::vector<double> mixdownWeights(const AVChannelLayout& in)
{
    const int channels = std::max(1, in.nb_channels);
    // The matrix builder may write a row for every channel it knows, not just mono's one.
    std::vector<double> matrix(size_t(resamplerChannels) * resamplerChannels, 0.0);
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    const bool built = in.order != AV_CHANNEL_ORDER_UNSPEC && channels <= resamplerChannels &&
                       swr_build_matrix2(&in, &mono, M_SQRT1_2, M_SQRT1_2, 0.0, 1.0, 1.0, matrix.data(), channels,
                                         AV_MATRIX_ENCODING_NONE, nullptr) >= 0;
    std::vector<double> weights(matrix.begin(), matrix.begin() + channels);
    double sum = 0;
    for (double w : weights)
        sum += std::abs(w);
    if (!built || sum <= 0) {
        std::fill(weights.begin(), weights.end(), 1.0 / channels);
        return weights;
    }
    if (sum > 1.0)
        for (double& w : weights)
            w /= sum;
    return weights;
}

//! The sample stream coming out of the decoder, as far as the resampler must know it.
struct InputFormat
{
    AVSampleFormat format = AV_SAMPLE_FMT_NONE;
    int rate = 0;
    AVChannelLayout layout{};

    bool matches(const AVFrame& frame) const
    {
        return frame.format == format && frame.sample_rate == rate &&
               av_channel_layout_compare(&frame.ch_layout, &layout) == 0;
    }
};

//! A converter to 22050 Hz mono 16-bit: float inside, a 64-tap windowed-sinc filter with
//! 1024 interpolated phases, the mixdown weights above, rounding at the end (no dither, so
//! silence stays silent and a take in the recording format passes unchanged).
Resampler makeResampler(const InputFormat& input)
{
    AVChannelLayout in{};
    if (input.layout.order == AV_CHANNEL_ORDER_UNSPEC || !av_channel_layout_check(&input.layout))
        av_channel_layout_default(&in, input.layout.nb_channels);
    else
        av_channel_layout_copy(&in, &input.layout);
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    SwrContext* raw = nullptr;
    const int allocated =
        swr_alloc_set_opts2(&raw, &mono, AV_SAMPLE_FMT_S16, narrationRate, &in, input.format, input.rate, 0, nullptr);
    Resampler swr(raw);
    if (allocated < 0 || !swr) {
        av_channel_layout_uninit(&in);
        return nullptr;
    }
    av_opt_set_sample_fmt(swr.get(), "internal_sample_fmt", AV_SAMPLE_FMT_FLTP, 0);
    av_opt_set_int(swr.get(), "filter_size", 64, 0);
    av_opt_set_int(swr.get(), "phase_shift", 10, 0);
    av_opt_set_int(swr.get(), "linear_interp", 1, 0);
    av_opt_set_int(swr.get(), "exact_rational", 1, 0);
    av_opt_set_double(swr.get(), "cutoff", 0.97, 0);
    av_opt_set_int(swr.get(), "dither_method", SWR_DITHER_NONE, 0);
    const std::vector<double> weights = mixdownWeights(in);
    const bool ok = swr_set_matrix(swr.get(), weights.data(), in.nb_channels) >= 0 && swr_init(swr.get()) >= 0;
    av_channel_layout_uninit(&in);
    return ok ? std::move(swr) : nullptr;
}

//! Where the converted samples go: drops what lies past a declared end when it is no more
//! than padding, counts everything kept and writes to the sink up to the limit.
class TakeWriter
{
public:
    TakeWriter(WaveFileSink& sink, qint64 limit, qint64 declaredEnd)
        : m_sink(sink), m_limit(limit), m_declaredEnd(declaredEnd)
    {}

    //! Takes converted samples; false when the sink took fewer bytes than it was given.
    bool add(qint16* samples, qint64 count)
    {
        if (count <= 0)
            return true;
        if constexpr (QSysInfo::ByteOrder == QSysInfo::BigEndian)
            for (qint64 i = 0; i < count; ++i)
                samples[i] = qToLittleEndian(samples[i]);
        qint64 inTime = count;
        if (m_declaredEnd >= 0)
            inTime = std::clamp<qint64>(m_declaredEnd - m_produced, 0, count);
        m_produced += count;
        if (!keep(samples, inTime))
            return false;
        if (inTime == count)
            return true;
        m_held.insert(m_held.end(), samples + inTime, samples + count);
        if (qint64(m_held.size()) <= paddingAllowance)
            return true;
        // Far more than padding: the declared length was wrong, the sound is all real.
        m_declaredEnd = -1;
        std::vector<qint16> held;
        held.swap(m_held);
        return keep(held.data(), qint64(held.size()));
    }

    //! Samples kept so far, past the limit included (padding left out).
    qint64 kept() const { return m_kept; }
    qint64 produced() const { return m_produced; }

private:
    bool keep(const qint16* samples, qint64 count)
    {
        qint64 writable = count;
        if (m_limit > 0)
            writable = std::clamp<qint64>(m_limit - m_kept, 0, count);
        m_kept += count;
        if (writable <= 0)
            return true;
        const quint32 before = m_sink.byteCount();
        const quint32 bytes = quint32(writable * bytesPerSample);
        m_sink.write(reinterpret_cast<const char*>(samples), bytes);
        return m_sink.byteCount() - before == bytes;
    }

    WaveFileSink& m_sink;
    qint64 m_limit;
    qint64 m_declaredEnd;
    qint64 m_produced = 0;
    qint64 m_kept = 0;
    std::vector<qint16> m_held;
};

//! One decode of one file into one folder.
class DecodeRun
{
public:
    DecodeRun(const QString& path, const AudioDecodeOptions& options) : m_path(path), m_options(options) {}
    ~DecodeRun() { av_channel_layout_uninit(&m_input.layout); }
    DecodeRun(const DecodeRun&) = delete;
    DecodeRun& operator=(const DecodeRun&) = delete;

    AudioDecodeResult run(const QString& folder)
    {
        m_folder = folder;
        if (!open())
            return m_result;
        QString tempPath;
        {
            QTemporaryFile temp(QDir(folder).filePath(QStringLiteral("import-XXXXXX.part.wav")));
            temp.setAutoRemove(false);
            if (!temp.open())
                return fail(AudioDecodeStatus::WriteFailed, writeFailedText(folder));
            tempPath = temp.fileName();
        }
        // A take reads like a recorded one: not private to its owner as a temporary file is.
        QFile::setPermissions(tempPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                                            QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        const bool decoded = decodeInto(tempPath, folder);
        if (!decoded) {
            QFile::remove(tempPath);
            return m_result;
        }
        const QString finalPath = finalName(tempPath);
        if (!QFile::rename(tempPath, finalPath)) {
            QFile::remove(tempPath);
            return fail(AudioDecodeStatus::WriteFailed, writeFailedText(folder));
        }
        m_result.status = AudioDecodeStatus::Decoded;
        m_result.wavePath = finalPath;
        return m_result;
    }

private:
    AudioDecodeResult& fail(AudioDecodeStatus status, const QString& text)
    {
        m_result.status = status;
        m_result.error = text;
        m_result.wavePath.clear();
        m_result.dataBytes = 0;
        return m_result;
    }

    static QString writeFailedText(const QString& folder)
    {
        return QStringLiteral("The narration could not be written to %1. Is the disk full?")
            .arg(QDir::toNativeSeparators(folder));
    }

    static QString finalName(const QString& tempPath)
    {
        const QString stem = tempPath.left(tempPath.size() - int(qstrlen(".part.wav")));
        QString name = stem + QStringLiteral(".wav");
        for (int n = 2; QFileInfo::exists(name); ++n)
            name = stem + QLatin1Char('-') + QString::number(n) + QStringLiteral(".wav");
        return name;
    }

    bool cancelled() const { return m_options.cancel && m_options.cancel->load(); }

    //! Opens the container and the decoder of its sound stream; false with m_result filled.
    bool open()
    {
        const QFileInfo info(m_path);
        if (!info.isFile() || !info.isReadable()) {
            fail(AudioDecodeStatus::NotAudio,
                 QStringLiteral("%1 cannot be opened: it is missing or unreadable.").arg(quoted(m_path)));
            return false;
        }
        const QByteArray name = QFile::encodeName(m_path);
        AVFormatContext* raw = nullptr;
        if (info.size() == 0 || avformat_open_input(&raw, name.constData(), nullptr, nullptr) < 0) {
            // A file that starts as a sound file of a known kind but cannot be opened lost its
            // end (an M4A's index is often written last).
            const bool cutShort = info.size() > 0 && looksLikeSound(name);
            fail(cutShort ? AudioDecodeStatus::Damaged : AudioDecodeStatus::NotAudio,
                 cutShort ? damagedText(m_path) : notAudioText(m_path));
            return false;
        }
        m_format.reset(raw);
        // A guess of the lowest score (any bytes look a little like MPEG audio) is no format.
        if (m_format->probe_score <= AVPROBE_SCORE_RETRY || isPictureOrTextFormat(m_format->iformat)) {
            fail(AudioDecodeStatus::NotAudio, notAudioText(m_path));
            return false;
        }
        if (avformat_find_stream_info(m_format.get(), nullptr) < 0) {
            fail(AudioDecodeStatus::Damaged, damagedText(m_path));
            return false;
        }
        const AVCodec* decoder = nullptr;
        m_stream = av_find_best_stream(m_format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
        if (m_stream < 0 || !decoder) {
            fail(AudioDecodeStatus::NoSound, noSoundText(m_path));
            return false;
        }
        // Pictures, cover art and other streams are skipped unread.
        for (unsigned i = 0; i < m_format->nb_streams; ++i)
            if (int(i) != m_stream)
                m_format->streams[i]->discard = AVDISCARD_ALL;
        const AVStream* stream = m_format->streams[m_stream];
        m_codec.reset(avcodec_alloc_context3(decoder));
        if (!m_codec || avcodec_parameters_to_context(m_codec.get(), stream->codecpar) < 0) {
            fail(AudioDecodeStatus::NoSound, noSoundText(m_path));
            return false;
        }
        m_codec->pkt_timebase = stream->time_base;
        if (avcodec_open2(m_codec.get(), decoder, nullptr) < 0 || m_codec->ch_layout.nb_channels <= 0 ||
            m_codec->sample_rate <= 0) {
            fail(AudioDecodeStatus::NoSound, noSoundText(m_path));
            return false;
        }
        readDeclaredLength(*stream);
        if (std::strcmp(m_format->iformat->name, "ogg") == 0 && !oggEndsInOrder(m_path)) {
            fail(AudioDecodeStatus::Damaged, damagedText(m_path));
            return false;
        }
        return true;
    }

    //! The length the container states, in samples of the recording format; not one guessed
    //! from the bit rate (a raw AAC or an MP3 without an info frame), which is no promise.
    void readDeclaredLength(const AVStream& stream)
    {
        if (m_format->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE)
            return;
        if (stream.duration != AV_NOPTS_VALUE && stream.duration > 0)
            m_declared = av_rescale_q(stream.duration, stream.time_base, AVRational{1, narrationRate});
        else if (m_format->nb_streams == 1 && m_format->duration != AV_NOPTS_VALUE && m_format->duration > 0)
            // The file's length is the sound's only when nothing else (a longer video) is in it.
            m_declared = av_rescale(m_format->duration, narrationRate, AV_TIME_BASE);
        if (m_declared > 0)
            m_result.sourceMs = m_declared * 1000 / narrationRate;
        else
            m_declared = -1;
    }

    qint64 limitSamples() const { return qint64(std::max(0, m_options.limitSeconds)) * narrationRate; }

    AudioDecodeResult& tooLong(qint64 atLeastMs)
    {
        const qint64 ms = std::max(m_result.sourceMs, atLeastMs);
        const QString limit = AudioFileDecoder::limitText(m_options.limitSeconds);
        // The declared length, to the nearest second, unless that reads as no more than the limit.
        const bool known = m_result.sourceMs > 0 && (ms + 500) / 1000 > m_options.limitSeconds;
        fail(AudioDecodeStatus::TooLong, known ? QStringLiteral("%1 is %2 long, longer than %3.")
                                                     .arg(quoted(m_path), AudioFileDecoder::lengthText(ms), limit)
                                               : QStringLiteral("%1 is longer than %2.").arg(quoted(m_path), limit));
        m_result.sourceMs = ms;
        return m_result;
    }

    bool decodeInto(const QString& tempPath, const QString& folder)
    {
        const qint64 limit = limitSamples();
        if (limit > 0 && !m_options.keepBeginning && m_declared > limit + earlyRefusalMargin) {
            tooLong(0);
            return false;
        }
        try {
            WaveFileSink sink(tempPath, narrationRate, 16, 1);
            TakeWriter writer(sink, limit, m_declared);
            m_writer = &writer;
            const bool ok = decodeAll();
            m_writer = nullptr;
            sink.close();
            if (!ok)
                return false;
            if (writer.kept() == 0) {
                fail(AudioDecodeStatus::NoSound, noSoundText(m_path));
                return false;
            }
            m_result.dataBytes = quint32(std::min(writer.kept(), limit > 0 ? limit : writer.kept()) * bytesPerSample);
            if (!m_result.trimmed && m_declared > 0 &&
                m_declared - writer.produced() > shortfallAllowance + m_declared / 500) {
                fail(AudioDecodeStatus::Damaged, damagedText(m_path));
                return false;
            }
            if (!m_result.trimmed)
                m_result.sourceMs = writer.kept() * 1000 / narrationRate;
            const auto written = probeWaveFile(tempPath);
            if (!written || written->dataSize != m_result.dataBytes) {
                fail(AudioDecodeStatus::WriteFailed, writeFailedText(folder));
                return false;
            }
        } catch (const WaveErrors::FileOperation&) {
            m_writer = nullptr;
            fail(AudioDecodeStatus::WriteFailed, writeFailedText(folder));
            return false;
        }
        if (m_options.progress)
            m_options.progress(100);
        return true;
    }

    //! Reads, decodes and converts every packet; false with m_result filled.
    bool decodeAll()
    {
        Packet packet(av_packet_alloc());
        Frame frame(av_frame_alloc());
        if (!packet || !frame) {
            fail(AudioDecodeStatus::Damaged, damagedText(m_path));
            return false;
        }
        bool draining = false;
        bool finished = false;
        while (!finished && !m_atLimit) {
            if (cancelled()) {
                fail(AudioDecodeStatus::Cancelled, QString());
                return false;
            }
            if (!draining) {
                const int read = av_read_frame(m_format.get(), packet.get());
                if (read == AVERROR_EOF) {
                    draining = true;
                } else if (read < 0) {
                    fail(AudioDecodeStatus::Damaged, damagedText(m_path));
                    return false;
                } else if (packet->stream_index != m_stream) {
                    av_packet_unref(packet.get());
                    continue;
                } else if (packet->flags & AV_PKT_FLAG_CORRUPT) {
                    // A packet the file ended in the middle of (a WAV cut short).
                    fail(AudioDecodeStatus::Damaged, damagedText(m_path));
                    return false;
                }
            }
            const int sent = avcodec_send_packet(m_codec.get(), draining ? nullptr : packet.get());
            av_packet_unref(packet.get());
            if (sent < 0 && sent != AVERROR_EOF) {
                fail(AudioDecodeStatus::Damaged, damagedText(m_path));
                return false;
            }
            while (!m_atLimit) {
                const int received = avcodec_receive_frame(m_codec.get(), frame.get());
                if (received == AVERROR(EAGAIN))
                    break;
                if (received == AVERROR_EOF) {
                    finished = true;
                    break;
                }
                if (received < 0) {
                    fail(AudioDecodeStatus::Damaged, damagedText(m_path));
                    return false;
                }
                const bool converted = convert(frame.get());
                av_frame_unref(frame.get());
                if (!converted)
                    return false;
            }
        }
        return flushResampler();
    }

    //! Converts one decoded frame; false with m_result filled.
    bool convert(const AVFrame* frame)
    {
        if (!m_resampler || !m_input.matches(*frame)) {
            // The first frame, or the stream changed its format (a chained Ogg).
            if (m_resampler && !flushResampler())
                return false;
            m_input.format = AVSampleFormat(frame->format);
            m_input.rate = frame->sample_rate;
            av_channel_layout_uninit(&m_input.layout);
            av_channel_layout_copy(&m_input.layout, &frame->ch_layout);
            m_resampler = makeResampler(m_input);
            if (!m_resampler) {
                fail(AudioDecodeStatus::NoSound, noSoundText(m_path));
                return false;
            }
        }
        const int room = swr_get_out_samples(m_resampler.get(), frame->nb_samples);
        if (room < 0) {
            fail(AudioDecodeStatus::Damaged, damagedText(m_path));
            return false;
        }
        m_buffer.resize(size_t(room) + 16);
        auto* out = reinterpret_cast<uint8_t*>(m_buffer.data());
        const int made = swr_convert(m_resampler.get(), &out, int(m_buffer.size()),
                                     const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
        if (made < 0) {
            fail(AudioDecodeStatus::Damaged, damagedText(m_path));
            return false;
        }
        if (!take(made))
            return false;
        reportProgress();
        return true;
    }

    //! Drains what the resampler still holds; false with m_result filled.
    bool flushResampler()
    {
        while (m_resampler && !m_atLimit) {
            m_buffer.resize(4096);
            auto* out = reinterpret_cast<uint8_t*>(m_buffer.data());
            const int made = swr_convert(m_resampler.get(), &out, int(m_buffer.size()), nullptr, 0);
            if (made < 0) {
                fail(AudioDecodeStatus::Damaged, damagedText(m_path));
                return false;
            }
            if (made == 0)
                break;
            if (!take(made))
                return false;
        }
        return true;
    }

    //! Hands converted samples to the writer and applies the limit; false with m_result filled.
    bool take(int count)
    {
        if (!m_writer->add(m_buffer.data(), count)) {
            fail(AudioDecodeStatus::WriteFailed, writeFailedText(m_folder));
            return false;
        }
        const qint64 limit = limitSamples();
        if (limit > 0 && m_writer->kept() > limit + limitTolerance) {
            m_atLimit = true;
            if (!m_options.keepBeginning) {
                tooLong(m_writer->kept() * 1000 / narrationRate);
                return false;
            }
            m_result.trimmed = true;
        }
        return true;
    }

    void reportProgress()
    {
        if (!m_options.progress)
            return;
        qint64 expected = m_declared;
        if (const qint64 limit = limitSamples(); limit > 0)
            expected = expected > 0 ? std::min(expected, limit) : limit;
        int percent = 0;
        if (expected > 0 && (m_declared > 0 || m_options.keepBeginning)) {
            percent = int(std::min<qint64>(99, m_writer->kept() * 100 / expected));
        } else if (m_format->pb) {
            const int64_t size = avio_size(m_format->pb);
            if (size > 0)
                percent = int(std::clamp<int64_t>(avio_tell(m_format->pb) * 100 / size, 0, 99));
        }
        if (percent != m_percent) {
            m_percent = percent;
            m_options.progress(percent);
        }
    }

    QString m_path;
    const AudioDecodeOptions& m_options;
    AudioDecodeResult m_result;
    Format m_format;
    Codec m_codec;
    int m_stream = -1;
    //! Samples of the recording format the container declares; -1: none declared.
    qint64 m_declared = -1;
    InputFormat m_input;
    Resampler m_resampler;
    std::vector<qint16> m_buffer;
    TakeWriter* m_writer = nullptr;
    QString m_folder;
    //! The limit was passed: nothing more is decoded.
    bool m_atLimit = false;
    int m_percent = -1;
};

} // namespace

qint64 AudioDecodeResult::lengthMs() const
{
    return qint64(dataBytes / bytesPerSample) * 1000 / narrationRate;
}

int AudioDecodeResult::seconds() const
{
    return narrationSeconds(dataBytes);
}

AudioFileDecoder::AudioFileDecoder(QString path) : m_path(std::move(path))
{}

AudioDecodeResult AudioFileDecoder::decodeToFolder(const QString& folder, const AudioDecodeOptions& options) const
{
    quietenLibraries();
    DecodeRun run(m_path, options);
    return run.run(folder);
}

QString AudioFileDecoder::fileFilter()
{
    return QStringLiteral("Audio files (*.wav *.flac *.mp3 *.ogg *.oga *.opus *.m4a *.aac)");
}

QString AudioFileDecoder::limitText(int seconds)
{
    if (seconds >= 120 && seconds % 60 == 0)
        return QStringLiteral("%1 min").arg(seconds / 60);
    return QStringLiteral("%1 s").arg(seconds);
}

QString AudioFileDecoder::lengthText(qint64 ms)
{
    const qint64 total = (std::max<qint64>(0, ms) + 500) / 1000;
    const qint64 hours = total / 3600;
    const qint64 minutes = total / 60 % 60;
    const qint64 seconds = total % 60;
    const QString ss = QStringLiteral("%1").arg(seconds, 2, 10, QLatin1Char('0'));
    if (hours > 0)
        return QStringLiteral("%1:%2:%3").arg(hours).arg(minutes, 2, 10, QLatin1Char('0')).arg(ss);
    return QStringLiteral("%1:%2").arg(minutes).arg(ss);
}
