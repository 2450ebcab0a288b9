#include "story/rotateslidecommand.h"

#include "story/story.h"

#include <QTransform>

RotateSlideCommand::RotateSlideCommand(Story& story, int index, int quarterTurns)
    : StoryCommand(story, QStringLiteral("Rotate Slide")), m_turns(quarterTurns)
{
    if (const Slide* s = story.slideAt(index))
        m_id = s->id();
}

bool RotateSlideCommand::canUndo() const
{
    const Slide* s = story().slideAt(story().indexOfId(m_id));
    // A running import would replace the picture with an unturned one.
    return s && s->isReady();
}

bool RotateSlideCommand::apply()
{
    const Slide* s = story().slideAt(story().indexOfId(m_id));
    if (!s || m_turns == 0 || s->kind() != SlideKind::Picture || !s->isReady() || s->picture().isNull())
        return false;
    turn(m_turns);
    return true;
}

void RotateSlideCommand::revert()
{
    turn(-m_turns);
}

void RotateSlideCommand::reapply()
{
    turn(m_turns);
}

void RotateSlideCommand::turn(int quarterTurns)
{
    Slide* s = story().slideAt(story().indexOfId(m_id));
    if (!s)
        return;
    // The thumbnail is the picture's centred square: turning it is rebuilding it. Exact
    // quarter turns (0, 90, 180, 270 degrees) move pixels without resampling.
    const int clockwise = ((quarterTurns % 4) + 4) % 4;
    const QTransform rotation = QTransform().rotate(90.0 * clockwise);
    s->replacePicture(s->picture().transformed(rotation));
    s->setThumbnail(s->thumbnail().transformed(rotation));
    s->setRotation(s->rotation() + quarterTurns);
}
