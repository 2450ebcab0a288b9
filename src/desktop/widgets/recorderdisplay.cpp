#include "desktop/widgets/recorderdisplay.h"

#include "story/text.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int BarWidth = 204;

} // namespace

ProgressBarGeometry progressBar(int clientWidth, int clientHeight, float ratio, RecorderState state, bool playing)
{
    ProgressBarGeometry g;
    // Integer division truncates toward zero, also for windows narrower than the bar.
    g.left = (clientWidth - 473) / 2 + 260;
    g.top = clientHeight - 76;
    const int left = g.left;
    const int top = g.top;

    if (ratio != 0.0f) {
        // Capped in floating point first: the cap gives the same pixels and no overflow.
        const int n = int(std::floor(std::min(ratio * float(BarWidth), float(BarWidth + 1))));
        g.filled = BarRect{left + 1, top + 1, left + n, top + 9};
        if (playing)
            g.filledColour = QColor(0, 255, 0);
        else if (state == RecorderState::Recording)
            g.filledColour = QColor(255, 0, 0);
        else if (state == RecorderState::Paused)
            g.filledColour = QColor(210, 9, 9);
        else
            g.filledColour = QColor(0, 0, 0);
    }
    const int m = int(std::min(ratio * float(BarWidth), float(BarWidth)));
    g.rest = BarRect{left + m, top + 1, left + 205, top + 9};

    const QColor grey(128, 128, 128);
    const QColor white(255, 255, 255);
    g.frame[0] = BarLine{left, top, left + 206, top, grey};
    g.frame[1] = BarLine{left, top, left, top + 10, grey};
    g.frame[2] = BarLine{left + 206, top, left + 206, top + 10, white};
    g.frame[3] = BarLine{left, top + 10, left + 206, top + 10, white};
    return g;
}

StatusText statusText(RecorderState state, bool hasCurrentSlide, bool soundArrived)
{
    StatusText s;
    switch (state) {
    case RecorderState::Playing:
        s = {QStringLiteral("Playing   "), QColor(0, 153, 0)};
        break;
    case RecorderState::Recording:
        // Until the first sound arrives the author is not heard yet: not "Recording".
        s = soundArrived ? StatusText{QStringLiteral("Recording "), QColor(200, 0, 0)}
                         : StatusText{QStringLiteral("Starting  "), QColor(128, 128, 128)};
        break;
    case RecorderState::Paused:
        s = {QStringLiteral("Paused    "), QColor(165, 9, 9)};
        break;
    case RecorderState::Stopped:
        s = {QStringLiteral("Stopped   "), QColor(128, 128, 128)};
        break;
    }
    if (!hasCurrentSlide)
        s.word.clear();
    return s;
}

QColor statusTimeColour()
{
    return QColor(247, 79, 13);
}

QString statusTimeText(RecorderState state, bool hasCurrentSlide, int playedSeconds, int recordedSeconds,
                       int narrationLength)
{
    if (!hasCurrentSlide)
        return {};
    switch (state) {
    case RecorderState::Playing:
        return text::formatDuration(playedSeconds);
    case RecorderState::Recording:
    case RecorderState::Paused:
        return text::formatDuration(recordedSeconds);
    case RecorderState::Stopped:
        break;
    }
    return text::formatDuration(narrationLength);
}
