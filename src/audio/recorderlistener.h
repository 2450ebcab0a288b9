#pragma once

#include <QString>

//! What the recorder tells the main window; every call is made synchronously on the
//! recorder's (the GUI) thread.
class RecorderListener
{
public:
    virtual ~RecorderListener() = default;
    //! Command 500: start the 250 ms recording timer and refresh the info panel.
    virtual void recordingStarted() = 0;
    //! Command 501: start the 250 ms playback timer and refresh the info panel.
    virtual void playbackStarted() = 0;
    //! Command 502: stop the recording timer and refresh the info panel.
    virtual void recordingStopped() = 0;
    //! Command 503: stop the playback timer and refresh the info panel.
    virtual void playbackStopped() = 0;
    //! The record button's latched flag changed: repaint it.
    virtual void recordButtonChanged() = 0;
    //! The play button's latched flag changed: repaint it.
    virtual void playButtonChanged() = 0;
    //! A recording ended by itself because its microphone went away; it has stopped (and
    //! recordingStopped came first), the narration so far is kept. message tells the author.
    virtual void recordingInterrupted(const QString& message) = 0;
};
