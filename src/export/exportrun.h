#pragma once

#include "export/exportjob.h"
#include "export/exportprogress.h"
#include "export/storyexport.h"

#include <QFuture>
#include <QThreadPool>

//! One export on a worker of its own: the job was copied on the story's thread, so the worker
//! never touches the story. Progress and cancel are the run's own. The thread that made it
//! starts, polls and ends it.
class ExportRun
{
public:
    explicit ExportRun(ExportJob job);
    //! Cancels and waits for the worker: no export outlives its run, and no file is left
    //! behind by one that did not finish.
    ~ExportRun();
    ExportRun(const ExportRun&) = delete;
    ExportRun& operator=(const ExportRun&) = delete;

    const ExportJob& job() const { return m_job; }
    //! Changes the job before start() (the dialog's caption switch); ignored afterwards.
    ExportJob& editableJob() { return m_job; }

    //! Starts the worker. Once only.
    void start();
    bool isStarted() const { return m_started; }
    //! The worker has ended; result() holds its outcome.
    bool isFinished() const { return m_started && m_future.isFinished(); }
    //! The share done, 0 to 1.
    double fraction() const { return m_progress.fraction(); }
    //! Asks the worker to stop at its next check.
    void cancel() { m_progress.requestCancel(); }
    bool isCancelRequested() const { return m_progress.isCancelRequested(); }
    //! Waits for the worker (if started) and returns its outcome; a run never started reads
    //! as cancelled.
    ExportResult result() const;

private:
    ExportJob m_job;
    ExportProgress m_progress;
    QThreadPool m_pool;
    QFuture<ExportResult> m_future;
    bool m_started = false;
};
