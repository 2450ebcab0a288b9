#include "audio/narrationencoding.h"

#include "audio/mp3cache.h"
#include "story/slide.h"
#include "story/story.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Raised for the length of one encoding, lowered on every way out.
class Mp3BusyFlag
{
public:
    explicit Mp3BusyFlag(Slide& slide) : m_slide(slide) { m_slide.setMp3Busy(true); }
    ~Mp3BusyFlag() { m_slide.setMp3Busy(false); }
    Mp3BusyFlag(const Mp3BusyFlag&) = delete;
    Mp3BusyFlag& operator=(const Mp3BusyFlag&) = delete;

private:
    Slide& m_slide;
};

// The publish dialog polls the position: it must return to idle however the assembly ends.
class AssemblyPosition
{
public:
    explicit AssemblyPosition(Story& story) : m_story(story) { m_story.setMp3Position(0); }
    ~AssemblyPosition() { m_story.setMp3Position(-1); }
    AssemblyPosition(const AssemblyPosition&) = delete;
    AssemblyPosition& operator=(const AssemblyPosition&) = delete;

private:
    Story& m_story;
};

// A file that cannot be examined counts as empty.
qint64 fileSize(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() ? info.size() : 0;
}

} // namespace

NarrationMp3 encodeNarration(const QString& wavPath, const QString& mp3Path, Messenger* messenger,
                             EncodeProgress* progress, Mp3Cache* cache, bool evenLoudness)
{
    NarrationMp3 made;
    if (cache) {
        made.encode = encodeThroughCache(*cache, wavPath, mp3Path, messenger, progress, evenLoudness).encode;
    } else {
        Mp3EncodeOptions options;
        options.state = progress;
        options.evenLoudness = evenLoudness;
        made.encode = encodeWaveToMp3(messenger, wavPath, mp3Path, options);
    }
    made.encoded = made.encode.ok();
    // The encoder deleted any earlier MP3, so a failure leaves nothing to measure.
    made.mp3Size = made.encoded ? fileSize(mp3Path) : 0;
    return made;
}

bool encodeSlideNarration(Slide& slide, Messenger* messenger, EncodeProgress* progress, bool evenLoudness)
{
    const Mp3BusyFlag busy(slide);
    const NarrationMp3 made =
        encodeNarration(slide.narrationWavPath(), slide.narrationMp3Path(), messenger, progress, nullptr, evenLoudness);
    slide.setMp3Encoded(made.encoded);
    slide.setMp3Size(made.mp3Size);
    return true;
}

PodcastJob podcastJob(const Story& story, bool evenLoudness)
{
    PodcastJob job;
    for (int i = 0; i < story.count(); ++i)
        job.segmentWavPaths.append(story.slideAt(i)->narrationWavPath());
    job.podcastWavPath = story.podcastWavPath();
    job.podcastMp3Path = story.podcastMp3Path();
    job.mp3CacheFolder = Mp3Cache::folderIn(story.programFolder());
    job.evenLoudness = evenLoudness;
    return job;
}

PodcastResult assemblePodcastFiles(const PodcastJob& job, Messenger* messenger, EncodeProgress* progress)
{
    PodcastResult result;
    // No earlier podcast may be published in place of one that fails now.
    QFile::remove(job.podcastMp3Path);

    result.join =
        joinNarrationWaves(job.segmentWavPaths, job.podcastWavPath, progress ? &progress->cancelFlag() : nullptr);
    if (!result.join.ok()) {
        QFile::remove(job.podcastWavPath);
        result.error = waveJoinErrorText(result.join);
        return result;
    }
    // Evened out, each segment is brought to the loudness on its own: the MP3 is made from the
    // segments themselves (the joined WAV holds the same samples, without where each one ends).
    const QStringList source = job.evenLoudness ? job.segmentWavPaths : QStringList{job.podcastWavPath};
    if (!job.mp3CacheFolder.isEmpty()) {
        Mp3Cache cache(job.mp3CacheFolder);
        result.encode =
            encodeThroughCache(cache, source, job.podcastMp3Path, messenger, progress, job.evenLoudness).encode;
    } else {
        Mp3EncodeOptions options;
        options.state = progress;
        options.evenLoudness = job.evenLoudness;
        result.encode = encodeWavesToMp3(messenger, source, job.podcastMp3Path, options);
    }
    result.error = mp3EncodeErrorText(result.encode);
    result.mp3Size = result.encode.ok() ? fileSize(job.podcastMp3Path) : 0;
    return result;
}

PodcastResult assemblePodcast(Story& story, const PodcastJob& job, Messenger* messenger, EncodeProgress* progress)
{
    const AssemblyPosition position(story);
    story.setPodcastMp3Size(0);
    const PodcastResult result = assemblePodcastFiles(job, messenger, progress);
    story.setPodcastMp3Size(result.mp3Size);
    return result;
}

PodcastResult assemblePodcast(Story& story, Messenger* messenger, EncodeProgress* progress)
{
    return assemblePodcast(story, podcastJob(story), messenger, progress);
}
