#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

//! A narration's sound: 16-bit samples, interleaved when there is more than one channel.
struct NarrationSamples
{
    std::vector<std::int16_t> samples;
    int sampleRate = 0;
    int channels = 0;

    //! Samples per channel.
    std::int64_t frames() const { return channels > 0 ? std::int64_t(samples.size()) / channels : 0; }
};

//! What a wave file's headers promise: its format and the samples per channel it holds (a file
//! cut short holds fewer than its data header states).
struct NarrationShape
{
    int sampleRate = 0;
    int channels = 0;
    std::int64_t frames = 0;
};

//! The shape of a 16-bit PCM wave (1 to 8 channels, 8 to 192 kHz); nothing, with the reason in
//! problem (when given), for a file that is missing, unreadable or of another format.
std::optional<NarrationShape> probeNarration(const QString& path, QString* problem = nullptr);

//! Every sample of such a wave, as probeNarration accepts it. Safe on any thread.
std::optional<NarrationSamples> readNarration(const QString& path, QString* problem = nullptr);
