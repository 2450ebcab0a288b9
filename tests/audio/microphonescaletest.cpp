#include "audio/microphonescale.h"

#include <gtest/gtest.h>

namespace {

TEST(MicrophoneScale, RoundsUpBothWays)
{
    using namespace microphonescale;
    EXPECT_EQ(volumeToSlider(32768, 65535), 51);
    EXPECT_EQ(sliderToVolume(25, 65535), 16384);
    EXPECT_EQ(volumeToSlider(0, 65535), 0);
    EXPECT_EQ(volumeToSlider(65535, 65535), 100);
    EXPECT_EQ(volumeToSlider(7, 100), 7);
    EXPECT_EQ(volumeToSlider(65536, 65536), 100);
    EXPECT_EQ(volumeToSlider(16384, 65536), 25);
    EXPECT_EQ(sliderToVolume(100, 65536), 65536);
    EXPECT_EQ(sliderToVolume(1, 65536), 656);
    EXPECT_EQ(sliderToVolume(0, 65536), 0);
}

TEST(MicrophoneScale, NoPositionWithoutARange)
{
    EXPECT_FALSE(microphonescale::volumeToSlider(10, 0).has_value());
    EXPECT_FALSE(microphonescale::volumeToSlider(10, -1).has_value());
}

} // namespace
