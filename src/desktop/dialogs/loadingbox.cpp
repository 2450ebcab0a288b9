#include "desktop/dialogs/loadingbox.h"

#include "story/story.h"

#include <QDir>
#include <QLabel>
#include <QShowEvent>
#include <QTimerEvent>
#include <QVBoxLayout>

LoadingBox::LoadingBox(Story& story, const QString& path, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_story(story), m_path(path)
{
    setObjectName(QStringLiteral("LOADING_BOX"));
    setModal(true);

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

void LoadingBox::reject()
{
    if (m_loaded)
        QDialog::reject();
}

void LoadingBox::showEvent(QShowEvent* event)
{
    if (QWidget* owner = parentWidget()) {
        const QRect o(owner->mapToGlobal(QPoint(0, 0)), owner->size());
        move(o.left() + o.width() / 2 - width() / 2, o.top() + o.height() / 2 - height() / 2);
    }
    QDialog::showEvent(event);
    if (!m_loaded && !event->spontaneous())
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
    if (m_loaded)
        return;
    m_story.reset();
    m_report = loadStory(m_path, m_story);
    if (!m_report.opened)
        m_report.warnings
            << QStringLiteral("The story file %1 could not be opened.").arg(QDir::toNativeSeparators(m_path));
    m_loaded = true;
    accept();
}
