#include "publish/backgroundpreparation.h"

#include "audio/encodeprogress.h"
#include "audio/mp3cache.h"
#include "story/slide.h"
#include "story/story.h"

#include <QCoreApplication>
#include <QFile>
#include <QMetaObject>
#include <QtConcurrent/QtConcurrentRun>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Below the window and the recorder: the author never waits for this work.
constexpr int backgroundNiceness = 10;

void lowerThisThreadsPriority()
{
    thread_local bool lowered = false;
    if (lowered)
        return;
    lowered = true;
    // On Linux the niceness belongs to the thread; the pool's threads only run this work.
    ::setpriority(PRIO_PROCESS, id_t(::gettid()), backgroundNiceness);
}

} // namespace

BackgroundPreparation::BackgroundPreparation(Story& story, int threads, int delayMs, Priority priority)
    : m_story(story),
      m_cacheFolder(Mp3Cache::folderIn(story.programFolder())),
      m_priority(priority),
      m_batch(std::make_shared<EncodeProgress>())
{
    m_pool.setMaxThreadCount(threads > 0 ? threads : std::max(1, QThread::idealThreadCount()));
    m_delay.setSingleShot(true);
    m_delay.setInterval(delayMs);
    connect(&m_delay, &QTimer::timeout, this, &BackgroundPreparation::scan);
    const auto later = [this] {
        if (!m_paused)
            m_delay.start();
    };
    connect(&story, &Story::narrationChanged, this, later);
    connect(&story, &Story::slideAdded, this, later);
    // A podcast's one MP3 holds its segments in show order.
    connect(&story, &Story::slideRemoved, this, later);
    connect(&story, &Story::slideMoved, this, later);
    connect(&story, &Story::storyReset, this, [this, later] {
        // Slide ids start again with a new story.
        newBatch();
        m_kept.clear();
        m_podcastKept.reset();
        later();
    });
}

BackgroundPreparation::~BackgroundPreparation()
{
    m_batch->requestCancel();
    m_pool.waitForDone();
}

