#include "desktop/widgets/skinnedbutton.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

SkinnedButton::SkinnedButton(QWidget* parent, const QRect& geometry, int commandId, const QString& toolTip)
    : QAbstractButton(parent), m_commandId(commandId)
{
    setGeometry(geometry);
    setToolTip(toolTip);
    // Moves without a button held show the hover face even when no enter event came.
    setMouseTracking(true);
    // Tab reaches the button; clicking it leaves the keyboard with the strip or the main window.
    setFocusPolicy(Qt::TabFocus);
    // Screen readers name the button by what it does.
    setAccessibleName(toolTip);
    connect(this, &QAbstractButton::clicked, this, [this] { emit commandTriggered(m_commandId); });
}

void SkinnedButton::setFaces(const ButtonFaces& faces, FaceSet set)
{
    (set == FaceSet::First ? m_first : m_second) = faces;
    (set == FaceSet::First ? m_firstRenderer : m_secondRenderer) = nullptr;
    update();
}

void SkinnedButton::setFaceRenderer(FaceRenderer renderer, FaceSet set)
{
    const qreal ratio = devicePixelRatioF();
    (set == FaceSet::First ? m_first : m_second) = renderer ? renderer(ratio) : ButtonFaces();
    (set == FaceSet::First ? m_firstRenderer : m_secondRenderer) = std::move(renderer);
    m_renderedRatio = ratio;
    update();
}

void SkinnedButton::followDevicePixelRatio()
{
    const qreal ratio = devicePixelRatioF();
    if (qFuzzyCompare(ratio, m_renderedRatio))
        return;
    m_renderedRatio = ratio;
    if (m_firstRenderer)
        m_first = m_firstRenderer(ratio);
    if (m_secondRenderer)
        m_second = m_secondRenderer(ratio);
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
    followDevicePixelRatio();
    const QPixmap& face = currentFace();
    if (face.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, face);
    if (hasFocus())
        paintFocusFrame(painter);
}

void SkinnedButton::paintFocusFrame(QPainter& painter) const
{
    // Black dashes over a white ring, inside a black one: seen on light and on dark art alike.
    const QRect outer = rect().adjusted(0, 0, -1, -1);
    const QRect inner = outer.adjusted(1, 1, -1, -1);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(outer);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(inner);
    painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter.drawRect(inner);
}

void SkinnedButton::keyPressEvent(QKeyEvent* event)
{
    // Space is the button's own key; Enter clicks it too, as it does a dialog's buttons.
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QAbstractButton::keyPressEvent(event);
        return;
    }
    if (event->isAutoRepeat() || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        event->ignore();
        return;
    }
    event->accept();
    // Last: the receiver of the click may hide or delete this button.
    click();
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
