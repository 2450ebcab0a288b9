#include "export/storyexport.h"

#include "audio/loudness.h"
#include "export/exportprogress.h"
#include "export/mediawriter.h"
#include "export/narrationsamples.h"
#include "export/slideframe.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int Rate = MediaWriter::SampleRate;
constexpr int Fps = MediaWriter::FramesPerSecond;
//! Input samples per channel resampled at a time: about a fifth of a second at 22050 Hz.
constexpr int ChunkFrames = 4096;

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

ExportResult failure(ExportError error, const QString& message)
{
    ExportResult result;
    result.error = error;
    result.message = message;
    return result;
}

//! The frame on which the sound position falls, to the nearest frame.
std::int64_t frameAt(std::int64_t samples)
{
    return (samples * Fps * 2 + Rate) / (2 * std::int64_t(Rate));
}

//! Sound of any rate and channel count to mono float at the export's rate, one narration at a time.
class MonoResampler
{
public:
    MonoResampler() = default;
    ~MonoResampler() { swr_free(&m_swr); }
    MonoResampler(const MonoResampler&) = delete;
    MonoResampler& operator=(const MonoResampler&) = delete;

    bool start(int sampleRate, int channels)
    {
        AVChannelLayout in;
        av_channel_layout_default(&in, channels);
        AVChannelLayout out;
        av_channel_layout_default(&out, 1);
        const int code =
            swr_alloc_set_opts2(&m_swr, &out, AV_SAMPLE_FMT_FLT, Rate, &in, AV_SAMPLE_FMT_S16, sampleRate, 0, nullptr);
        av_channel_layout_uninit(&in);
        av_channel_layout_uninit(&out);
        return code >= 0 && m_swr && swr_init(m_swr) >= 0;
    }

    //! frames samples per channel in (null: what the resampler still holds); the result into out.
    bool convert(const std::int16_t* in, int frames, std::vector<float>& out)
    {
        const int room = swr_get_out_samples(m_swr, frames) + 64;
        out.resize(size_t(std::max(room, 64)));
        auto* target = reinterpret_cast<uint8_t*>(out.data());
        const auto* source = reinterpret_cast<const uint8_t*>(in);
        const int made = swr_convert(m_swr, &target, int(out.size()), in ? &source : nullptr, in ? frames : 0);
        if (made < 0)
            return false;
        out.resize(size_t(made));
        return true;
    }

private:
    SwrContext* m_swr = nullptr;
};

ExportError exportErrorFor(MediaWriteError error)
{
    switch (error) {
    case MediaWriteError::None:
        return ExportError::None;
    case MediaWriteError::EncoderMissing:
        return ExportError::EncoderMissing;
    case MediaWriteError::EncoderFailed:
        return ExportError::EncodeFailed;
    case MediaWriteError::Unwritable:
        return ExportError::Unwritable;
    case MediaWriteError::DiskFull:
        return ExportError::DiskFull;
    case MediaWriteError::WriteFailed:
        break;
    }
    return ExportError::WriteFailed;
}

//! A file of a free name beside the output, which the export writes and renames; removed
//! when it goes unless taken.
class TemporaryOutput
{
public:
    ~TemporaryOutput()
    {
        if (!m_path.isEmpty())
            QFile::remove(m_path);
    }

    //! Creates it (empty, with the permissions a new file gets); errno's value on failure.
    int create(const QString& output)
    {
        const QFileInfo info(output);
        // Room for the additions within a file name's 255 bytes.
        const QString base = info.fileName().left(200);
        int error = EEXIST;
        for (int attempt = 0; attempt < 32 && error == EEXIST; ++attempt) {
            const QString path =
                info.absolutePath() + QStringLiteral("/.%1.%2.part")
                                          .arg(base)
                                          .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
            const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                ::close(fd);
                m_path = path;
                return 0;
            }
            error = errno;
        }
        return error;
    }

    QString path() const { return m_path; }

    //! Renames it over the output; errno's value on failure (it is then removed).
    int moveTo(const QString& output)
    {
        if (::rename(QFile::encodeName(m_path).constData(), QFile::encodeName(output).constData()) != 0)
            return errno;
        m_path.clear();
        return 0;
    }

private:
    QString m_path;
};

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

//! Samples at the export's rate a slide's sound will take, for the progress.
std::int64_t expectedSamples(const ExportItem& item)
{
    if (item.narrationWavPath.isEmpty())
        return std::int64_t(exportlimits::SilentSlideSeconds) * Rate;
    const std::optional<NarrationShape> shape = probeNarration(item.narrationWavPath);
    if (!shape || shape->sampleRate <= 0)
        return 0;
    return shape->frames * Rate / shape->sampleRate;
}

QString itemName(const ExportJob& job, const ExportItem& item)
{
    return job.podcast ? QStringLiteral("Segment %1").arg(item.number) : QStringLiteral("Slide %1").arg(item.number);
}