BackgroundPreparation::WaveStamp BackgroundPreparation::stampOf(const QString& path)
{
    struct stat info
    {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {qint64(info.st_size), qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

void BackgroundPreparation::newBatch()
{
    m_batch->requestCancel();
    m_batch = std::make_shared<EncodeProgress>();
    ++m_generation;
    m_queued.clear();
}

void BackgroundPreparation::prepareNow()
{
    m_delay.stop();
    scan();
}

void BackgroundPreparation::pause()
{
    m_paused = true;
    m_delay.stop();
    newBatch();
    if (m_queued.empty())
        emit idle();
}

void BackgroundPreparation::resume()
{
    m_paused = false;
    prepareNow();
}

void BackgroundPreparation::setEvenLoudness(bool on)
{
    if (on == m_evenLoudness)
        return;
    m_evenLoudness = on;
    newBatch();
    m_kept.clear();
    m_podcastKept.reset();
    for (int i = 0; i < m_story.count(); ++i)
        m_story.slideAt(i)->setMp3Encoded(false);
    if (!m_paused)
        prepareNow();
}

void BackgroundPreparation::waitForDone()
{
    while (!m_queued.empty()) {
        m_pool.waitForDone();
        // The finished jobs' results are queued to m_context: take them in.
        QCoreApplication::sendPostedEvents(&m_context, QEvent::MetaCall);
    }
}

void BackgroundPreparation::scan()
{
    if (m_paused)
        return;
    const bool wasIdle = m_queued.empty();
    if (m_story.isPodcast()) {
        // Publishing a podcast uploads its one MP3 only.
        m_kept.clear();
        scanPodcast();
    } else {
        m_podcastKept.reset();
        scanNarrations();
    }
    if (wasIdle && m_queued.empty())
        emit idle();
}

void BackgroundPreparation::scanNarrations()
{
    for (int i = 0; i < m_story.count(); ++i) {
        const Slide& s = *m_story.slideAt(i);
        const int id = s.id();
        // A take being recorded is looked at again once it stops.
        if (!s.hasNarration() || s.narrationLength() <= 0 || s.isRecording()) {
            m_kept.erase(id);
            continue;
        }
        if (m_queued.count(id))
            continue;
        const QString wav = s.narrationWavPath();
        const WaveStamp stamp = stampOf(wav);
        if (stamp.size < 0)
            continue;
        if (const auto kept = m_kept.find(id); kept != m_kept.end() && kept->second == stamp)
            continue;
        m_queued.insert(id);
        // Its end is told by the queued call; waitForDone waits on the pool itself.
        (void)QtConcurrent::run(&m_pool, [this, context = &m_context, batch = m_batch, generation = m_generation, id,
                                          stamp, wav, folder = m_cacheFolder, low = m_priority == Priority::Low,
                                          even = m_evenLoudness] {
            bool kept = false;
            if (!batch->isCancelRequested()) {
                if (low)
                    lowerThisThreadsPriority();
                EncodeProgress progress(batch.get());
                // No message from here: a missing encoder is told when the author publishes.
                kept = !Mp3Cache(folder).fill(wav, nullptr, &progress, nullptr, even).isEmpty();
            }
            QMetaObject::invokeMethod(
                context, [this, generation, id, stamp, kept] { finished(generation, id, stamp, kept); },
                Qt::QueuedConnection);
        });
    }
}

std::optional<BackgroundPreparation::PodcastStamp> BackgroundPreparation::podcastStamp() const
{
    PodcastStamp stamp;
    for (int i = 0; i < m_story.count(); ++i) {
        const Slide& s = *m_story.slideAt(i);
        if (!s.hasNarration() || s.narrationLength() <= 0 || s.isRecording())
            return std::nullopt;
        stamp.paths.append(s.narrationWavPath());
        stamp.stamps.push_back(stampOf(stamp.paths.last()));
        if (stamp.stamps.back().size < 0)
            return std::nullopt;
    }
    if (stamp.paths.isEmpty())
        return std::nullopt;
    return stamp;
}

void BackgroundPreparation::scanPodcast()
{
    // Looked at again once the running one ends.
    if (m_queued.count(podcastId))
        return;
    const std::optional<PodcastStamp> stamp = podcastStamp();
    if (!stamp || stamp == m_podcastKept)
        return;
    m_queued.insert(podcastId);
    (void)QtConcurrent::run(&m_pool, [this, context = &m_context, batch = m_batch, generation = m_generation,
                                      stamp = *stamp, folder = m_cacheFolder, low = m_priority == Priority::Low,
                                      even = m_evenLoudness] {
        bool kept = false;
        if (!batch->isCancelRequested()) {
            if (low)
                lowerThisThreadsPriority();
            EncodeProgress progress(batch.get());
            kept = !Mp3Cache(folder).fill(stamp.paths, nullptr, &progress, nullptr, even).isEmpty();
        }
        QMetaObject::invokeMethod(
            context, [this, generation, stamp, kept] { podcastFinished(generation, stamp, kept); },
            Qt::QueuedConnection);
    });
}

void BackgroundPreparation::finished(quint64 generation, int slideId, WaveStamp stamp, bool kept)
{
    if (generation != m_generation)
        return;
    m_queued.erase(slideId);
    if (kept) {
        m_kept[slideId] = stamp;
    } else {
        m_kept.erase(slideId);
    }
    // A take changed while it was encoded is looked at again.
    const Slide* s = m_story.slideAt(m_story.indexOfId(slideId));
    if (s && !s->isRecording() && stampOf(s->narrationWavPath()) != stamp && !m_paused)
        m_delay.start();
    if (m_queued.empty())
        emit idle();
}

void BackgroundPreparation::podcastFinished(quint64 generation, const PodcastStamp& stamp, bool kept)
{
    if (generation != m_generation)
        return;
    m_queued.erase(podcastId);
    if (kept) {
        m_podcastKept = stamp;
    } else {
        m_podcastKept.reset();
    }
    // A segment changed, moved or added while it was encoded is looked at again.
    if (m_story.isPodcast() && podcastStamp() != stamp && !m_paused)
        m_delay.start();
    if (m_queued.empty())
        emit idle();
}
