#pragma once

#include <QString>

#include <optional>

//! What a wave file's headers say, as the wave file source reads them.
struct WaveFileInfo
{
    quint16 formatTag = 0;
    quint16 channels = 0;
    quint32 samplesPerSecond = 0;
    quint16 bitsPerSample = 0;
    //! Sample bytes; the file holds at least this many after dataOffset.
    quint32 dataSize = 0;
    //! Byte offset of the first sample in the file.
    qint64 dataOffset = 0;
};

//! The headers of the wave file at path; nullopt when it cannot be opened, fails the RIFF,
//! WAVE, fmt or data checks, or ends before the data size it announces.
std::optional<WaveFileInfo> probeWaveFile(const QString& path);

//! True for the recording format of every narration: PCM, 22050 Hz, 16-bit, mono.
bool isNarrationFormat(const WaveFileInfo& info);

//! Whole seconds of narration in dataSize bytes of the recording format, rounded up.
int narrationSeconds(quint32 dataSize);