//! One export from its checked job to its renamed file.
class ExportPass
{
public:
    ExportPass(const ExportJob& job, ExportProgress& progress) : m_job(job), m_progress(progress) {}

    ExportResult run();

private:
    bool cancelled() const { return m_progress.isCancelRequested(); }
    ExportResult writerFailure() const
    {
        return failure(exportErrorFor(m_writer.error()), m_writer.errorText() + QLatin1Char('.'));
    }
    //! Sound written; the video catches up with it.
    bool addSound(const float* samples, std::int64_t count);
    bool catchUp(std::int64_t frame);
    void tellProgress();
    ExportResult exportItem(const ExportItem& item);
    ExportResult exportNarration(const ExportItem& item);

    const ExportJob& m_job;
    ExportProgress& m_progress;
    MediaWriter m_writer;
    bool m_video = false;
    std::int64_t m_expected = 0;
    std::int64_t m_samples = 0;
    std::int64_t m_frames = 0;
    bool m_keyPending = false;
};

bool ExportPass::catchUp(std::int64_t frame)
{
    if (!m_video || frame <= m_frames)
        return true;
    if (!m_writer.writeFrames(frame - m_frames, m_keyPending))
        return false;
    m_keyPending = false;
    m_frames = frame;
    return true;
}

bool ExportPass::addSound(const float* samples, std::int64_t count)
{
    if (!m_writer.writeSound(samples, count))
        return false;
    m_samples += count;
    tellProgress();
    return catchUp(frameAt(m_samples));
}

void ExportPass::tellProgress()
{
    // The last share is the file's index and its move before the media.
    if (m_expected > 0)
        m_progress.setFraction(std::min(0.99, double(m_samples) / double(m_expected)));
}

ExportResult ExportPass::exportNarration(const ExportItem& item)
{
    QString problem;
    std::optional<NarrationSamples> sound = readNarration(item.narrationWavPath, &problem);
    if (!sound)
        return failure(ExportError::NarrationUnreadable,
                       QStringLiteral("%1: the narration cannot be read: %2").arg(itemName(m_job, item), problem));
    if (m_job.evenLoudness)
        sound->samples = loudness::normalised(sound->samples, sound->sampleRate, sound->channels);
    MonoResampler resampler;
    if (!resampler.start(sound->sampleRate, sound->channels))
        return failure(ExportError::EncodeFailed,
                       QStringLiteral("%1: the narration's sound cannot be converted.").arg(itemName(m_job, item)));
    std::vector<float> out;
    const std::int64_t frames = sound->frames();
    for (std::int64_t at = 0; at < frames; at += ChunkFrames) {
        if (cancelled())
            return failure(ExportError::Cancelled, QStringLiteral("The export was cancelled."));
        const int count = int(std::min<std::int64_t>(ChunkFrames, frames - at));
        if (!resampler.convert(sound->samples.data() + at * sound->channels, count, out))
            return failure(ExportError::EncodeFailed,
                           QStringLiteral("%1: the narration's sound cannot be converted.").arg(itemName(m_job, item)));
        if (!addSound(out.data(), std::int64_t(out.size())))
            return writerFailure();
    }
    // What the resampler still holds: the narration's last few milliseconds.
    for (;;) {
        if (!resampler.convert(nullptr, 0, out))
            return failure(ExportError::EncodeFailed,
                           QStringLiteral("%1: the narration's sound cannot be converted.").arg(itemName(m_job, item)));
        if (out.empty())
            break;
        if (!addSound(out.data(), std::int64_t(out.size())))
            return writerFailure();
    }
    return {};
}

ExportResult ExportPass::exportItem(const ExportItem& item)
{
    const std::int64_t firstFrame = m_frames;
    if (m_video) {
        const QSize frame = m_job.frameSize;
        const QImage picture =
            loadExportPicture(item.picturePath, item.quarterTurns, std::max(frame.width(), frame.height()));
        if (picture.isNull())
            return failure(ExportError::PictureMissing, QStringLiteral("%1: the picture %2 cannot be read.")
                                                            .arg(itemName(m_job, item), shown(item.picturePath)));
        if (!m_writer.setPicture(composeSlideFrame(picture, frame, m_job.captions ? item.caption : QString())))
            return writerFailure();
        m_keyPending = true;
    }
    if (cancelled())
        return failure(ExportError::Cancelled, QStringLiteral("The export was cancelled."));
    if (!item.narrationWavPath.isEmpty()) {
        if (ExportResult result = exportNarration(item); !result.ok())
            return result;
    } else {
        const std::vector<float> silence(size_t(Rate / 5), 0.0f);
        const std::int64_t length = std::int64_t(exportlimits::SilentSlideSeconds) * Rate;
        for (std::int64_t at = 0; at < length; at += std::int64_t(silence.size())) {
            if (cancelled())
                return failure(ExportError::Cancelled, QStringLiteral("The export was cancelled."));
            if (!addSound(silence.data(), std::min<std::int64_t>(std::int64_t(silence.size()), length - at)))
                return writerFailure();
        }
    }
    // A slide shorter than half a frame still shows once; the next one catches up.
    if (!catchUp(std::max(frameAt(m_samples), firstFrame + 1)))
        return writerFailure();
    return {};
}

