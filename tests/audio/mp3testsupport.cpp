#include "mp3testsupport.h"

#include "audio/mp3codec.h"

#include <QFile>
#include <QtEndian>

#include <cmath>

namespace {

// Layer III bit rates in kbit/s by index, for MPEG-1 and for MPEG-2/2.5.
constexpr int mpeg1Rates[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
constexpr int mpeg2Rates[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
constexpr int mpeg1SampleRates[3] = {44100, 48000, 32000};

struct FrameHeader
{
    bool valid = false;
    bool mpeg1 = false;
    int kbps = 0;
    int sampleRate = 0;
    bool mono = false;
    int length = 0;
};

FrameHeader readHeader(const unsigned char* h)
{
    FrameHeader frame;
    const int version = (h[1] >> 3) & 3; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    const int layer = (h[1] >> 1) & 3;   // 1 is Layer III
    const int rateIndex = h[2] >> 4;
    const int sampleIndex = (h[2] >> 2) & 3;
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0 || version == 1 || layer != 1 || sampleIndex == 3)
        return frame;
    frame.mpeg1 = version == 3;
    frame.kbps = (frame.mpeg1 ? mpeg1Rates : mpeg2Rates)[rateIndex];
    frame.sampleRate = mpeg1SampleRates[sampleIndex] / (version == 3 ? 1 : version == 2 ? 2 : 4);
    frame.mono = (h[3] >> 6) == 3;
    const int padding = (h[2] >> 1) & 1;
    if (frame.kbps == 0)
        return frame;
    frame.length = (frame.mpeg1 ? 144000 : 72000) * frame.kbps / frame.sampleRate + padding;
    frame.valid = true;
    return frame;
}

} // namespace

Mp3Walk walkMp3Frames(const QByteArray& bytes)
{
    Mp3Walk walk;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    qint64 at = 0;
    while (at + 4 <= bytes.size()) {
        const FrameHeader frame = readHeader(data + at);
        if (!frame.valid || at + frame.length > bytes.size())
            break;
        walk.allNarrationFrames =
            walk.allNarrationFrames && !frame.mpeg1 && frame.kbps == 24 && frame.sampleRate == 22050 && frame.mono;
        ++walk.frames;
        at += frame.length;
    }
    walk.frameBytes = at;
    return walk;
}

QByteArray voiceSamples(double seconds, int rate, int channels)
{
    const int frames = int(std::lround(seconds * rate));
    QByteArray bytes(qsizetype(frames) * channels * 2, Qt::Uninitialized);
    constexpr double twoPi = 6.283185307179586;
    double phase = 0;
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        const double pitch = 140 + 30 * std::sin(twoPi * 0.7 * t);
        phase += twoPi * pitch / rate;
        const double envelope = 0.3 + 0.7 * std::pow(std::sin(twoPi * 2.1 * t), 2.0);
        const double voice = std::sin(phase) + 0.5 * std::sin(2 * phase) + 0.25 * std::sin(3 * phase);
        const auto sample = qint16(std::lround(9000 * envelope * voice));
        for (int c = 0; c < channels; ++c)
            qToLittleEndian<qint16>(sample, bytes.data() + (qsizetype(i) * channels + c) * 2);
    }
    return bytes;
}

void Mp3Fixture::SetUp()
{
    qunsetenv("PICTORELLE_MP3_LIBRARY");
    ASSERT_TRUE(loadMp3Codec()) << "the tests need libmp3lame.so.0";
}

void Mp3Fixture::TearDown()
{
    unloadMp3Codec();
    qunsetenv("PICTORELLE_MP3_LIBRARY");
}

void Mp3Fixture::hideCodec()
{
    unloadMp3Codec();
    qputenv("PICTORELLE_MP3_LIBRARY", QFile::encodeName(folder.file("nowhere/libmp3lame.so.0")));
}
