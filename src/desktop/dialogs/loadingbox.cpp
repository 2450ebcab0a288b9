#include "desktop/dialogs/loadingbox.h"

#include "desktop/dialogs/dialogplacement.h"
#include "story/story.h"

#include <QDir>
#include <QLabel>
#include <QShowEvent>
#include <QThread>
#include <QTimerEvent>
#include <QVBoxLayout>
#include <QtConcurrent>

LoadingBox::LoadingBox(Story& story, const QString& path, QWidget* parent, Reader reader)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      m_story(story),
      m_path(path),
      m_reader(reader ? std::move(reader) : Reader([](const QString& file, const QString& workingFolder) {
          return readStoryForLoad(file, workingFolder);
      }))
{
    setObjectName(QStringLiteral("LOADING_BOX"));
    setModal(true);
    m_pool.setMaxThreadCount(1);
    connect(&m_watcher, &QFutureWatcher<LoadedStory>::finished, this, &LoadingBox::finish);

    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    auto* text = new QLabel(QStringLiteral("Loading"), frame);
    text->setObjectName(QStringLiteral("loadingText"));
    text->setAlignment(Qt::AlignCenter);
    auto* inner = new QVBoxLayout(frame);
    inner->addWidget(text);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(frame);
    resize(160, 60);
}

LoadingBox::~LoadingBox()
{
    // The read cannot be cancelled; what it staged goes with its result. The pool is waited
    // for, not the future: a future whose result was taken never reports finished again.
    m_watcher.disconnect(this);
    m_pool.waitForDone();
}

void LoadingBox::reject()
{
    if (m_loaded)
        QDialog::reject();
}

void LoadingBox::showEvent(QShowEvent* event)
{
    if (QWidget* owner = parentWidget()) {
        const QRect o(owner->mapToGlobal(QPoint(0, 0)), owner->size());
        moveOnScreen(*this, QPoint(o.left() + o.width() / 2 - width() / 2, o.top() + o.height() / 2 - height() / 2),
                     owner);
    }
    QDialog::showEvent(event);
    if (!m_loaded && !m_readStarted && !event->spontaneous())
        m_delay.start(PaintDelayMs, this);
}

void LoadingBox::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_delay.timerId()) {
        QDialog::timerEvent(event);
        return;
    }
    m_delay.stop();
    // Queued behind the paint events the timer may have let through.
    QMetaObject::invokeMethod(this, &LoadingBox::load, Qt::QueuedConnection);
}

void LoadingBox::load()
{
    if (m_loaded || m_readStarted)
        return;
    m_readStarted = true;
    // The worker gets values only: the path and where the story keeps its media.
    m_reading = QtConcurrent::run(&m_pool, m_reader, m_path, m_story.workingFolder());
    m_watcher.setFuture(m_reading);
}

void LoadingBox::finish()
{
    Q_ASSERT(QThread::currentThread() == m_story.thread());
    if (m_loaded)
        return;
    LoadedStory loaded = m_reading.takeResult();
    if (loaded.report.opened) {
        m_report = applyLoadedStory(m_story, std::move(loaded));
    } else {
        // A file that cannot be read still leaves a freshly reset story: the user chose to
        // replace the one they had.
        m_story.reset();
        m_report = loaded.report;
        m_report.warnings
            << QStringLiteral("The story file %1 could not be opened.").arg(QDir::toNativeSeparators(m_path));
    }
    m_loaded = true;
    accept();
}
