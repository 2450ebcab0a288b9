#pragma once

#include <QString>
#include <QtGlobal>

class MillisecondClock;
class SoundPlayer;
class Story;

//! What one tick of the automatic advance changed, so the view repaints only that.
struct PreviewTickOutcome
{
    bool slideChanged = false;   //!< the show moved on to the next slide
    bool latchesChanged = false; //!< the Play or Stop latch flipped
};

//! The preview player's timing without any widget: which slide is shown, whether the show
//! advances by itself, when the slide's narration started, and the Play/Stop latches.
//! Talks to the sound player and reads the clock; changes nothing in the story.
//! GUI thread only; story, player and clock must outlive it.
class PreviewPlayback
{
public:
    //! Period of the view's timer that calls tick().
    static constexpr int TickMilliseconds = 500;
    //! Silence after a picture slide's narration before the next slide; podcasts have none.
    static constexpr int PictureSlidePause = 2;

    PreviewPlayback(const Story& story, SoundPlayer& player, const MillisecondClock& clock);

    //! Opening: slide 0, playing, its narration started. False (and nothing done) for an empty story.
    bool start();
    //! Restarts the current slide's narration and its full time.
    void play();
    //! Back to slide 0, playing, its narration from the beginning.
    void rewind();
    //! False (and nothing done) on the first slide.
    bool previous();
    //! False (and nothing done) on the last slide.
    bool next();
    //! Silences at once; the current slide stays.
    void stop();
    //! The player is closing: silence.
    void close();

    //! The automatic advance; the view calls it every TickMilliseconds. The latches follow
    //! the state the tick started in, so the end of the show latches Stop one tick later.
    PreviewTickOutcome tick();

    int currentIndex() const { return m_index; }
    int slideCount() const;
    bool isPlaying() const { return m_playing; }
    //! Clock milliseconds when the current slide's narration was started.
    qint64 slideStart() const { return m_slideStart; }
    //! Whole seconds the current slide has been timed, partial seconds not counted.
    int elapsedSeconds() const;
    //! Seconds the current slide stays past its narration length before the show moves on.
    int pause() const;
    bool isPlayLatched() const { return m_playLatched; }
    bool isStopLatched() const { return m_stopLatched; }
    //! "Slide %d of %d" for the slide shown, 1-based.
    QString slideLabel() const;

private:
    void restartSlide();
    void playNarration();
    bool moveTo(int index);

    const Story& m_story;
    SoundPlayer& m_player;
    const MillisecondClock& m_clock;
    int m_index = 0;
    bool m_playing = false;
    qint64 m_slideStart = 0;
    // The buttons start without a latch; the first tick sets one.
    bool m_playLatched = false;
    bool m_stopLatched = false;
};
