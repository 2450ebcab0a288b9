#pragma once

#include <QtGlobal>

//! The side of a wave file (or any other sample store) that a wave device streams through.
//! The device uses the stream but never owns it.
class WaveStream
{
public:
    virtual ~WaveStream() = default;

    //! Takes length sample bytes; the base version drops them.
    virtual void write(const char* bytes, quint32 length);
    //! Fills up to length bytes and sets length to the count delivered; the base version delivers 0.
    virtual void read(char* buffer, quint32& length);
    //! The sample format: samples per second, bits per sample, channels.
    virtual void getFormat(quint32& samplesPerSec, quint16& bitsPerSample, quint16& channels) = 0;
    //! Moves within the samples; offset in bytes, from the start of the samples when absolute.
    virtual bool seek(qint64 offset, bool absolute) = 0;
};

inline void WaveStream::write(const char*, quint32)
{}

inline void WaveStream::read(char*, quint32& length)
{
    length = 0;
}
