#pragma once

#include <QtGlobal>

#include <optional>

//! The microphone-setup slider runs from 0 to 100; these map it onto a volume control of
//! range 0..max, rounding up both ways.
namespace microphonescale {

constexpr int SliderMax = 100;

//! numerator / denominator rounded up, exactly (denominator > 0).
constexpr qint64 ceilDiv(qint64 numerator, qint64 denominator)
{
    const qint64 q = numerator / denominator;
    return q * denominator < numerator ? q + 1 : q;
}

//! The slider position for a volume: ceil(volume / max × 100); none when max is not above 0.
constexpr std::optional<int> volumeToSlider(int volume, int max)
{
    if (max <= 0)
        return std::nullopt;
    // Exact integer ceiling: 7 of 100 must stay 7, not become 8 through 0.07 × 100 = 7.000…1.
    return int(ceilDiv(qint64(volume) * SliderMax, max));
}

//! The volume for a slider position: ceil(position × max / 100).
constexpr int sliderToVolume(int position, int max)
{
    return int(ceilDiv(qint64(position) * max, SliderMax));
}

} // namespace microphonescale
