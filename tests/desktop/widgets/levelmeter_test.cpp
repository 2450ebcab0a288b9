#include "desktop/widgets/levelmeter.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cmath>

namespace {

enum class Shade {
    Background,
    Green,
    Amber,
    Red
};

Shade shadeOf(QColor c)
{
    if (c.red() > 180 && c.green() < 80 && c.blue() < 80)
        return Shade::Red;
    if (c.red() > 180 && c.green() > 120 && c.blue() < 60)
        return Shade::Amber;
    if (c.green() > 150 && c.red() < 100 && c.blue() < 100)
        return Shade::Green;
    return Shade::Background;
}

QImage shown(LevelMeter& meter)
{
    return meter.grab().toImage();
}

//! Shades along the meter's middle row.
std::vector<Shade> middleRow(LevelMeter& meter)
{
    const QImage image = shown(meter);
    std::vector<Shade> row;
    for (int x = 0; x < image.width(); ++x)
        row.push_back(shadeOf(image.pixelColor(x, image.height() / 2)));
    return row;
}

int countShade(const std::vector<Shade>& row, Shade shade)
{
    return int(std::count(row.begin(), row.end(), shade));
}

//! Level from decibels.
float fromDecibels(float decibels)
{
    return std::pow(10.0f, decibels / 20.0f);
}

TEST(LevelMeter, GivenLevels_WhenPlacedOnTheScale_ThenSixtyDecibelsSpanTheMeter)
{
    EXPECT_FLOAT_EQ(LevelMeter::scalePosition(1.0f), 1.0f);
    EXPECT_NEAR(LevelMeter::scalePosition(fromDecibels(-30)), 0.5f, 1e-5f);
    EXPECT_NEAR(LevelMeter::scalePosition(fromDecibels(-6)), 0.9f, 1e-5f);
    EXPECT_NEAR(LevelMeter::scalePosition(0.001f), 0.0f, 1e-5f);
    // Below the floor, silence, nonsense and overload stay on the scale.
    EXPECT_EQ(LevelMeter::scalePosition(0.0001f), 0.0f);
    EXPECT_EQ(LevelMeter::scalePosition(0.0f), 0.0f);
    EXPECT_EQ(LevelMeter::scalePosition(-1.0f), 0.0f);
    EXPECT_EQ(LevelMeter::scalePosition(std::nanf("")), 0.0f);
    EXPECT_EQ(LevelMeter::scalePosition(4.0f), 1.0f);
}

TEST(LevelMeter, GivenPeaks_WhenColoured_ThenAmberAboveMinusTwelveDecibelsAndRedNearClipping)
{
    EXPECT_EQ(shadeOf(LevelMeter::colourFor(0.0f)), Shade::Green);
    EXPECT_EQ(shadeOf(LevelMeter::colourFor(fromDecibels(-12.1f))), Shade::Green);
    EXPECT_EQ(shadeOf(LevelMeter::colourFor(fromDecibels(-11.9f))), Shade::Amber);
    EXPECT_EQ(shadeOf(LevelMeter::colourFor(0.89f)), Shade::Amber);
    EXPECT_EQ(shadeOf(LevelMeter::colourFor(0.9f)), Shade::Red);
    EXPECT_EQ(shadeOf(LevelMeter::colourFor(1.0f)), Shade::Red);
}

TEST(LevelMeter, GivenTheStripUnderTheTimeDisplay_WhenLevelsArrive_ThenTheBarFollowsThemInItsColour)
{
    LevelMeter meter;
    EXPECT_LE(meter.minimumSizeHint().width(), 82);
    EXPECT_LE(meter.minimumSizeHint().height(), 10);
    meter.resize(82, 10);

    // GIVEN nothing measured yet THEN nothing is drawn
    std::vector<Shade> row = middleRow(meter);
    EXPECT_EQ(countShade(row, Shade::Background), 82);

    // WHEN a quiet voice arrives (-30 dB RMS, -20 dB peak)
    meter.setLevel(0.1f, fromDecibels(-30));
    row = middleRow(meter);
    // THEN a green bar fills half the meter and the peak marker stands two thirds along
    EXPECT_EQ(row[2], Shade::Green);
    EXPECT_EQ(row[38], Shade::Green);
    EXPECT_EQ(row[44], Shade::Background);
    EXPECT_EQ(row[79], Shade::Background);
    const int greens = countShade(row, Shade::Green);
    EXPECT_GE(greens, 40);
    EXPECT_LE(greens, 44);
    EXPECT_EQ(row[54], Shade::Green) << "peak marker at -20 dB";

    // WHEN a loud passage arrives
    meter.setLevel(0.5f, 0.3f);
    row = middleRow(meter);
    EXPECT_EQ(countShade(row, Shade::Green), 0);
    EXPECT_GE(countShade(row, Shade::Amber), 65);

    // WHEN the input is near clipping THEN the whole bar is red
    meter.setLevel(1.0f, 1.0f);
    row = middleRow(meter);
    EXPECT_GE(countShade(row, Shade::Red), 78);
    EXPECT_EQ(countShade(row, Shade::Green) + countShade(row, Shade::Amber), 0);
}

TEST(LevelMeter, GivenALoudPeak_WhenTheInputFallsSilent_ThenTheMarkerHoldsThenFallsAway)
{
    LevelMeter meter;
    meter.resize(200, 14);
    meter.setLevel(1.0f, 0.7f);

    for (int i = 0; i < LevelMeter::HoldUpdates; ++i)
        meter.setLevel(0.0f, 0.0f);
    EXPECT_EQ(meter.heldPeak(), 1.0f);
    std::vector<Shade> row = middleRow(meter);
    // THEN no bar, only the red marker at full scale
    EXPECT_EQ(row[3], Shade::Background);
    EXPECT_EQ(row[100], Shade::Background);
    EXPECT_EQ(row[197], Shade::Red);
    EXPECT_LE(countShade(row, Shade::Red), 4);

    meter.setLevel(0.0f, 0.0f);
    EXPECT_NEAR(LevelMeter::toDecibels(meter.heldPeak()), -LevelMeter::FallDecibels, 1e-3f);

    // A peak below the falling marker leaves it falling; one above catches and holds it again.
    meter.setLevel(0.5f, 0.2f);
    EXPECT_NEAR(LevelMeter::toDecibels(meter.heldPeak()), -2 * LevelMeter::FallDecibels, 1e-3f);
    meter.setLevel(0.9f, 0.2f);
    EXPECT_EQ(meter.heldPeak(), 0.9f);
    for (int i = 0; i < LevelMeter::HoldUpdates; ++i)
        meter.setLevel(0.0f, 0.0f);
    EXPECT_EQ(meter.heldPeak(), 0.9f);

    // -0.9 dB falls past the -60 dB floor on the 40th step of 1.5 dB, and then vanishes.
    for (int i = 0; i < 39; ++i)
        meter.setLevel(0.0f, 0.0f);
    EXPECT_GT(meter.heldPeak(), 0.0f);
    meter.setLevel(0.0f, 0.0f);
    EXPECT_EQ(meter.heldPeak(), 0.0f);
    EXPECT_EQ(countShade(middleRow(meter), Shade::Background), 200);
}

TEST(LevelMeter, GivenAMeterShowingSound_WhenCleared_ThenNothingIsDrawnAndBadLevelsAreTamed)
{
    LevelMeter meter;
    meter.resize(120, 16);
    meter.setLevel(0.95f, 0.5f);
    meter.clear();
    EXPECT_EQ(meter.peak(), 0.0f);
    EXPECT_EQ(meter.heldPeak(), 0.0f);
    EXPECT_EQ(countShade(middleRow(meter), Shade::Background), 120);

    meter.setLevel(std::nanf(""), 3.0f);
    EXPECT_EQ(meter.peak(), 0.0f);
    EXPECT_EQ(meter.rms(), 0.0f);
    meter.setLevel(7.0f, 2.0f);
    EXPECT_EQ(meter.peak(), 1.0f);
    EXPECT_EQ(meter.rms(), 1.0f);
}

} // namespace
