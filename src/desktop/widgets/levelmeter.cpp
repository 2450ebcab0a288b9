#include "desktop/widgets/levelmeter.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

float clampLevel(float level)
{
    if (!(level > 0.0f)) // also NaN
        return 0.0f;
    return std::min(level, 1.0f);
}

} // namespace

LevelMeter::LevelMeter(QWidget* parent) : QWidget(parent)
{
    setAccessibleName(QStringLiteral("Input level"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void LevelMeter::setLevel(float peak, float rms)
{
    m_peak = clampLevel(peak);
    // A buffer's RMS never exceeds its peak; rounding must not draw the bar past the marker.
    m_rms = std::min(clampLevel(rms), m_peak);
    if (m_peak >= m_heldPeak) {
        m_heldPeak = m_peak;
        m_holdLeft = HoldUpdates;
    } else if (m_holdLeft > 0) {
        --m_holdLeft;
    } else {
        const float fallen = toDecibels(m_heldPeak) - FallDecibels;
        m_heldPeak = fallen <= DecibelFloor ? 0.0f : std::max(m_peak, std::pow(10.0f, fallen / 20.0f));
    }
    update();
}

void LevelMeter::clear()
{
    m_peak = 0;
    m_rms = 0;
    m_heldPeak = 0;
    m_holdLeft = 0;
    update();
}

float LevelMeter::toDecibels(float level)
{
    if (!(level > 0.0f))
        return DecibelFloor;
    return std::clamp(20.0f * std::log10(level), DecibelFloor, 0.0f);
}

float LevelMeter::scalePosition(float level)
{
    return (toDecibels(level) - DecibelFloor) / -DecibelFloor;
}

QColor LevelMeter::colourFor(float peak)
{
    if (peak >= ClippingPeak)
        return QColor(0xe0, 0x20, 0x20);
    if (toDecibels(peak) > AmberDecibels)
        return QColor(0xf0, 0xb0, 0x00);
    return QColor(0x30, 0xc0, 0x40);
}

QSize LevelMeter::sizeHint() const
{
    return {200, 14};
}

QSize LevelMeter::minimumSizeHint() const
{
    return {40, 6};
}

void LevelMeter::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect frame = rect();
    painter.fillRect(frame, isEnabled() ? QColor(0x20, 0x20, 0x20) : QColor(0x60, 0x60, 0x60));
    const QRect inner = frame.adjusted(1, 1, -1, -1);
    if (inner.width() <= 0 || inner.height() <= 0)
        return;

    // Thin ticks every 12 dB where there is room for them beside the bar.
    if (inner.height() >= 12) {
        painter.setPen(QColor(0x50, 0x50, 0x50));
        for (int decibels = -48; decibels < 0; decibels += 12) {
            const int x = inner.left() + int(std::lround(inner.width() * (decibels - DecibelFloor) / -DecibelFloor));
            painter.drawLine(x, inner.bottom() - inner.height() / 4, x, inner.bottom());
        }
    }

    const int barWidth = int(std::lround(inner.width() * scalePosition(m_rms)));
    if (m_rms > 0 && barWidth > 0)
        painter.fillRect(QRect(inner.left(), inner.top(), barWidth, inner.height()), colourFor(m_peak));

    if (m_heldPeak > 0 && toDecibels(m_heldPeak) > DecibelFloor) {
        const int markerWidth = std::max(1, inner.height() / 5);
        const int x = inner.left() + int(std::lround((inner.width() - markerWidth) * scalePosition(m_heldPeak)));
        painter.fillRect(QRect(x, inner.top(), markerWidth, inner.height()), colourFor(m_heldPeak));
    }
}
