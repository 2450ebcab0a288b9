#include "export/mediawriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <mutex>
#include <vector>

namespace {

QString ffmpegText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

//! FFmpeg's own log lines (the H.264 encoder's statistics, its error chatter) stay off the
//! terminal: every failure reaches the author as one message of ours.
void quietenLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (av_log_get_level() > AV_LOG_FATAL)
            av_log_set_level(AV_LOG_FATAL);
    });
}

//! The first of the sample formats this writer can fill that the encoder takes.
AVSampleFormat pickSampleFormat(const AVCodec& codec)
{
    static constexpr AVSampleFormat preferred[] = {AV_SAMPLE_FMT_FLTP, AV_SAMPLE_FMT_FLT,  AV_SAMPLE_FMT_S16P,
                                                   AV_SAMPLE_FMT_S16,  AV_SAMPLE_FMT_S32P, AV_SAMPLE_FMT_S32};
    if (!codec.sample_fmts)
        return AV_SAMPLE_FMT_FLTP;
    for (const AVSampleFormat wanted : preferred) {
        for (const AVSampleFormat* offered = codec.sample_fmts; *offered != AV_SAMPLE_FMT_NONE; ++offered) {
            if (*offered == wanted)
                return wanted;
        }
    }
    return AV_SAMPLE_FMT_NONE;
}

//! Mono samples into a frame's one plane: planar and packed layouts are the same for one channel.
void fillPlane(AVFrame& frame, const float* samples, int count)
{
    const auto format = AVSampleFormat(frame.format);
    switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_FLT:
        std::copy(samples, samples + count, reinterpret_cast<float*>(frame.data[0]));
        break;
    case AV_SAMPLE_FMT_S16: {
        auto* out = reinterpret_cast<int16_t*>(frame.data[0]);
        for (int i = 0; i < count; ++i)
            out[i] = int16_t(std::lround(std::clamp(samples[i], -1.0f, 1.0f) * 32767.0f));
        break;
    }
    case AV_SAMPLE_FMT_S32: {
        auto* out = reinterpret_cast<int32_t*>(frame.data[0]);
        for (int i = 0; i < count; ++i)
            out[i] = int32_t(std::llround(double(std::clamp(samples[i], -1.0f, 1.0f)) * 2147483647.0));
        break;
    }
    default:
        break;
    }
}

} // namespace

struct MediaWriter::Codecs
{
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    AVFrame* picture = nullptr;
    AVFrame* sound = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* scaler = nullptr;
    int audioFrameSize = 1024;
    std::vector<float> pending; //!< samples not yet a whole sound frame

