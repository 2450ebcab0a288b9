#include "desktop/widgets/thumbnailstrip.h"
#include "story/moveslidecommand.h"

#include "story/slide.h"
#include "story/story.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>

namespace {

constexpr int PictureTop = 20;
constexpr int PictureBottom = 95;
constexpr int LabelBottom = 115;
constexpr int PictureSize = 75;
// Half a thumbnail: where a slot's boundary lies.
constexpr int HalfPicture = 37;
// The drag cursor stays this far inside the strip's left and right edges.
constexpr int ConfineInset = 4;
// Drag cursor pixels of this colour are transparent.
const QRgb dragCursorKey = qRgb(255, 255, 254);

bool insideColumn(int x, int left)
{
    return left <= x && x < left + PictureSize;
}

} // namespace

int ThumbnailStrip::homeHit(QPoint client) const
{
    const int x = client.x() + m_scrollPosition;
    if (client.y() < PictureTop || client.y() >= PictureBottom)
        return -1;
    for (int i = 0; i < m_story.count(); ++i)
        if (insideColumn(x, placeOf(i).home))
            return i;
    return -1;
}

int ThumbnailStrip::pictureOrLabelHit(QPoint client, bool* labelHit) const
{
    const int x = client.x() + m_scrollPosition;
    const int y = client.y();
    for (int i = 0; i < m_story.count(); ++i) {
        if (!insideColumn(x, placeOf(i).drawn))
            continue;
        if (y >= PictureTop && y < PictureBottom) {
            *labelHit = false;
            return i;
        }
        if (y >= PictureBottom && y < LabelBottom) {
            *labelHit = true;
            return i;
        }
    }
    *labelHit = false;
    return -1;
}

int ThumbnailStrip::insertionSlot(int clientX) const
{
    // Measured on the home slots, which the gap does not move: the left half of a thumbnail
    // means before it, the right half after it, wherever the pointer came from.
    const int x = clientX + m_scrollPosition;
    for (int i = 0; i < m_story.count(); ++i)
        if (x <= StripPositions::slotX(i) + HalfPicture)
            return i - 1;
    return m_story.count() - 1;
}

void ThumbnailStrip::selectAt(QPoint client)
{
    m_positions.clearSelection();
    const int hit = homeHit(client);
    if (hit != -1) {
        selectSlide(hit);
    }
    update();
}

void ThumbnailStrip::mousePressEvent(QMouseEvent* event)
{
    const QPoint client = event->position().toPoint();
    if (event->button() == Qt::RightButton) {
        showContextMenu(client, event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    selectAt(client);
    setFocus(Qt::MouseFocusReason);
    const int hit = homeHit(client);
    if (hit == -1) {
        m_dragSource = -1;
        return;
    }
    startDrag(hit, client);
}

void ThumbnailStrip::startDrag(int index, QPoint client)
{
    const Slide& slide = *m_story.slideAt(index);
    const QPoint hotspot((client.x() + m_scrollPosition) % StripPositions::SlotPitch - StripPositions::FirstSlot,
                         client.y() - PictureTop);
    m_dragCursor.create(dragImage(slide), dragCursorKey, hotspot);
    setCursor(m_dragCursor.current());
    // Wayland gives clients no say over the pointer's position; the drag works without confinement.
    m_cursorConfined = !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    m_dragSource = index;
    // The bar appears with the first move; a click alone shows none.
    m_dragX = client.x();
    emit cueCardCommand(ShowCueText, index);
}

void ThumbnailStrip::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() == Qt::NoButton && event->modifiers() == Qt::NoModifier) {
        setCursor(Qt::ArrowCursor);
        return;
    }
    if (m_dragSource == -1)
        return;
    setCursor(m_dragCursor.current());
    confineCursor(event->globalPosition().toPoint());
    m_dragX = event->position().toPoint().x();
    updateGap(m_dragX);
}

void ThumbnailStrip::confineCursor(QPoint global)
{
    if (!m_cursorConfined)
        return;
    const QRect frame(mapToGlobal(QPoint(0, 0)), size());
    const QRect allowed = frame.adjusted(ConfineInset, 0, -ConfineInset, 0);
    const QPoint kept(std::clamp(global.x(), allowed.left(), allowed.right()),
                      std::clamp(global.y(), allowed.top(), allowed.bottom()));
    if (kept != global)
        QCursor::setPos(kept);
}

void ThumbnailStrip::updateGap(int clientX)
{
    const int slot = insertionSlot(clientX);
    const bool opened = m_positions.openGap(order(), slot);
    if (opened || slot != m_markerSlot) {
        m_markerSlot = slot;
        update();
    }
}

void ThumbnailStrip::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    setCursor(Qt::ArrowCursor);
    m_dragCursor.release();
    finishDrop(event->position().toPoint().x());
    // The drag source itself is cleared by the next edge-timer tick; the bar goes at once.
    m_markerSlot = NoMarker;
    m_cursorConfined = false;
    update();
}

void ThumbnailStrip::finishDrop(int clientX)
{
    if (m_dragSource == -1)
        return;
    // The slide lands where the bar stands, moved to the release point first.
    m_dragX = clientX;
    updateGap(clientX);
    const int slot = m_markerSlot;
    const int destination = slot < m_dragSource ? slot + 1 : slot;
    if (destination == m_dragSource || destination < 0)
        return;
    // One undoable step: the move, with the moved slide made the current one.
    if (!m_story.push(new MoveSlideCommand(m_story, m_dragSource, destination)))
        return;
    emit cueCardCommand(CueSlideMoved, destination);
    update();
}

void ThumbnailStrip::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    const QPoint client = event->position().toPoint();
    selectAt(client);
    bool labelHit = false;
    m_contextSlide = pictureOrLabelHit(client, &labelHit);
    const Slide* slide = m_story.slideAt(m_contextSlide);
    if (slide && slide->narrationLength() > 0)
        menuCommand(MenuPlay);
}

void ThumbnailStrip::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    wheelScroll(delta);
    event->accept();
}

void ThumbnailStrip::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        emit commandRequested(PreviousSlide);
        break;
    case Qt::Key_Right:
        emit commandRequested(NextSlide);
        break;
    case Qt::Key_Delete:
        for (int i = 0; i < m_story.count(); ++i) {
            if (isSelected(i)) {
                removeSlide(i, false);
                break;
            }
        }
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void ThumbnailStrip::focusOutEvent(QFocusEvent* event)
{
    m_cursorConfined = false;
    QWidget::focusOutEvent(event);
}
