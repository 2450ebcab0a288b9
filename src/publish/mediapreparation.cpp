#include "publish/mediapreparation.h"

#include "audio/encodeprogress.h"
#include "pictures/picturework.h"
#include "story/story.h"

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
        items.push_back(std::move(item));
    }
    return items;
}

void encodeNarrations(const std::vector<PreparationItem>& items, Messenger* messenger, EncodeProgress& progress,
                      const std::function<void(NarrationDone)>& done)
{
    for (const PreparationItem& item : items) {
        if (progress.isCancelRequested())
            break;
        if (!item.needsEncoding())
            continue;
        done({item.slideId, encodeNarration(item.narrationWavPath, item.narrationMp3Path, messenger, &progress)});
    }
}

void remakePictures(const std::vector<PreparationItem>& items, const std::atomic<bool>& cancel,
                    const std::function<void(PictureDone)>& done)
{
    for (const PreparationItem& item : items) {
        if (cancel.load())
            break;
        if (item.needsPicture())
            done({item.slideId, runPictureReprocess(item.picture)});
    }
}

MediaPreparation::MediaPreparation(Story& story, QThreadPool& pool, Messenger* messenger, EncodeProgress& progress)
    : m_story(story), m_pool(pool), m_messenger(messenger), m_progress(progress)
{
    QObject::connect(&m_narrationsWatcher, &QFutureWatcherBase::finished, &m_context, [this] { workerEnded(); });
    QObject::connect(&m_picturesWatcher, &QFutureWatcherBase::finished, &m_context, [this] { workerEnded(); });
}

MediaPreparation::~MediaPreparation()
{
    m_progress.requestCancel();
    // Workers not yet begun never begin; those running stop at their next check.
    for (QFuture<void>* worker : {&m_narrations, &m_pictures}) {
        worker->cancel();
        worker->waitForFinished();
    }
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
    for (const PreparationItem& item : items) {
        if (item.needsEncoding()) {
            m_story.slideAt(item.index)->setMp3Busy(true);
            m_encodingSlides.insert(item.slideId);
        }
        if (item.needsPicture()) {
            m_story.beginPictureProcessing();
            m_pictureSlides.insert(item.slideId);
        }
    }
    m_story.setMp3Position(0);
    m_workersRunning = 2;

    // The results travel back as queued calls to m_context, on the story's thread.
    QObject* context = &m_context;
    Messenger* messenger = m_messenger;
    EncodeProgress* progress = &m_progress;
    m_narrations = QtConcurrent::run(&m_pool, [this, context, items, messenger, progress] {
        encodeNarrations(items, messenger, *progress, [this, context](NarrationDone done) {
            QMetaObject::invokeMethod(
                context, [this, done = std::move(done)] { applyNarration(done); }, Qt::QueuedConnection);
        });
    });
    m_pictures = QtConcurrent::run(&m_pool, [this, context, items, progress] {
        remakePictures(items, progress->cancelFlag(), [this, context](PictureDone done) {
            QMetaObject::invokeMethod(
                context, [this, done = std::move(done)] { applyPicture(done); }, Qt::QueuedConnection);
        });
    });
    // Each watcher tells its end after the results its worker queued before ending.
    m_narrationsWatcher.setFuture(m_narrations);
    m_picturesWatcher.setFuture(m_pictures);
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

void MediaPreparation::workerEnded()
{
    if (--m_workersRunning == 0)
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
