#include "desktop/widgets/slideview.h"
#include "story/rotateslidecommand.h"

#include "desktop/widgets/skinnedbutton.h"
#include "desktop/widgets/skinresources.h"
#include "story/story.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <utility>

namespace {

constexpr int Margin = 10;
constexpr QSize ButtonSize(47, 26);

} // namespace

SlideView::SlideView(Story& story, SkinResources& skin, QWidget* parent) : QWidget(parent), m_story(story)
{
    setObjectName(QStringLiteral("PREVIEW_CLASS"));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor::fromRgb(BackgroundColour));
    setPalette(colours);
    // paintEvent covers every pixel, so Qt need not erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Moves inside the view show the buttons once slides arrive under a resting pointer.
    setMouseTracking(true);
    setCursor(Qt::ArrowCursor);
    // Tab brings the keyboard here and shows the rotate buttons; a click leaves it where it was.
    setFocusPolicy(Qt::TabFocus);

    m_rotateLeft =
        new SkinnedButton(this, QRect(QPoint(), ButtonSize), RotateLeftCommand, QStringLiteral("Rotate Left"));
    m_rotateLeft->setFaceRenderer(skin.faceRenderer(1400, 1401, 1402, ButtonSize));
    m_rotateRight =
        new SkinnedButton(this, QRect(QPoint(), ButtonSize), RotateRightCommand, QStringLiteral("Rotate Right"));
    m_rotateRight->setFaceRenderer(skin.faceRenderer(1500, 1501, 1502, ButtonSize));
    for (SkinnedButton* button : {m_rotateLeft, m_rotateRight}) {
        button->hideButton();
        button->installEventFilter(this);
        connect(button, &SkinnedButton::commandTriggered, this, &SlideView::onCommand);
    }
    placeButtons();
    // The buttons stay while the keyboard moves between the view and them.
    connect(qApp, &QApplication::focusChanged, this, [this] { updateButtons(); });
    // The picture follows the story: the current slide, its turns and imports, a new story.
    const auto repaint = [this] { update(); };
    connect(&story, &Story::currentChanged, this, repaint);
    connect(&story, &Story::slideChanged, this, repaint);
    connect(&story, &Story::slideReady, this, repaint);
    connect(&story, &Story::slideRemoved, this, repaint);
    connect(&story, &Story::storyReset, this, repaint);
    // Slides arriving or leaving, or a podcast, under the pointer or the keyboard.
    for (auto signal : {&Story::slideAdded, &Story::slideRemoved})
        connect(&story, signal, this, [this] { updateButtons(); });
    connect(&story, &Story::storyInfoChanged, this, [this] { updateButtons(); });
    connect(&story, &Story::storyReset, this, [this] { updateButtons(); });
}

SlideView::~SlideView()
{
    // The buttons go after this body has run; focus leaving them must not reach it.
    disconnect(qApp, nullptr, this, nullptr);
}

QRect SlideView::pictureRect(QSize picture, QSize view)
{
    const qint64 w = picture.width();
    const qint64 h = picture.height();
    const qint64 boxW = view.width() - 2 * Margin;
    const qint64 boxH = view.height() - 2 * Margin;
    if (w <= 0 || h <= 0 || boxW <= 0 || boxH <= 0)
        return {};

    qint64 drawnW = w;
    qint64 drawnH = h;
    if (double(w) / double(h) >= double(boxW) / double(boxH)) {
        if (boxW < w) {
            drawnW = boxW;
            drawnH = h * boxW / w;
        }
    } else if (boxH < h) {
        drawnH = boxH;
        drawnW = w * boxH / h;
    }
    const int x = view.width() / 2 - int(drawnW) / 2;
    const int y = view.height() / 2 - int(drawnH) / 2;
    return QRect(x, y, int(drawnW), int(drawnH));
}

void SlideView::rotateLeft()
{
    rotate(-1);
}

void SlideView::rotateRight()
{
    rotate(1);
}

void SlideView::onCommand(int commandId)
{
    if (commandId == RotateLeftCommand)
        rotateLeft();
    else if (commandId == RotateRightCommand)
        rotateRight();
}

