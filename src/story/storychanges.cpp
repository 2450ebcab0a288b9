// The story's change notices and its undo stack: batches, the modified flag, push/undo/redo.
#include "story/story.h"
#include "story/storycommand.h"

#include <QThread>
#include <QUndoStack>

#include <algorithm>
#include <utility>

namespace {

//! The command and every command inside it (a macro) can run in that direction now.
bool runnable(const QUndoCommand* command, bool undo)
{
    if (!command)
        return false;
    if (const auto* edit = dynamic_cast<const StoryCommand*>(command))
        if (!(undo ? edit->canUndo() : edit->canRedo()))
            return false;
    for (int i = 0; i < command->childCount(); ++i)
        if (!runnable(command->child(i), undo))
            return false;
    return true;
}

void addOnce(std::vector<int>& ids, int id)
{
    if (std::find(ids.begin(), ids.end(), id) == ids.end())
        ids.push_back(id);
}

} // namespace

Story::ChangeBatch::ChangeBatch(Story& story) : m_story(story)
{
    ++m_story.m_batchDepth;
}

Story::ChangeBatch::~ChangeBatch()
{
    if (--m_story.m_batchDepth == 0)
        m_story.flush();
}

Story::Replacing::Replacing(Story& story) : m_story(story)
{
    ++m_story.m_replaceDepth;
}

Story::Replacing::~Replacing()
{
    if (--m_story.m_replaceDepth == 0)
        m_story.endReplacing();
}

void Story::slideChanging(const Slide& slide, Change change)
{
    if (QThread::currentThread() != thread()) {
        // Told on the story's thread; the slide table is only read there.
        const int id = slide.id();
        QMetaObject::invokeMethod(
            this,
            [this, id, change] {
                if (telling() && indexOfId(id) >= 0) {
                    note(id, change);
                    flush();
                }
            },
            Qt::QueuedConnection);
        return;
    }
    if (!telling() || indexOf(&slide) < 0)
        return;
    note(slide.id(), change);
    flush();
}

void Story::note(int slideId, Change change)
{
    addOnce(change == Change::Content ? m_pendingContent : m_pendingNarration, slideId);
}

void Story::noteInfo()
{
    if (!telling())
        return;
    m_pendingInfo = true;
    flush();
}

void Story::flush()
{
    if (m_batchDepth > 0 || !telling())
        return;
    // Taken before telling: a listener's own change is told on its own.
    const std::vector<int> content = std::exchange(m_pendingContent, {});
    const std::vector<int> narration = std::exchange(m_pendingNarration, {});
    const bool info = std::exchange(m_pendingInfo, false);
    const auto inSlideOrder = [this](const std::vector<int>& ids) {
        std::vector<int> indices;
        for (int id : ids)
            if (const int i = indexOfId(id); i >= 0)
                indices.push_back(i);
        std::sort(indices.begin(), indices.end());
        return indices;
    };
    for (int i : inSlideOrder(content))
        emit slideChanged(i);
    for (int i : inSlideOrder(narration))
        emit narrationChanged(i);
    if (info)
        emit storyInfoChanged();

    const int current = effectiveCurrent();
    const Slide* atCurrent = slideAt(current);
    const int currentId = atCurrent ? atCurrent->id() : -1;
    if (current != m_toldCurrent || currentId != m_toldCurrentId) {
        m_toldCurrent = current;
        m_toldCurrentId = currentId;
        emit currentChanged(current);
    }
    const bool modified = isModified();
    if (modified != m_toldModified) {
        m_toldModified = modified;
        emit modifiedChanged(modified);
    }
}

void Story::endReplacing()
{
    m_pendingContent.clear();
    m_pendingNarration.clear();
    m_pendingInfo = false;
    m_toldCurrent = effectiveCurrent();
    const Slide* atCurrent = slideAt(m_toldCurrent);
    m_toldCurrentId = atCurrent ? atCurrent->id() : -1;
    emit storyReset();
    flush();
}

bool Story::isModified() const
{
    return m_modifiedOutside || (m_undoStack && !m_undoStack->isClean());
}

void Story::setModified(bool modified)
{
    const ChangeBatch batch(*this);
    m_modifiedOutside = modified;
    if (!modified)
        m_undoStack->setClean();
}

bool Story::push(QUndoCommand* command)
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (!command)
        return false;
    const int refusals = m_refusals;
    m_undoStack->push(command);
    return m_refusals == refusals;
}

bool Story::canUndoNow() const
{
    if (!m_undoStack->canUndo())
        return false;
    // The recorder holds its slide and the take's file: no step runs under it.
    for (const auto& s : m_slides)
        if (s->isRecording())
            return false;
    return runnable(m_undoStack->command(m_undoStack->index() - 1), true);
}

bool Story::canRedoNow() const
{
    if (!m_undoStack->canRedo())
        return false;
    for (const auto& s : m_slides)
        if (s->isRecording())
            return false;
    return runnable(m_undoStack->command(m_undoStack->index()), false);
}

bool Story::undo()
{
    if (!canUndoNow())
        return false;
    m_undoStack->undo();
    return true;
}

bool Story::redo()
{
    if (!canRedoNow())
        return false;
    m_undoStack->redo();
    return true;
}
