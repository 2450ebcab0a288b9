#include "export/exportrun.h"

#include <QtConcurrent/QtConcurrentRun>

ExportRun::ExportRun(ExportJob job) : m_job(std::move(job))
{
    // The encoders keep every core busy themselves; one export at a time is enough.
    m_pool.setMaxThreadCount(1);
}

ExportRun::~ExportRun()
{
    m_progress.requestCancel();
    if (m_started)
        m_future.waitForFinished();
}

void ExportRun::start()
{
    if (m_started)
        return;
    m_started = true;
    m_future = QtConcurrent::run(&m_pool, [job = m_job, progress = &m_progress] { return runExport(job, *progress); });
}

ExportResult ExportRun::result() const
{
    if (!m_started) {
        ExportResult cancelled;
        cancelled.error = ExportError::Cancelled;
        cancelled.message = QStringLiteral("The export was cancelled.");
        return cancelled;
    }
    // The result is reported a moment before the worker counts as finished.
    QFuture<ExportResult> future = m_future;
    future.waitForFinished();
    return future.result();
}
