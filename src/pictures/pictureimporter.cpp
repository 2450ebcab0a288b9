#include "pictures/pictureimporter.h"

#include "pictures/imageworker.h"
#include "pictures/picturework.h"
#include "story/story.h"

#include <QThread>

#include <latch>
#include <vector>

quint64 PictureImporter::Turns::take(const QString& key)
{
    std::lock_guard lock(m_mutex);
    return m_counters[key].next++;
}

void PictureImporter::Turns::wait(const QString& key, quint64 turn)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_counters[key].serving == turn; });
}

void PictureImporter::Turns::done(const QString& key)
{
    {
        std::lock_guard lock(m_mutex);
        Counter& c = m_counters[key];
        if (++c.serving == c.next)
            m_counters.erase(key);
    }
    m_changed.notify_all();
}

PictureImporter::PictureImporter(int threads)
{
    // The image library starts on the first picture that needs it: most JPEGs never do.
    m_pool.setMaxThreadCount(threads > 0 ? threads : std::max(1, QThread::idealThreadCount()));
}

PictureImporter::~PictureImporter()
{
    m_pool.waitForDone();
}

void PictureImporter::startImport(Story& story, Slide& slide)
{
    const int generation = story.importStarted(slide);
    const PictureJob job = story.pictureJob(slide, true);
    const quint64 epoch = story.epoch();
    const int slideId = slide.id();
    const QString key = job.workingCopyPath;
    const quint64 turn = m_turns.take(key);
    Story* target = &story; // the story waits for this pool before it goes away
    m_pool.start([this, job, epoch, slideId, generation, key, turn, target] {
        m_turns.wait(key, turn);
        const PictureResult result = runPictureImport(job);
        m_turns.done(key);
        QMetaObject::invokeMethod(
            target, [=] { target->applyImport(epoch, slideId, generation, result); }, Qt::QueuedConnection);
    });
}

void PictureImporter::reprocess(Story& story, const QList<Slide*>& slides)
{
    const qsizetype n = slides.size();
    std::vector<PictureResult> results(static_cast<size_t>(n));
    std::latch finished(n);
    for (qsizetype i = 0; i < n; ++i) {
        Slide& slide = *slides[i];
        story.beginPictureProcessing();
        PictureJob job = story.pictureJob(slide, false);
        // Runs share a slide's files with its import, whose working copy names the key.
        const QString key = story.pictureJob(slide, true).workingCopyPath;
        const quint64 turn = m_turns.take(key);
        PictureResult* out = &results[size_t(i)];
        m_pool.start([this, job, key, turn, out, &finished] {
            m_turns.wait(key, turn);
            *out = runPictureReprocess(job);
            m_turns.done(key);
            finished.count_down();
        });
    }
    finished.wait();
    for (qsizetype i = 0; i < n; ++i) {
        story.applyReprocess(*slides[i], results[size_t(i)]);
        story.endPictureProcessing();
    }
}

void PictureImporter::waitForIdle()
{
    m_pool.waitForDone();
}
