#include "audio/loudness.h"
#include "speechsignal.h"

#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

using speechsignal::meter;

namespace {

constexpr int rate = 22050;

std::vector<std::int16_t> tone(double seconds, double frequency, double amplitude, int sampleRate = rate)
{
    std::vector<std::int16_t> samples(size_t(std::lround(seconds * sampleRate)));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = std::int16_t(
            std::lround(amplitude * 32767.0 * std::sin(2.0 * std::numbers::pi * frequency * double(i) / sampleRate)));
    return samples;
}

// Every sample keeps its sign (or becomes 0): a value pushed past full scale that wrapped
// around would flip it.
bool keepsSigns(std::span<const std::int16_t> in, std::span<const std::int16_t> out)
{
    for (size_t i = 0; i < in.size(); ++i)
        if ((in[i] > 0 && out[i] < 0) || (in[i] < 0 && out[i] > 0))
            return false;
    return true;
}

void expectEvened(std::span<const std::int16_t> in, int channels = 1)
{
    const std::vector<std::int16_t> out = loudness::normalised(in, rate, channels);
    ASSERT_EQ(out.size(), in.size());
    const speechsignal::Meter after = meter(out, rate, channels);
    EXPECT_NEAR(after.lufs, loudness::TargetLufs, 0.5);
    EXPECT_LE(after.truePeakDb, loudness::TruePeakCeilingDb);
    EXPECT_TRUE(keepsSigns(in, out));
}

} // namespace

TEST(Loudness, GivenKnownTones_WhenMeasured_ThenLoudnessAndTruePeakAreThoseOfTheStandard)
{
    // A 997 Hz sine of full-scale amplitude measures -3.01 LUFS on one channel.
    const loudness::Measurement half = loudness::measure(tone(5.0, 997, 0.5, 48000), 48000);
    EXPECT_NEAR(half.integratedLufs, -3.01 - 6.02, 0.1);
    EXPECT_NEAR(half.truePeakDb, -6.02, 0.1);
    EXPECT_FALSE(half.silent);

    // A quarter of the rate sampled at 45 degrees: every sample is at 0.707 of the true peak.
    std::vector<std::int16_t> offPeak(size_t(rate * 3));
    for (size_t i = 0; i < offPeak.size(); ++i)
        offPeak[i] =
            std::int16_t(std::lround(16384 * std::sin(std::numbers::pi / 2 * double(i) + std::numbers::pi / 4)));
    const loudness::Measurement between = loudness::measure(offPeak, rate);
    EXPECT_NEAR(between.truePeakDb, 20 * std::log10(16384.0 / 32768.0), 0.3) << "the peak between the samples counts";

    const loudness::Measurement stereo =
        loudness::measure(speechsignal::atLoudness(speechsignal::speechLike(6), -20, rate, 2), rate, 2);
    EXPECT_NEAR(stereo.integratedLufs, -20, 0.05);
}

TEST(Loudness, GivenMeasurements_WhenTheGainIsWorkedOut_ThenItReachesTheTargetUpToTheCap)
{
    EXPECT_DOUBLE_EQ(loudness::gainToTarget({-26.0, -10.0, false}), 10.0);
    EXPECT_DOUBLE_EQ(loudness::gainToTarget({-9.5, -0.2, false}), -6.5);
    EXPECT_DOUBLE_EQ(loudness::gainToTarget({-55.0, -30.0, false}), loudness::MaxGainDb);
    EXPECT_DOUBLE_EQ(loudness::gainToTarget({-HUGE_VAL, -HUGE_VAL, true}), 0.0);
    EXPECT_DOUBLE_EQ(loudness::gainToTarget({-30.0, -12.0, true}), 0.0) << "what counts as silence is never raised";
}

TEST(Loudness, GivenSpeechAtQuietStandardAndHotLevels_WhenNormalised_ThenEachComesOutAtTheTargetUnderTheCeiling)
{
    const std::vector<double> speech = speechsignal::speechLike(8.0);
    for (const double level : {-30.0, -23.0, -8.0}) {
        SCOPED_TRACE(level);
        const std::vector<std::int16_t> in = speechsignal::atLoudness(speech, level);
        ASSERT_NEAR(meter(in).lufs, level, 0.05);
        expectEvened(in);
    }
}