    ~Codecs()
    {
        sws_freeContext(scaler);
        av_packet_free(&packet);
        av_frame_free(&picture);
        av_frame_free(&sound);
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
        if (format) {
            if (format->pb)
                avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }
};

MediaWriter::MediaWriter() = default;

MediaWriter::~MediaWriter() = default;

bool MediaWriter::fail(MediaWriteError error, const QString& text, int code)
{
    if (m_error == MediaWriteError::None) {
        m_error = error;
        m_errorText = code != 0 ? QStringLiteral("%1 (%2)").arg(text, ffmpegText(code)) : text;
    }
    return false;
}

bool MediaWriter::failWrite(const QString& what, int code)
{
    switch (code) {
    case AVERROR(ENOSPC):
    case AVERROR(EDQUOT):
        return fail(MediaWriteError::DiskFull, QStringLiteral("The disk is full: %1 could not be written.").arg(what));
    case AVERROR(EACCES):
    case AVERROR(EPERM):
    case AVERROR(EROFS):
    case AVERROR(ENOENT):
    case AVERROR(ENOTDIR):
    case AVERROR(EISDIR):
        return fail(MediaWriteError::Unwritable, QStringLiteral("%1 cannot be written").arg(what), code);
    default:
        return fail(MediaWriteError::WriteFailed, QStringLiteral("Writing %1 failed").arg(what), code);
    }
}

bool MediaWriter::checkOutput(const QString& what)
{
    AVIOContext* pb = m_codecs->format->pb;
    if (pb && pb->error < 0)
        return failWrite(what, pb->error);
    return true;
}

bool MediaWriter::open(const QString& path, const Settings& settings)
{
    quietenLibraries();
    m_codecs = std::make_unique<Codecs>();
    m_settings = settings;
    // Messages name the file the author asked for, not the temporary one written meanwhile.
    m_path = QDir::toNativeSeparators(settings.shownPath.isEmpty() ? path : settings.shownPath);
    Codecs& c = *m_codecs;
    const bool withVideo = settings.format == ExportFormat::Mp4;
    const char* muxer = settings.format == ExportFormat::Mp4   ? "mp4"
                        : settings.format == ExportFormat::M4a ? "ipod"
                                                               : "mp3";
    // Through the file protocol whatever the name holds (a colon would name another protocol).
    const QByteArray file = "file:" + QFile::encodeName(path);
    int code = avformat_alloc_output_context2(&c.format, nullptr, muxer, file.constData());
    if (code < 0 || !c.format)
        return fail(MediaWriteError::EncoderMissing, QStringLiteral("FFmpeg cannot write %1 files").arg(muxer), code);
    c.packet = av_packet_alloc();
    if (!c.packet)
        return fail(MediaWriteError::EncoderFailed, QStringLiteral("Out of memory"));
    const bool globalHeader = (c.format->oformat->flags & AVFMT_GLOBALHEADER) != 0;

    if (withVideo) {
        const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
        if (!codec)
            return fail(MediaWriteError::EncoderMissing,
                        QStringLiteral("This FFmpeg has no H.264 encoder (libx264): videos cannot be made"));
        c.videoStream = avformat_new_stream(c.format, nullptr);
        c.video = avcodec_alloc_context3(codec);
        if (!c.videoStream || !c.video)
            return fail(MediaWriteError::EncoderFailed, QStringLiteral("Out of memory"));
        AVCodecContext& v = *c.video;
        v.width = settings.frameSize.width();
        v.height = settings.frameSize.height();
        v.pix_fmt = AV_PIX_FMT_YUV420P;
        v.time_base = AVRational{1, FramesPerSecond};
        v.framerate = AVRational{FramesPerSecond, 1};
        v.sample_aspect_ratio = AVRational{1, 1};
        v.gop_size = FramesPerSecond * KeyFrameSeconds;
        // Players read HD as BT.709 and smaller pictures as BT.601; the tags say so too.
        const bool hd = v.height >= 720;
        v.colorspace = hd ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
        v.color_primaries = hd ? AVCOL_PRI_BT709 : AVCOL_PRI_SMPTE170M;
        v.color_trc = hd ? AVCOL_TRC_BT709 : AVCOL_TRC_SMPTE170M;
        v.color_range = AVCOL_RANGE_MPEG;
        if (globalHeader)
            v.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        AVDictionary* options = nullptr;
        av_dict_set(&options, "preset", "veryfast", 0);
        av_dict_set(&options, "tune", "stillimage", 0);
        av_dict_set(&options, "crf", "20", 0);
        code = avcodec_open2(c.video, codec, &options);
        av_dict_free(&options);
        if (code < 0)
            return fail(MediaWriteError::EncoderFailed, QStringLiteral("The H.264 encoder did not start"), code);
        code = avcodec_parameters_from_context(c.videoStream->codecpar, c.video);
        if (code < 0)
            return fail(MediaWriteError::EncoderFailed, QStringLiteral("The H.264 encoder did not start"), code);
        c.videoStream->time_base = v.time_base;
        c.videoStream->avg_frame_rate = v.framerate;
        c.videoStream->sample_aspect_ratio = v.sample_aspect_ratio;

        c.picture = av_frame_alloc();
        if (!c.picture)
            return fail(MediaWriteError::EncoderFailed, QStringLiteral("Out of memory"));
        c.picture->format = v.pix_fmt;
        c.picture->width = v.width;
        c.picture->height = v.height;
        c.picture->colorspace = v.colorspace;
        c.picture->color_primaries = v.color_primaries;
        c.picture->color_trc = v.color_trc;
        c.picture->color_range = v.color_range;
        code = av_frame_get_buffer(c.picture, 0);
        if (code < 0)
            return fail(MediaWriteError::EncoderFailed, QStringLiteral("Out of memory"), code);
        c.scaler = sws_getContext(v.width, v.height, AV_PIX_FMT_RGB32, v.width, v.height, AV_PIX_FMT_YUV420P,
                                  SWS_BICUBIC, nullptr, nullptr, nullptr);
        if (!c.scaler)
            return fail(MediaWriteError::EncoderFailed, QStringLiteral("The picture converter did not start"));
        // Full-range RGB in, studio-range YUV out, with the matrix the tags name.
        sws_setColorspaceDetails(c.scaler, sws_getCoefficients(SWS_CS_DEFAULT), 1,
                                 sws_getCoefficients(hd ? SWS_CS_ITU709 : SWS_CS_ITU601), 0, 0, 1 << 16, 1 << 16);
    }

    {
        const bool mp3 = settings.format == ExportFormat::Mp3;
        const AVCodec* codec = avcodec_find_encoder_by_name(mp3 ? "libmp3lame" : "aac");
        if (!codec)
            return fail(MediaWriteError::EncoderMissing,
                        mp3 ? QStringLiteral("This FFmpeg has no MP3 encoder (libmp3lame)")
                            : QStringLiteral("This FFmpeg has no AAC encoder"));
        c.audioStream = avformat_new_stream(c.format, nullptr);
        c.audio = avcodec_alloc_context3(codec);
        if (!c.audioStream || !c.audio)
            return fail(MediaWriteError::EncoderFailed, QStringLiteral("Out of memory"));
        AVCodecContext& a = *c.audio;
        a.sample_fmt = pickSampleFormat(*codec);
        if (a.sample_fmt == AV_SAMPLE_FMT_NONE)
            return fail(MediaWriteError::EncoderMissing,
                        QStringLiteral("The sound encoder takes no usable sample format"));
        a.sample_rate = SampleRate;
        av_channel_layout_default(&a.ch_layout, 1);
        a.bit_rate = AudioBitRate;
        a.time_base = AVRational{1, SampleRate};
        if (globalHeader)
            a.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        code = avcodec_open2(c.audio, codec, nullptr);
        if (code < 0)
            return fail(MediaWriteError::EncoderFailed, QStringLiteral("The sound encoder did not start"), code);
        code = avcodec_parameters_from_context(c.audioStream->codecpar, c.audio);
        if (code < 0)
            return fail(MediaWriteError::EncoderFailed, QStringLiteral("The sound encoder did not start"), code);
        c.audioStream->time_base = a.time_base;
        c.audioFrameSize = a.frame_size > 0 ? a.frame_size : 1024;
        c.sound = av_frame_alloc();
        if (!c.sound)
            return fail(MediaWriteError::EncoderFailed, QStringLiteral("Out of memory"));
        c.sound->format = a.sample_fmt;
        c.sound->sample_rate = a.sample_rate;
        c.sound->nb_samples = c.audioFrameSize;
        av_channel_layout_copy(&c.sound->ch_layout, &a.ch_layout);
        code = av_frame_get_buffer(c.sound, 0);
        if (code < 0)
            return fail(MediaWriteError::EncoderFailed, QStringLiteral("Out of memory"), code);
    }

    if (!settings.title.isEmpty())
        av_dict_set(&c.format->metadata, "title", settings.title.toUtf8().constData(), 0);
    code = avio_open(&c.format->pb, file.constData(), AVIO_FLAG_WRITE);
    if (code < 0)
        return failWrite(m_path, code);
    AVDictionary* options = nullptr;
    // The index goes before the media, so that a player starts before the whole file is there.
    if (settings.format != ExportFormat::Mp3)
        av_dict_set(&options, "movflags", "+faststart", 0);
    code = avformat_write_header(c.format, &options);
    av_dict_free(&options);
    if (code < 0)
        return failWrite(m_path, code);
    m_headerWritten = true;
    return checkOutput(m_path);
}

bool MediaWriter::setPicture(const QImage& picture)
{
    if (m_error != MediaWriteError::None || !m_codecs || !m_codecs->video)
        return false;
    Codecs& c = *m_codecs;
    const QImage image = picture.size() == m_settings.frameSize
                             ? picture.convertToFormat(QImage::Format_RGB32)
                             : picture.scaled(m_settings.frameSize).convertToFormat(QImage::Format_RGB32);
    // The encoder may still hold the frame shown before.
    int code = av_frame_make_writable(c.picture);
    if (code < 0)
        return fail(MediaWriteError::EncoderFailed, QStringLiteral("Out of memory"), code);
    const uint8_t* planes[1] = {image.constBits()};
    const int strides[1] = {int(image.bytesPerLine())};
    sws_scale(c.scaler, planes, strides, 0, image.height(), c.picture->data, c.picture->linesize);
    return true;
}

bool MediaWriter::writeFrames(std::int64_t count, bool keyFrameFirst)
{
    if (m_error != MediaWriteError::None || !m_codecs || !m_codecs->video)
        return false;
    Codecs& c = *m_codecs;
    for (std::int64_t i = 0; i < count; ++i) {
        c.picture->pts = m_framesWritten;
        c.picture->pict_type = i == 0 && keyFrameFirst ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
        const int code = avcodec_send_frame(c.video, c.picture);
        if (code < 0)
            return fail(MediaWriteError::EncoderFailed, QStringLiteral("The H.264 encoder failed"), code);
        ++m_framesWritten;
        if (!drain(true))
            return false;
    }
    return true;
}

bool MediaWriter::writeSound(const float* samples, std::int64_t count)
{
    if (m_error != MediaWriteError::None || !m_codecs || !m_codecs->audio)
        return false;
    Codecs& c = *m_codecs;
    c.pending.insert(c.pending.end(), samples, samples + count);
    m_samplesWritten += count;
    size_t used = 0;
    while (c.pending.size() - used >= size_t(c.audioFrameSize)) {
        fillPlane(*c.sound, c.pending.data() + used, c.audioFrameSize);
        used += size_t(c.audioFrameSize);
        if (!sendAudioFrame(c.audioFrameSize))
            return false;
    }
    c.pending.erase(c.pending.begin(), c.pending.begin() + std::ptrdiff_t(used));
    return true;
}

bool MediaWriter::sendAudioFrame(int samples)
{
    Codecs& c = *m_codecs;
    c.sound->nb_samples = samples;
    c.sound->pts = m_samplesSent;
    const int code = avcodec_send_frame(c.audio, c.sound);
    if (code < 0)
        return fail(MediaWriteError::EncoderFailed, QStringLiteral("The sound encoder failed"), code);
    m_samplesSent += samples;
    if (!drain(false))
        return false;
    // The next frame is filled anew; the encoder may keep this one.
    const int writable = av_frame_make_writable(c.sound);
    if (writable < 0)
        return fail(MediaWriteError::EncoderFailed, QStringLiteral("Out of memory"), writable);
    return true;
}

bool MediaWriter::drain(bool video)
{
    Codecs& c = *m_codecs;
    AVCodecContext* codec = video ? c.video : c.audio;
    AVStream* stream = video ? c.videoStream : c.audioStream;
    for (;;) {
        int code = avcodec_receive_packet(codec, c.packet);
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
            return true;
        if (code < 0)
            return fail(MediaWriteError::EncoderFailed,
                        video ? QStringLiteral("The H.264 encoder failed") : QStringLiteral("The sound encoder failed"),
                        code);
        av_packet_rescale_ts(c.packet, codec->time_base, stream->time_base);
        c.packet->stream_index = stream->index;
        code = av_interleaved_write_frame(c.format, c.packet);
        if (code < 0)
            return failWrite(m_path, code);
        if (!checkOutput(m_path))
            return false;
    }
}

bool MediaWriter::finish()
{
    if (m_error != MediaWriteError::None || !m_codecs || !m_headerWritten || m_finished)
        return false;
    Codecs& c = *m_codecs;
    if (!c.pending.empty()) {
        // The last frame of sound may be shorter; an encoder that takes only whole frames gets silence after it.
        const bool shortLast = (c.audio->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) != 0;
        const int count = int(c.pending.size());
        if (!shortLast)
            c.pending.resize(size_t(c.audioFrameSize), 0.0f);
        fillPlane(*c.sound, c.pending.data(), int(c.pending.size()));
        if (!sendAudioFrame(shortLast ? count : c.audioFrameSize))
            return false;
        c.pending.clear();
    }
    for (const bool video : {true, false}) {
        AVCodecContext* codec = video ? c.video : c.audio;
        if (!codec)
            continue;
        const int code = avcodec_send_frame(codec, nullptr);
        if (code < 0 && code != AVERROR_EOF)
            return fail(MediaWriteError::EncoderFailed, QStringLiteral("Finishing the encoding failed"), code);
        if (!drain(video))
            return false;
    }
    int code = av_write_trailer(c.format);
    if (code < 0)
        return failWrite(m_path, code);
    if (!checkOutput(m_path))
        return false;
    code = avio_closep(&c.format->pb);
    if (code < 0)
        return failWrite(m_path, code);
    m_finished = true;
    return true;
}
