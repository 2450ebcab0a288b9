#include "publish/mediapreparation.h"

#include "audio/encodeprogress.h"
#include "audio/mp3cache.h"
#include "pictures/picturework.h"
#include "story/story.h"

#include <QFileInfo>
#include <QMetaObject>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

std::vector<PreparationItem> preparationItems(const Story& story)
{
    std::vector<PreparationItem> items;
    items.reserve(size_t(story.count()));
    for (int i = 0; i < story.count(); ++i) {
        const Slide& s = *story.slideAt(i);
        PreparationItem item;
        item.slideId = s.id();
        item.index = i;
        item.kind = s.kind();
        item.narrationWavPath = s.narrationWavPath();
        item.narrationMp3Path = s.narrationMp3Path();
        item.narrationLength = s.narrationLength();
        item.hasNarration = s.hasNarration();
        item.mp3Current = s.isMp3Encoded();
        item.rotation = s.rotation();
        item.picture = story.pictureJob(s, false);
        item.pictureCurrent =
            s.isJpegCurrent() && QFileInfo::exists(s.slideJpegPath()) && QFileInfo::exists(s.thumbnailJpegPath());
        items.push_back(std::move(item));
    }
    return items;
}

struct MediaPreparation::Job
{
    Job(int id, int length, EncodeProgress* run) : slideId(id), seconds(length), progress(run) {}
    int slideId;
    int seconds;
    EncodeProgress progress;
    std::atomic<bool> done{false};
};

MediaPreparation::MediaPreparation(Story& story, QThreadPool& pool, Messenger* messenger, EncodeProgress& progress,
                                   bool evenLoudness)
    : m_story(story), m_pool(pool), m_messenger(messenger), m_progress(progress), m_evenLoudness(evenLoudness)
{}

MediaPreparation::~MediaPreparation()
{
    m_progress.requestCancel();
    // Jobs not yet begun end at once; those running stop at their next check.
    for (QFuture<void>& job : m_jobs)
        job.waitForFinished();
    // Results still queued are dropped with m_context; the story must not stay busy for them.
    settle();
}

void MediaPreparation::start()
{
    Q_ASSERT(QThread::currentThread() == m_story.thread());
    if (m_started)
        return;
    m_started = true;
    const std::vector<PreparationItem> items = preparationItems(m_story);
    std::vector<const PreparationItem*> pictures;
    for (const PreparationItem& item : items) {
        if (item.needsEncoding()) {
            m_story.slideAt(item.index)->setMp3Busy(true);
            m_encodingSlides.insert(item.slideId);
            m_encodings.push_back(std::make_unique<Job>(item.slideId, item.narrationLength, &m_progress));
        } else if (item.hasNarration) {
            m_readySeconds += item.narrationLength;
        }
        if (item.needsPicture()) {
            m_story.beginPictureProcessing();
            m_pictureSlides.insert(item.slideId);
            pictures.push_back(&item);
        }
    }
    m_story.setMp3Position(0);

    // The results travel back as queued calls to m_context, on the story's thread; each job
    // queues its result before its end.
    QObject* context = &m_context;
    const auto ended = [this, context] {
        QMetaObject::invokeMethod(
            context, [this] { jobEnded(); }, Qt::QueuedConnection);
    };
    const QString cacheFolder = Mp3Cache::folderIn(m_story.programFolder());
    Messenger* messenger = m_messenger;
    const bool even = m_evenLoudness;
    size_t encoding = 0;
    for (const PreparationItem& item : items) {
        if (!item.needsEncoding())
            continue;
        Job* job = m_encodings[encoding++].get();
        const QString wav = item.narrationWavPath;
        const QString mp3 = item.narrationMp3Path;
        ++m_jobsRunning;
        m_jobs.push_back(QtConcurrent::run(&m_pool, [this, context, ended, job, wav, mp3, messenger, cacheFolder,
                                                     even] {
            if (!job->progress.isCancelRequested()) {
                Mp3Cache cache(cacheFolder);
                NarrationDone done{job->slideId, encodeNarration(wav, mp3, messenger, &job->progress, &cache, even)};
                job->done.store(done.mp3.encoded);
                QMetaObject::invokeMethod(
                    context, [this, done = std::move(done)] { applyNarration(done); }, Qt::QueuedConnection);
            }
            ended();
        }));
    }
    for (const PreparationItem* item : pictures) {
        ++m_jobsRunning;
        m_jobs.push_back(QtConcurrent::run(
            &m_pool, [this, context, ended, progress = &m_progress, id = item->slideId, picture = item->picture] {
                if (!progress->isCancelRequested()) {
                    PictureDone done{id, runPictureReprocess(picture)};
                    QMetaObject::invokeMethod(
                        context, [this, done = std::move(done)] { applyPicture(done); }, Qt::QueuedConnection);
                }
                ended();
            }));
    }
    if (m_jobsRunning == 0)
        settle();
}

int MediaPreparation::preparedSeconds() const
{
    int seconds = m_readySeconds;
    for (const auto& job : m_encodings)
        seconds += job->done.load() ? job->seconds : job->seconds * job->progress.percent() / 100;
    return seconds;
}

void MediaPreparation::applyNarration(const NarrationDone& done)
{
    if (m_encodingSlides.erase(done.slideId) == 0)
        return;
    const int index = m_story.indexOfId(done.slideId);
    Slide* slide = m_story.slideAt(index);
    if (!slide)
        return;
    slide->setMp3Encoded(done.mp3.encoded);
    slide->setMp3Size(done.mp3.mp3Size);
    slide->setMp3Busy(false);
    m_story.setMp3Position(index);
}

void MediaPreparation::applyPicture(const PictureDone& done)
{
    if (m_pictureSlides.erase(done.slideId) == 0)
        return;
    if (Slide* slide = m_story.slideAt(m_story.indexOfId(done.slideId)))
        m_story.applyReprocess(*slide, done.result);
    m_story.endPictureProcessing();
}

void MediaPreparation::jobEnded()
{
    if (--m_jobsRunning == 0)
        settle();
}

void MediaPreparation::settle()
{
    if (!m_started || m_finished)
        return;
    m_finished = true;
    for (const int id : m_encodingSlides)
        if (Slide* slide = m_story.slideAt(m_story.indexOfId(id)))
            slide->setMp3Busy(false);
    m_encodingSlides.clear();
    for (size_t i = 0; i < m_pictureSlides.size(); ++i)
        m_story.endPictureProcessing();
    m_pictureSlides.clear();
    m_story.setMp3Position(-1);
}
