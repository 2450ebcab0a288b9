#include "desktop/dialogs/previewplayback.h"

#include "audio/millisecondclock.h"
#include "audio/soundplayer.h"
#include "story/slide.h"
#include "story/story.h"

PreviewPlayback::PreviewPlayback(const Story& story, SoundPlayer& player, const MillisecondClock& clock)
    : m_story(story), m_player(player), m_clock(clock)
{}

int PreviewPlayback::slideCount() const
{
    return m_story.count();
}

bool PreviewPlayback::start()
{
    if (m_story.count() == 0)
        return false;
    m_index = 0;
    restartSlide();
    return true;
}

void PreviewPlayback::play()
{
    restartSlide();
}

void PreviewPlayback::rewind()
{
    m_index = 0;
    restartSlide();
}

bool PreviewPlayback::previous()
{
    return moveTo(m_index - 1);
}

bool PreviewPlayback::next()
{
    return moveTo(m_index + 1);
}

void PreviewPlayback::stop()
{
    m_playing = false;
    m_player.purge();
}

void PreviewPlayback::close()
{
    m_player.purge();
}

PreviewTickOutcome PreviewPlayback::tick()
{
    PreviewTickOutcome outcome;
    const bool startedPlaying = m_playing;
    if (m_playing) {
        const Slide* slide = m_story.slideAt(m_index);
        if (!slide) {
            // A story emptied under the player has nothing left to time.
            m_playing = false;
        } else if (elapsedSeconds() > slide->narrationLength() + pause()) {
            if (m_index >= m_story.count() - 1)
                m_playing = false;
            else
                outcome.slideChanged = next();
        }
    }
    if (m_playLatched != startedPlaying || m_stopLatched != !startedPlaying) {
        m_playLatched = startedPlaying;
        m_stopLatched = !startedPlaying;
        outcome.latchesChanged = true;
    }
    return outcome;
}

int PreviewPlayback::elapsedSeconds() const
{
    // Counting only whole seconds passed keeps a slide with narration length n on screen
    // for n + pause + 1 to about n + pause + 1.5 seconds, wherever in a second it started.
    return int((m_clock.milliseconds() - m_slideStart) / 1000);
}

int PreviewPlayback::pause() const
{
    return m_story.isPodcast() ? 0 : PictureSlidePause;
}

QString PreviewPlayback::slideLabel() const
{
    return QStringLiteral("Slide %1 of %2").arg(m_index + 1).arg(m_story.count());
}

void PreviewPlayback::restartSlide()
{
    m_playing = true;
    m_slideStart = m_clock.milliseconds();
    playNarration();
}

void PreviewPlayback::playNarration()
{
    // A missing narration file plays silently; the slide is still timed by its stored length.
    if (const Slide* slide = m_story.slideAt(m_index))
        m_player.playFile(slide->narrationWavPath());
}

bool PreviewPlayback::moveTo(int index)
{
    if (index < 0 || index >= m_story.count())
        return false;
    m_index = index;
    m_playing = true;
    m_slideStart = m_clock.milliseconds();
    m_player.purge();
    playNarration();
    return true;
}
