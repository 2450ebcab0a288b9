#pragma once

#include <QColor>
#include <QWidget>

//! A horizontal input level meter on a decibel scale (-60 to 0 dBFS): the RMS level as a
//! solid bar, the peak as a thin marker that holds a moment and then falls. Green, amber
//! above -12 dBFS, red near clipping. Takes plain levels, so it works with any source;
//! small enough for a strip of 82 × 10 pixels. GUI thread only.
class LevelMeter : public QWidget
{
    Q_OBJECT
public:
    //! The quietest level shown, in dBFS; anything below draws nothing.
    static constexpr float DecibelFloor = -60.0f;
    //! Above this the bar turns amber.
    static constexpr float AmberDecibels = -12.0f;
    //! From this peak on (about -1 dBFS) the bar turns red; the input is close to clipping.
    static constexpr float ClippingPeak = 0.9f;
    //! Level updates the peak marker stays put before it falls (half a second at 25 a second).
    static constexpr int HoldUpdates = 12;
    //! How far the marker falls per update once the hold is over, in dB.
    static constexpr float FallDecibels = 1.5f;

    explicit LevelMeter(QWidget* parent = nullptr);

    //! The latest peak and RMS as fractions of full scale (0..1; other values are clamped,
    //! NaN counts as silence). Called once per measurement; the marker's hold counts these calls.
    void setLevel(float peak, float rms);
    //! Back to silence with no marker, as when the input stopped.
    void clear();

    float peak() const { return m_peak; }
    float rms() const { return m_rms; }
    //! The level the peak marker stands at.
    float heldPeak() const { return m_heldPeak; }

    //! 20·log10(level), not below DecibelFloor (also for silence).
    static float toDecibels(float level);
    //! Where a level lies on the meter: 0 at the floor, 1 at full scale.
    static float scalePosition(float level);
    //! The colour for a peak: red near clipping, amber above -12 dBFS, else green.
    static QColor colourFor(float peak);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    float m_peak = 0;
    float m_rms = 0;
    float m_heldPeak = 0;
    int m_holdLeft = 0;
};
