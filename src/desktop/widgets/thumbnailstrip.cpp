#include "desktop/widgets/thumbnailstrip.h"

#include "story/slide.h"
#include "story/story.h"
#include "story/text.h"

#include <QGuiApplication>
#include <QMenu>
#include <QScrollBar>
#include <QTimerEvent>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int ScrollBarHeight = 10;
constexpr int LineStep = StripPositions::SlotPitch;
// A line scroll while dragging moves slowly enough to aim a drop.
constexpr int DragLineStep = 30;
// Edge scrolling starts this close to either side while dragging: wider than the inset that
// keeps the drag cursor inside the strip, so a pointer held against an edge reaches it.
constexpr int EdgeZone = 12;
// Eighths of a degree in one wheel notch.
constexpr int WheelNotch = 120;

// Step of the smooth scroll d pixels from its target: a glide's steps, at most 64.
int scrollStep(int d)
{
    return StripPositions::glideStep(std::min(d, 400));
}

// One scroll step from current towards target.
int stepTowards(int current, int target, int step)
{
    const int d = std::abs(current - target);
    if (d <= 3)
        return target;
    return current < target ? current + step : current - step;
}

} // namespace

ThumbnailStrip::ThumbnailStrip(Story& story, SkinResources& skin, QWidget* parent)
    : QWidget(parent), m_story(story), m_skin(skin), m_scrollBar(new QScrollBar(Qt::Horizontal, this))
{
    setObjectName(QStringLiteral("THUMB_CLASS"));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    // Painting covers every pixel: no background erase, so the 10 ms animation does not flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);

    m_scrollBar->setFocusPolicy(Qt::NoFocus);
    m_scrollBar->setSingleStep(LineStep);
    m_scrollBar->setPageStep(LineStep);
    connect(m_scrollBar, &QScrollBar::actionTriggered, this, &ThumbnailStrip::scrollBarAction);
    connect(&m_story, &Story::slideReady, this, qOverload<>(&QWidget::update));
    connect(&m_story, &Story::slideAdded, this, &ThumbnailStrip::onSlideAdded);
    connect(&m_story, &Story::slideRemoved, this, &ThumbnailStrip::onSlideRemoved);
    connect(&m_story, &Story::slideMoved, this, &ThumbnailStrip::onSlidesMoved);
    connect(&m_story, &Story::storyReset, this, &ThumbnailStrip::onStoryReset);
    connect(&m_story, &Story::currentChanged, this, &ThumbnailStrip::onCurrentChanged);
    onStoryReset();

    m_edgeTimer.start(100, this);
    m_animationTimer.start(10, this);
    recomputeScrollRange();
}

ThumbnailStrip::~ThumbnailStrip()
{
    m_edgeTimer.stop();
    m_animationTimer.stop();
}

int ThumbnailStrip::clientHeight() const
{
    return std::max(0, height() - ScrollBarHeight);
}

QString ThumbnailStrip::lengthLabel(int index) const
{
    const Slide* slide = m_story.slideAt(index);
    return slide ? text::formatDuration(slide->narrationLength()) : QString();
}

std::vector<int> ThumbnailStrip::order() const
{
    std::vector<int> ids;
    ids.reserve(size_t(m_story.count()));
    for (int i = 0; i < m_story.count(); ++i)
        ids.push_back(m_story.slideAt(i)->id());
    return ids;
}

StripPositions::Place ThumbnailStrip::placeOf(int index) const
{
    const Slide* slide = m_story.slideAt(index);
    return slide ? m_positions.place(slide->id(), index) : StripPositions::Place{};
}

bool ThumbnailStrip::isSelected(int index) const
{
    const Slide* slide = m_story.slideAt(index);
    return slide && m_positions.isSelected(slide->id());
}

void ThumbnailStrip::resumeGlide()
{
    m_positions.unsettle();
}

void ThumbnailStrip::onSlideAdded(int index)
{
    m_positions.arrive(order(), index);
    // Slides added after a click beside the thumbnails still show which one is current.
    frameOnly(m_story.currentIndex());
    update();
}

void ThumbnailStrip::onSlideRemoved(int index)
{
    m_positions.leave(order(), index);
    update();
}

void ThumbnailStrip::onSlidesMoved()
{
    m_positions.lineUp(order());
    update();
}

void ThumbnailStrip::onStoryReset()
{
    m_positions.reset(order());
    m_markerSlot = NoMarker;
    // A story just shown frames its current slide.
    frameOnly(m_story.currentIndex());
    update();
}

void ThumbnailStrip::onCurrentChanged(int index)
{
    frameOnly(index);
    update();
}

void ThumbnailStrip::frameOnly(int index)
{
    if (const Slide* slide = m_story.slideAt(index))
        m_positions.selectOnly(slide->id());
    else
        m_positions.clearSelection();
}

void ThumbnailStrip::selectSlide(int index)
{
    m_story.select(index);
    // Already current: the story tells nothing, but the frame still goes to it alone.
    frameOnly(index);
}

void ThumbnailStrip::recomputeScrollRange()
{
    m_scrollMaximum = std::max(0, StripPositions::SlotPitch * m_story.count() + StripPositions::FirstSlot - width());
    const QSignalBlocker quiet(m_scrollBar);
    m_scrollBar->setRange(0, m_scrollMaximum);
    // Nothing to scroll: the arrows grey out instead of stepping nowhere.
    m_scrollBar->setEnabled(m_scrollMaximum > 0);
}

