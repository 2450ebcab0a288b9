#pragma once

#include <functional>

//! The microphone's recording level as the microphone-setup dialog reads and sets it;
//! tests and machines without a sound server substitute their own.
class MicrophoneVolume
{
public:
    //! Receives the new level. May be called on another thread (see the implementation).
    using ChangeListener = std::function<void(int volume)>;

    virtual ~MicrophoneVolume() = default;
    virtual bool hasVolumeControl() const = 0;
    //! Bounds of the level; -1 without a volume control.
    virtual int volumeMin() const = 0;
    virtual int volumeMax() const = 0;
    virtual int volumeSteps() const = 0;
    //! The level of the first channel; -1 without a control or when it cannot be read.
    virtual int getVolume() const = 0;
    //! Sets every channel; values outside volumeMin()..volumeMax() are ignored.
    virtual void setVolume(int volume) = 0;
    //! Replaces the listener told of level changes made by anyone; an empty one removes it.
    virtual void setChangeListener(ChangeListener listener) = 0;
};