TEST(Loudness, GivenQuietSpeechWithLoudPlosives_WhenNormalised_ThenOnlyThePeaksAreHeldDown)
{
    std::vector<std::int16_t> in = speechsignal::atLoudness(speechsignal::speechLike(8.0, rate, 7), -30);
    // Five 3 ms pops, some 14 dB over the speech's peaks.
    const std::vector<std::int16_t> pop = tone(0.003, 1000, 0.9);
    for (int i = 1; i <= 5; ++i)
        std::copy(pop.begin(), pop.end(), in.begin() + std::ptrdiff_t(i * rate * 13 / 10));
    const speechsignal::Meter before = meter(in);
    ASSERT_GT(before.truePeakDb + (loudness::TargetLufs - before.lufs), loudness::TruePeakCeilingDb + 10.0);

    const std::vector<std::int16_t> out = loudness::normalised(in, rate);
    const speechsignal::Meter after = meter(out);
    EXPECT_NEAR(after.lufs, loudness::TargetLufs, 0.5) << "a turn-down of the whole take would be far quieter";
    EXPECT_LE(after.truePeakDb, loudness::TruePeakCeilingDb);
    EXPECT_GT(after.truePeakDb, loudness::TruePeakCeilingDb - 1.0) << "the pops are brought to the ceiling";
    EXPECT_TRUE(keepsSigns(in, out));
}

TEST(Loudness, GivenRealSyntheticSpeech_WhenNormalisedFromThreeLevels_ThenEachComesOutAtTheTarget)
{
    const QString espeak = QStandardPaths::findExecutable(QStringLiteral("espeak-ng"));
    if (espeak.isEmpty())
        GTEST_SKIP() << "espeak-ng is not installed";
    QProcess process;
    process.start(espeak, {QStringLiteral("--stdout"), QStringLiteral("-s"), QStringLiteral("150"),
                           QStringLiteral("The narration of this slide tells how the old harbour was rebuilt after "
                                          "the storm, stone by stone, over seven long summers.")});
    ASSERT_TRUE(process.waitForFinished(20000));
    const QByteArray wave = process.readAllStandardOutput();
    // espeak-ng writes 22050 Hz mono 16-bit behind a 44-byte header.
    ASSERT_GT(wave.size(), 44 + rate);
    const std::vector<std::int16_t> voice = speechsignal::fromBytes(wave.constData() + 44, size_t(wave.size() - 44));
    std::vector<double> signal(voice.begin(), voice.end());
    const double peak =
        *std::max_element(signal.begin(), signal.end(), [](double a, double b) { return std::abs(a) < std::abs(b); });
    for (double& value : signal)
        value /= std::abs(peak);
    for (const double level : {-30.0, -23.0, -8.0}) {
        SCOPED_TRACE(level);
        expectEvened(speechsignal::atLoudness(signal, level));
    }
}

TEST(Loudness, GivenStereoSpeech_WhenNormalised_ThenBothChannelsTogetherMeetTheTarget)
{
    expectEvened(speechsignal::atLoudness(speechsignal::speechLike(6.0, rate, 3), -27, rate, 2), 2);
}

TEST(Loudness, GivenFullScaleSquareWaves_WhenNormalised_ThenTheirTruePeaksAreLimited)
{
    // The interpolated wave rings past full scale at every edge.
    for (const int period : {2, 7, 50}) {
        SCOPED_TRACE(period);
        std::vector<std::int16_t> square(size_t(rate * 4));
        for (size_t i = 0; i < square.size(); ++i)
            square[i] = (i / size_t(period)) % 2 ? std::int16_t(-32768) : std::int16_t(32767);
        ASSERT_GT(meter(square).truePeakDb, 0.0);
        const std::vector<std::int16_t> out = loudness::normalised(square, rate);
        ASSERT_EQ(out.size(), square.size());
        EXPECT_LE(meter(out).truePeakDb, loudness::TruePeakCeilingDb);
        EXPECT_NEAR(meter(out).lufs, loudness::TargetLufs, 0.5);
    }
}

