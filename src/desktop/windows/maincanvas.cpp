#include "desktop/windows/maincanvas.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QWheelEvent>

MainCanvas::MainCanvas(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("client"));
    setAcceptDrops(true);
    setAutoFillBackground(false);
}

void MainCanvas::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    if (paint)
        paint(painter);
}

void MainCanvas::wheelEvent(QWheelEvent* event)
{
    if (wheel)
        wheel(event->angleDelta().y());
    event->accept();
}

void MainCanvas::resizeEvent(QResizeEvent*)
{
    if (resized)
        resized();
}

void MainCanvas::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls() && takesDrops && takesDrops())
        event->acceptProposedAction();
}

void MainCanvas::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls() && takesDrops && takesDrops())
        event->acceptProposedAction();
}

void MainCanvas::dropEvent(QDropEvent* event)
{
    if (!event->mimeData()->hasUrls() || !dropped)
        return;
    event->acceptProposedAction();
    dropped(event->mimeData()->urls(), event->position().toPoint());
}

ClientScroller::ClientScroller(QWidget* canvas, QWidget* parent) : QScrollArea(parent)
{
    setObjectName(QStringLiteral("clientScroller"));
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    setWidgetResizable(true);
    setWidget(canvas);
}

void ClientScroller::keyPressEvent(QKeyEvent* event)
{
    event->ignore();
}
