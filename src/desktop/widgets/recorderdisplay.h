#pragma once

#include "audio/recorderstate.h"

#include <QColor>
#include <QRect>
#include <QString>

#include <optional>

//! A rectangle in the platform's convention: it covers left..right − 1 and top..bottom − 1.
struct BarRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool isEmpty() const { return right <= left || bottom <= top; }
    //! The pixels covered, as Qt counts them (empty when right ≤ left).
    QRect toQRect() const { return QRect(left, top, right - left, bottom - top); }
};

//! A one-pixel line from (x1, y1) up to but excluding (x2, y2); horizontal or vertical.
struct BarLine
{
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    QColor colour;
};

//! Everything the main window draws for the audio progress bar, in client coordinates.
struct ProgressBarGeometry
{
    int left = 0; //!< origin of the bar's frame
    int top = 0;
    std::optional<BarRect> filled; //!< absent when the ratio is 0
    QColor filledColour;
    BarRect rest;     //!< filled black
    BarLine frame[4]; //!< grey top and left, white right and bottom
};

//! The progress bar for a ratio (0 empty, 1 full) in a client area of the given size; the
//! fill is green while playing, red recording, dark red paused, black otherwise.
ProgressBarGeometry progressBar(int clientWidth, int clientHeight, float ratio, RecorderState state, bool playing);

//! The status window's word and its colour.
struct StatusText
{
    QString word; //!< padded to 10 characters; empty without a current slide
    QColor colour;
};

//! The word shown for the recorder's state; a recording shows "Starting" until sound arrived.
StatusText statusText(RecorderState state, bool hasCurrentSlide, bool soundArrived = true);

//! The colour of the time text under the status word.
QColor statusTimeColour();

//! The time under the status word: played seconds while Playing, recorded seconds while
//! Recording or Paused, the slide's narration length otherwise; empty without a current slide.
QString statusTimeText(RecorderState state, bool hasCurrentSlide, int playedSeconds, int recordedSeconds,
                       int narrationLength);
