#include "story/importnarrationcommand.h"

#include "story/story.h"

#include <QFile>
#include <QFileInfo>

namespace {

std::unique_ptr<Slide> newSegment(Story& story)
{
    auto segment = std::make_unique<Slide>(story);
    segment->setKind(SlideKind::Segment);
    return segment;
}

} // namespace

ImportNarrationCommand::ImportNarrationCommand(Story& story, int index, const QString& takePath, int seconds)
    : StoryCommand(story, QStringLiteral("Import Narration")), m_takePath(takePath), m_seconds(seconds)
{
    if (const Slide* s = story.slideAt(index))
        m_id = s->id();
}

ImportNarrationCommand::~ImportNarrationCommand()
{
    if (!wasApplied())
        QFile::remove(m_takePath);
    else if (isDone())
        m_take.dropBefore();
    else
        m_take.dropAfter();
}

bool ImportNarrationCommand::canUndo() const
{
    const Slide* s = story().slideAt(story().indexOfId(m_id));
    return s && !s->isRecording() && !s->isMp3Busy();
}

bool ImportNarrationCommand::apply()
{
    const Slide* s = story().slideAt(story().indexOfId(m_id));
    if (!s || s->isRecording() || s->isMp3Busy() || !QFileInfo(m_takePath).isFile())
        return false;
    SwappedFile take(s->narrationWavPath());
    take.keepBefore();
    // An old take that could not be moved aside is still in place: the rename fails on it.
    if (!QFile::rename(m_takePath, s->narrationWavPath())) {
        take.restoreBefore();
        return false;
    }
    m_take = take;
    m_oldHas = s->hasNarration();
    m_oldLength = s->narrationLength();
    put(true, m_seconds);
    return true;
}

void ImportNarrationCommand::put(bool hasNarration, int length)
{
    Slide* s = story().slideAt(story().indexOfId(m_id));
    if (!s)
        return;
    s->setHasNarration(hasNarration);
    s->setNarrationLength(length);
    s->takeReplaced();
}

void ImportNarrationCommand::revert()
{
    m_take.toBefore();
    put(m_oldHas, m_oldLength);
}

void ImportNarrationCommand::reapply()
{
    m_take.toAfter();
    put(true, m_seconds);
}

ImportSegmentCommand::ImportSegmentCommand(Story& story, int insertIndex, const QString& takePath, int seconds)
    : AddSlidesCommand(story, newSegment(story), insertIndex, Current::LastAdded),
      m_takePath(takePath),
      m_seconds(seconds)
{
    setText(QStringLiteral("Import Segment"));
}

ImportSegmentCommand::~ImportSegmentCommand()
{
    if (!wasApplied())
        QFile::remove(m_takePath);
    else if (!isDone())
        QFile::remove(m_wavPath);
}

bool ImportSegmentCommand::apply()
{
    Story& s = story();
    if (!QFileInfo(m_takePath).isFile())
        return false;
    const int currentBefore = s.currentIndex();
    if (!AddSlidesCommand::apply())
        return false;
    const int index = s.indexOfId(addedIds().front());
    Slide* segment = s.slideAt(index);
    if (!segment || !QFile::rename(m_takePath, segment->narrationWavPath())) {
        // Same folder, free name: hardly ever. The segment goes again, the story is as it was.
        s.takeSlide(index);
        s.select(currentBefore);
        return false;
    }
    m_wavPath = segment->narrationWavPath();
    segment->setHasNarration(true);
    segment->setNarrationLength(m_seconds);
    return true;
}
