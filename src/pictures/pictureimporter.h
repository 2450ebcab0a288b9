#pragma once

#include "story/pictureimportservice.h"

#include <QString>
#include <QThreadPool>

#include <condition_variable>
#include <map>
#include <mutex>

//! Runs picture imports on a pool sized to the machine. Runs for the same slide go
//! one after another in the order started, since they write the same files.
class PictureImporter : public PictureImportService
{
public:
    //! threads ≤ 0: one per core.
    explicit PictureImporter(int threads = 0);
    //! Waits for every running job.
    ~PictureImporter() override;

    void startImport(Story& story, Slide& slide) override;
    //! Runs the slides in parallel on the pool; applies each result on the calling
    //! thread, which must be the story's.
    void reprocess(Story& story, const QList<Slide*>& slides) override;
    void waitForIdle() override;

    int threadCount() const { return m_pool.maxThreadCount(); }

private:
    //! Hands out turns per key (a slide's working files) and lets each job wait for its turn.
    class Turns
    {
    public:
        quint64 take(const QString& key);
        void wait(const QString& key, quint64 turn);
        void done(const QString& key);

    private:
        struct Counter
        {
            quint64 next = 0;
            quint64 serving = 0;
        };
        std::mutex m_mutex;
        std::condition_variable m_changed;
        std::map<QString, Counter> m_counters;
    };

    Turns m_turns;
    QThreadPool m_pool;
};