void ThumbnailStrip::scrollIntoView(int index)
{
    const int left = StripPositions::SlotPitch * index;
    const int right = left + StripPositions::SlotPitch;
    if (left < m_scrollPosition)
        m_scrollTarget = left - StripPositions::FirstSlot;
    else if (m_scrollPosition + width() < right)
        m_scrollTarget = right - width() + StripPositions::FirstSlot;
    else
        return;
    m_scrollAnimating = true;
}

int ThumbnailStrip::dropIndex(int clientX) const
{
    const int x = clientX + m_scrollPosition;
    if (x <= 0)
        return -1;
    for (int i = 0; i < m_story.count(); ++i)
        if (x <= StripPositions::slotX(i) + 37)
            return i;
    return -1;
}

void ThumbnailStrip::resetScroll()
{
    m_scrollTarget = 0;
    m_scrollAnimating = false;
    setScrollPosition(0);
    recomputeScrollRange();
}

void ThumbnailStrip::lineScroll(int direction)
{
    setFocus(Qt::OtherFocusReason);
    const int step = m_dragSource != -1 ? DragLineStep : LineStep;
    m_scrollTarget = std::clamp(m_scrollTarget + direction * step, 0, m_scrollMaximum);
    m_scrollAnimating = true;
}

void ThumbnailStrip::wheelScroll(int delta)
{
    if (delta == 0)
        return;
    const int notches = std::max(1, std::abs(delta) / WheelNotch);
    for (int i = 0; i < notches; ++i)
        lineScroll(delta > 0 ? -1 : 1);
}

void ThumbnailStrip::pageScroll(int direction)
{
    setFocus(Qt::OtherFocusReason);
    m_scrollTarget = std::clamp(m_scrollTarget + direction * LineStep, 0, m_scrollMaximum);
    m_scrollAnimating = true;
}

void ThumbnailStrip::setScrollPosition(int position)
{
    m_scrollPosition = position;
    const QSignalBlocker quiet(m_scrollBar);
    m_scrollBar->setValue(position);
    // The canvas moved under a pointer held still: the gap and the bar follow it.
    if (m_dragSource != -1)
        updateGap(m_dragX);
    update();
}

void ThumbnailStrip::thumbTo(int position)
{
    setFocus(Qt::OtherFocusReason);
    const int clamped = std::clamp(position, 0, m_scrollMaximum);
    m_scrollTarget = clamped;
    setScrollPosition(clamped);
}

void ThumbnailStrip::scrollBarAction(int action)
{
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
    case QAbstractSlider::SliderSingleStepAdd:
    case QAbstractSlider::SliderPageStepSub:
    case QAbstractSlider::SliderPageStepAdd: {
        // The bar already moved its slider one step; the smooth scroll carries it instead.
        m_scrollBar->setSliderPosition(m_scrollPosition);
        const bool add = action == QAbstractSlider::SliderSingleStepAdd || action == QAbstractSlider::SliderPageStepAdd;
        const bool line =
            action == QAbstractSlider::SliderSingleStepSub || action == QAbstractSlider::SliderSingleStepAdd;
        line ? lineScroll(add ? 1 : -1) : pageScroll(add ? 1 : -1);
        break;
    }
    case QAbstractSlider::SliderMove:
    case QAbstractSlider::SliderToMinimum:
    case QAbstractSlider::SliderToMaximum:
        thumbTo(m_scrollBar->sliderPosition());
        break;
    default:
        break;
    }
}

void ThumbnailStrip::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_animationTimer.timerId())
        animationTick();
    else if (event->timerId() == m_edgeTimer.timerId())
        edgeTick();
    else
        QWidget::timerEvent(event);
}

void ThumbnailStrip::animationTick()
{
    if (!m_positions.isSettled() && m_positions.glide())
        update();

    if (!m_scrollAnimating || m_story.count() == 0)
        return;
    const int p = m_scrollPosition;
    if (p == m_scrollTarget) {
        m_scrollAnimating = false;
        return;
    }
    const int next =
        std::clamp(stepTowards(p, m_scrollTarget, scrollStep(std::abs(p - m_scrollTarget))), 0, m_scrollMaximum);
    if (next == p) {
        // A target outside the range (scrolling the first slide into view aims at −20) is
        // never reached: the scroll ends at the range's end.
        m_scrollTarget = p;
        m_scrollAnimating = false;
        return;
    }
    setScrollPosition(next);
}

void ThumbnailStrip::edgeTick()
{
    if (QGuiApplication::mouseButtons() & Qt::LeftButton) {
        if (m_dragSource == -1 || !hasFocus())
            return;
        // The last drag event's position: the pointer stays grabbed while the button is held.
        if (m_dragX >= width() - EdgeZone)
            lineScroll(1);
        else if (m_dragX < EdgeZone)
            lineScroll(-1);
        return;
    }
    if (m_dragSource != -1)
        endDrag();
}

void ThumbnailStrip::endDrag()
{
    m_cursorConfined = false;
    m_dragSource = -1;
    m_markerSlot = NoMarker;
    m_positions.aimHome();
    update();
}
