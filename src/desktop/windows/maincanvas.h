#pragma once

#include <QList>
#include <QScrollArea>
#include <QUrl>
#include <QWidget>

#include <functional>

//! The main window's client area: paints its background and what the window draws on it (the
//! audio progress bar), and hands wheel turns, resizes and dropped files to the window.
class MainCanvas : public QWidget
{
public:
    explicit MainCanvas(QWidget* parent);

    std::function<void(QPainter&)> paint;
    std::function<void(int)> wheel;
    std::function<void()> resized;
    std::function<bool()> takesDrops;
    std::function<void(const QList<QUrl>&, QPoint)> dropped;

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

//! Holds the canvas in a window smaller than the canvas's minimum (a small screen) and
//! scrolls it then; with room enough it shows no scroll bar and the canvas fills it. Leaves
//! the arrow and page keys to the window, which steps through the slides with them.
class ClientScroller : public QScrollArea
{
public:
    ClientScroller(QWidget* canvas, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
