#include "export/exportjob.h"

#include "story/slide.h"
#include "story/story.h"

#include <QFileInfo>
#include <QRegularExpression>

std::optional<ExportFormat> exportFormatFor(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("mp4"))
        return ExportFormat::Mp4;
    if (suffix == QLatin1String("m4a"))
        return ExportFormat::M4a;
    if (suffix == QLatin1String("mp3"))
        return ExportFormat::Mp3;
    return std::nullopt;
}

QString exportExtension(ExportFormat format)
{
    switch (format) {
    case ExportFormat::Mp4:
        break;
    case ExportFormat::M4a:
        return QStringLiteral(".m4a");
    case ExportFormat::Mp3:
        return QStringLiteral(".mp3");
    }
    return QStringLiteral(".mp4");
}

bool isAudioFormat(ExportFormat format)
{
    return format != ExportFormat::Mp4;
}

QString frameSizeProblem(QSize size)
{
    using namespace exportlimits;
    if (size.width() < SmallestSide || size.height() < SmallestSide)
        return QStringLiteral("The video must be at least %1 pixels wide and high (%2×%3 asked for).")
            .arg(SmallestSide)
            .arg(size.width())
            .arg(size.height());
    if (size.width() > LargestSide || size.height() > LargestSide ||
        qint64(size.width()) * size.height() > qint64(LargestArea))
        return QStringLiteral("The video can be at most 3840×2160 (or 2160×3840) pixels (%1×%2 asked for).")
            .arg(size.width())
            .arg(size.height());
    // Colour is stored for every 2 × 2 pixels.
    if (size.width() % 2 != 0 || size.height() % 2 != 0)
        return QStringLiteral("The video's width and height must be even numbers (%1×%2 asked for).")
            .arg(size.width())
            .arg(size.height());
    return {};
}

std::optional<QSize> parseFrameSize(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{1,6})\\s*[xX×]\\s*(\\d{1,6})\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return QSize(match.captured(1).toInt(), match.captured(2).toInt());
}

ExportJob takeExportJob(const Story& story, const ExportOptions& options)
{
    ExportJob job;
    job.outputPath = options.outputPath;
    job.format = exportFormatFor(options.outputPath).value_or(ExportFormat::Mp4);
    job.podcast = story.isPodcast();
    job.title = story.title();
    job.frameSize = options.frameSize;
    job.captions = options.captions;
    job.evenLoudness = options.evenLoudness;
    for (int i = 0; i < story.count(); ++i) {
        const Slide& slide = *story.slideAt(i);
        ExportItem item;
        item.number = i + 1;
        if (slide.hasNarration())
            item.narrationWavPath = slide.narrationWavPath();
        if (job.podcast) {
            // A segment without a recording adds nothing to the podcast.
            if (item.narrationWavPath.isEmpty())
                continue;
        } else if (slide.jpegRotation() >= 0 && QFileInfo(slide.slideJpegPath()).isFile()) {
            item.picturePath = slide.slideJpegPath();
            item.quarterTurns = ((slide.rotation() - slide.jpegRotation()) % 4 + 4) % 4;
        } else {
            // Not imported (or its import failed): the source as chosen, turned as the slide is.
            item.picturePath = slide.sourcePicturePath();
            item.quarterTurns = (slide.rotation() % 4 + 4) % 4;
        }
        QString caption = slide.caption();
        item.caption = caption.replace(QLatin1String("\r\n"), QLatin1String("\n")).trimmed();
        job.items.push_back(std::move(item));
    }
    return job;
}
