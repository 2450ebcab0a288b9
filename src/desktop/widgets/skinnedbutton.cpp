#include "desktop/widgets/skinnedbutton.h"

#include <QMouseEvent>
#include <QPainter>

SkinnedButton::SkinnedButton(QWidget* parent, const QRect& geometry, int commandId, const QString& toolTip)
    : QAbstractButton(parent), m_commandId(commandId)
{
    setGeometry(geometry);
    setToolTip(toolTip);
    // Moves without a button held show the hover face even when no enter event came.
    setMouseTracking(true);
    // Clicking a tool button leaves the keyboard with the strip or the main window.
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QAbstractButton::clicked, this, [this] { emit commandTriggered(m_commandId); });
}

void SkinnedButton::setFaces(const ButtonFaces& faces, FaceSet set)
{
    (set == FaceSet::First ? m_first : m_second) = faces;
    update();
}

const ButtonFaces& SkinnedButton::faces(FaceSet set) const
{
    return set == FaceSet::First ? m_first : m_second;
}

void SkinnedButton::setLatched(bool latched)
{
    m_latched = latched;
    update();
}

void SkinnedButton::setFaceSet2(bool active)
{
    m_faceSet2 = active;
}

void SkinnedButton::hideButton()
{
    m_hidden = true;
    hide();
}

void SkinnedButton::showButton()
{
    m_hidden = false;
    show();
}

const QPixmap& SkinnedButton::currentFace() const
{
    const ButtonFaces& set = m_faceSet2 ? m_second : m_first;
    // isDown() holds only while the pointer is over the held button.
    if (m_latched || isDown())
        return set.pressed;
    // Also held with the pointer dragged off (hover stays set until the release): the
    // user sees that releasing there does nothing.
    if (m_hover)
        return set.hover;
    return set.normal;
}

QSize SkinnedButton::sizeHint() const
{
    return size();
}

void SkinnedButton::paintEvent(QPaintEvent*)
{
    const QPixmap& face = currentFace();
    if (face.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, face);
}

void SkinnedButton::enterEvent(QEnterEvent* event)
{
    m_hover = true;
    update();
    QAbstractButton::enterEvent(event);
}

void SkinnedButton::leaveEvent(QEvent* event)
{
    // While held the button keeps its hover face until the release.
    if (!m_held) {
        m_hover = false;
        update();
    }
    QAbstractButton::leaveEvent(event);
}

void SkinnedButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && hitButton(event->position().toPoint())) {
        m_held = true;
        m_hover = true;
    }
    QAbstractButton::mousePressEvent(event);
    update();
}

void SkinnedButton::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_held && event->buttons() == Qt::NoButton)
        m_hover = hitButton(event->position().toPoint());
    QAbstractButton::mouseMoveEvent(event);
    update();
}

void SkinnedButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_held = false;
        m_hover = hitButton(event->position().toPoint());
        update();
    }
    // Last: the click it may emit can lead the receiver to hide or delete this button.
    QAbstractButton::mouseReleaseEvent(event);
}

void SkinnedButton::hideEvent(QHideEvent* event)
{
    // Hidden under the pointer or mid-press, the button comes back in its normal face.
    m_hover = false;
    m_held = false;
    setDown(false);
    QAbstractButton::hideEvent(event);
}