TEST(Loudness, GivenQuietSpeechWithAFullScaleToneBurst_WhenNormalised_ThenTheBurstIsTurnedDownSmoothlyNotClipped)
{
    // Short enough to leave the speech above the relative gate, so the speech is raised and
    // the burst must be held down by about as much.
    std::vector<std::int16_t> in = speechsignal::atLoudness(speechsignal::speechLike(20.0, rate, 11), -32);
    const std::vector<std::int16_t> burst = tone(0.15, 440, 0.95);
    const size_t start = size_t(10 * rate);
    std::copy(burst.begin(), burst.end(), in.begin() + std::ptrdiff_t(start));
    ASSERT_GT(loudness::gainToTarget(loudness::measure(in, rate)), 6.0);
    const std::vector<std::int16_t> out = loudness::normalised(in, rate);
    EXPECT_LE(meter(out).truePeakDb, loudness::TruePeakCeilingDb);
    EXPECT_TRUE(keepsSigns(in, out));

    // In the burst's middle the gain is steady: the output is the same sine, scaled, close to
    // the ceiling. A clipper would flatten its tops and leave a large residual.
    const size_t from = start + size_t(0.05 * rate);
    const size_t to = start + size_t(0.1 * rate);
    double inEnergy = 0;
    double cross = 0;
    for (size_t i = from; i < to; ++i) {
        inEnergy += double(in[i]) * in[i];
        cross += double(in[i]) * out[i];
    }
    const double scale = cross / inEnergy;
    double residual = 0;
    double outPeak = 0;
    for (size_t i = from; i < to; ++i) {
        residual += std::pow(out[i] - scale * in[i], 2.0);
        outPeak = std::max(outPeak, std::abs(double(out[i])));
    }
    EXPECT_LT(10 * std::log10(residual / (scale * scale * inEnergy)), -50.0) << "the burst is not distorted";
    EXPECT_NEAR(20 * std::log10(outPeak / 32768.0), loudness::TruePeakCeilingDb, 0.6);
}

TEST(Loudness, GivenTakesTooShortOrTooQuietToMeasure_WhenNormalised_ThenTheyComeBackUnchanged)
{
    const std::vector<std::int16_t> zeros(size_t(rate * 5), 0);
    EXPECT_EQ(loudness::normalised(zeros, rate), zeros);
    EXPECT_TRUE(loudness::measure(zeros, rate).silent);

    // Shorter than one 400 ms measuring block: no integrated loudness.
    std::vector<std::int16_t> click = tone(0.1, 1000, 0.9);
    EXPECT_TRUE(loudness::measure(click, rate).silent);
    EXPECT_EQ(loudness::normalised(click, rate), click);

    // Room hiss under the absolute gate (-70 LUFS).
    std::vector<std::int16_t> hiss(size_t(rate * 4));
    for (size_t i = 0; i < hiss.size(); ++i)
        hiss[i] = std::int16_t((i * 7919) % 3) - 1;
    ASSERT_LT(meter(hiss).lufs, -70.0);
    EXPECT_EQ(loudness::normalised(hiss, rate), hiss);

    EXPECT_TRUE(loudness::normalised({}, rate).empty());
    // Half a stereo frame, or a rate no meter takes, is not measured either.
    const std::vector<std::int16_t> speech = speechsignal::atLoudness(speechsignal::speechLike(2.0), -30);
    std::vector<std::int16_t> ragged(speech.begin(), speech.end() - 1);
    EXPECT_EQ(loudness::normalised(ragged, rate, 2), ragged);
    EXPECT_EQ(loudness::normalised(speech, 0), speech);
}

TEST(Loudness, GivenAVeryQuietTake_WhenNormalised_ThenItIsRaisedByTheCapOnly)
{
    const std::vector<std::int16_t> in = speechsignal::atLoudness(speechsignal::speechLike(6.0, rate, 5), -52);
    const std::vector<std::int16_t> out = loudness::normalised(in, rate);
    EXPECT_NEAR(meter(out).lufs, -52 + loudness::MaxGainDb, 0.3);
    EXPECT_LE(meter(out).truePeakDb, loudness::TruePeakCeilingDb);
}

TEST(Loudness, GivenATakeAlreadyAtTheTarget_WhenNormalisedAgain_ThenItStaysThere)
{
    const std::vector<std::int16_t> once =
        loudness::normalised(speechsignal::atLoudness(speechsignal::speechLike(6.0, rate, 9), -24), rate);
    const std::vector<std::int16_t> twice = loudness::normalised(once, rate);
    EXPECT_NEAR(meter(twice).lufs, loudness::TargetLufs, 0.3);
    EXPECT_LE(meter(twice).truePeakDb, loudness::TruePeakCeilingDb);
}
