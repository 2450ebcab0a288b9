#pragma once

#include <QByteArray>
#include <QString>

//! Plays one sound at a time, asynchronously; a new sound replaces the playing one.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    //! Plays a WAV file; a missing or unreadable file plays nothing.
    virtual void playFile(const QString& path) = 0;
    //! Plays a WAV held in memory (the embedded voice sample).
    virtual void playWav(const QByteArray& wav) = 0;
    //! Stops any sound at once.
    virtual void purge() = 0;
    //! A sound is still playing.
    virtual bool isPlaying() const = 0;
};