bool SlideView::canRotate() const
{
    if (m_story.count() == 0)
        return false;
    const Slide* slide = m_story.slideAt(m_story.currentIndex());
    // A picture still being imported would be replaced by the import's result anyway.
    return slide && slide->isReady() && slide->kind() != SlideKind::Segment && !slide->picture().isNull();
}

void SlideView::rotate(int quarterTurns)
{
    if (!canRotate())
        return;
    m_story.push(new RotateSlideCommand(m_story, m_story.currentIndex(), quarterTurns));
}

void SlideView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintPicture(painter);
    if (hasFocus()) {
        // The keyboard is here: a dotted ring just inside the edge, over margin or picture.
        const QRect ring = rect().adjusted(1, 1, -2, -2);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(ring);
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(ring);
    }
}

void SlideView::paintPicture(QPainter& painter)
{
    const QColor background = QColor::fromRgb(BackgroundColour);
    const QRect all = rect();
    if (m_story.count() == 0) {
        painter.fillRect(all, background);
        return;
    }

    const Slide* slide = m_story.slideAt(m_story.currentIndex());
    if (!slide || !slide->isReady() || slide->kind() == SlideKind::Segment) {
        painter.fillRect(all, background);
        return;
    }

    const QImage picture = slide->picture();
    const QRect target = pictureRect(picture.size(), size());
    if (target.isEmpty()) {
        painter.fillRect(all, background);
        return;
    }
    // Margins only: an opaque picture covers the rest.
    painter.fillRect(QRect(0, 0, width(), target.top()), background);
    painter.fillRect(QRect(0, target.bottom() + 1, width(), height() - target.bottom() - 1), background);
    painter.fillRect(QRect(0, target.top(), target.left(), target.height()), background);
    painter.fillRect(QRect(target.right() + 1, target.top(), width() - target.right() - 1, target.height()),
                     background);
    if (picture.hasAlphaChannel())
        painter.fillRect(target, background);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, picture);
}

void SlideView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeButtons();
}

void SlideView::placeButtons()
{
    const int w = width();
    const int h = height();
    m_rotateLeft->move(w / 2 - 51, h - 46);
    m_rotateRight->move(w / 2 + 4, h - 46);
}

bool SlideView::offersRotation() const
{
    return m_story.count() > 0 && !m_story.isPodcast();
}

bool SlideView::hasKeyboardInside() const
{
    return hasFocus() || m_rotateLeft->hasFocus() || m_rotateRight->hasFocus();
}

void SlideView::setPointerOver(bool over)
{
    m_pointerOver = over;
    updateButtons();
}

void SlideView::updateButtons()
{
    const bool show = (m_pointerOver || hasKeyboardInside()) && offersRotation();
    for (SkinnedButton* button : {m_rotateLeft, m_rotateRight}) {
        if (show && button->isButtonHidden())
            button->showButton();
        else if (!show && !button->isButtonHidden())
            button->hideButton();
    }
}

void SlideView::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    setPointerOver(true);
}

void SlideView::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    // Moving onto a rotate button keeps the view under the pointer: no leave comes then.
    setPointerOver(false);
}

void SlideView::mouseMoveEvent(QMouseEvent* event)
{
    setPointerOver(rect().contains(event->position().toPoint()));
    event->accept();
}

void SlideView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton)
        emit contextMenuRequested(event->globalPosition().toPoint());
    event->accept();
}

void SlideView::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}

void SlideView::keyPressEvent(QKeyEvent* event)
{
    // Left and Right page through the slides, as they do in the strip; other keys do nothing.
    if ((event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) && event->modifiers() == Qt::NoModifier)
        event->ignore();
    else
        event->accept();
}

void SlideView::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    const bool fromButton = std::exchange(m_focusFromButton, false);
    updateButtons();
    update();
    // Shift+Tab from the control after the buttons: the last button first, as Tab left it.
    if (event->reason() == Qt::BacktabFocusReason && !fromButton && !m_rotateRight->isHidden())
        m_rotateRight->setFocus(Qt::BacktabFocusReason);
}

bool SlideView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && (watched == m_rotateLeft || watched == m_rotateRight))
        m_focusFromButton = QApplication::focusWidget() == this; // already the widget taking over
    return QWidget::eventFilter(watched, event);
}

void SlideView::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}