ExportResult ExportPass::run()
{
    const QString output = QFileInfo(m_job.outputPath).absoluteFilePath();
    m_video = m_job.format == ExportFormat::Mp4;
    for (const ExportItem& item : m_job.items)
        m_expected += expectedSamples(item);
    m_progress.setFraction(0);

    TemporaryOutput temporary;
    if (const int error = temporary.create(output); error != 0)
        return failure(error == ENOSPC ? ExportError::DiskFull : ExportError::Unwritable,
                       QStringLiteral("Cannot write into the folder %1: %2.")
                           .arg(shown(QFileInfo(output).absolutePath()), systemText(error)));
    MediaWriter::Settings settings;
    settings.format = m_job.format;
    settings.frameSize = m_job.frameSize;
    settings.title = m_job.title;
    settings.shownPath = output;
    if (!m_writer.open(temporary.path(), settings))
        return writerFailure();
    for (const ExportItem& item : m_job.items) {
        if (cancelled())
            return failure(ExportError::Cancelled, QStringLiteral("The export was cancelled."));
        if (ExportResult result = exportItem(item); !result.ok())
            return result;
    }
    if (cancelled())
        return failure(ExportError::Cancelled, QStringLiteral("The export was cancelled."));
    if (!m_writer.finish())
        return writerFailure();
    if (const int error = temporary.moveTo(output); error != 0)
        return failure(ExportError::Unwritable,
                       QStringLiteral("The file %1 cannot be written: %2.").arg(shown(output), systemText(error)));
    m_progress.setFraction(1);
    ExportResult result;
    result.outputPath = output;
    result.bytes = QFileInfo(output).size();
    result.seconds = double(m_samples) / Rate;
    return result;
}

} // namespace

ExportResult checkExportJob(const ExportJob& job)
{
    if (job.items.empty())
        return failure(ExportError::NothingToExport,
                       job.podcast ? QStringLiteral("No segment of the podcast holds a recording.")
                                   : QStringLiteral("The Pictorelle has no slides to export."));
    if (job.podcast && !isAudioFormat(job.format))
        return failure(ExportError::WrongFormat,
                       QStringLiteral("A podcast has no pictures: it is exported as a .m4a or .mp3 sound file."));
    if (!job.podcast && isAudioFormat(job.format))
        return failure(ExportError::WrongFormat, QStringLiteral("A Pictorelle is exported as a .mp4 video."));
    if (!exportFormatFor(job.outputPath) || *exportFormatFor(job.outputPath) != job.format)
        return failure(
            ExportError::WrongFormat,
            QStringLiteral("The file %1 must end in %2.").arg(shown(job.outputPath), exportExtension(job.format)));
    const bool video = job.format == ExportFormat::Mp4;
    if (video) {
        if (const QString problem = frameSizeProblem(job.frameSize); !problem.isEmpty())
            return failure(ExportError::BadSize, problem);
        const bool anyCaption = job.captions && std::any_of(job.items.begin(), job.items.end(),
                                                            [](const ExportItem& i) { return !i.caption.isEmpty(); });
        if (anyCaption && !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            return failure(ExportError::NoFonts, QStringLiteral("Captions need the fonts of a GUI application."));
    }
    for (const ExportItem& item : job.items) {
        if (video && !QFileInfo(item.picturePath).isFile())
            return failure(ExportError::PictureMissing,
                           QStringLiteral("%1: the picture %2 is missing.")
                               .arg(itemName(job, item),
                                    shown(item.picturePath.isEmpty() ? QStringLiteral("(none)") : item.picturePath)));
        QString problem;
        if (!item.narrationWavPath.isEmpty() && !probeNarration(item.narrationWavPath, &problem))
            return failure(ExportError::NarrationUnreadable,
                           QStringLiteral("%1: the narration cannot be read: %2").arg(itemName(job, item), problem));
    }
    const QFileInfo output(QFileInfo(job.outputPath).absoluteFilePath());
    if (output.isDir())
        return failure(ExportError::Unwritable, QStringLiteral("%1 is a folder.").arg(shown(output.filePath())));
    const QFileInfo folder(output.absolutePath());
    if (!folder.exists())
        return failure(ExportError::FolderMissing,
                       QStringLiteral("The folder %1 does not exist.").arg(shown(folder.filePath())));
    if (!folder.isDir())
        return failure(ExportError::FolderMissing, QStringLiteral("%1 is not a folder.").arg(shown(folder.filePath())));
    return {};
}

ExportResult runExport(const ExportJob& job, ExportProgress& progress)
{
    ExportResult checked = checkExportJob(job);
    if (!checked.ok())
        return checked;
    if (progress.isCancelRequested())
        return failure(ExportError::Cancelled, QStringLiteral("The export was cancelled."));
    ExportPass pass(job, progress);
    return pass.run();
}
