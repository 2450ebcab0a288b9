#pragma once

#include <QMargins>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>

class QWidget;
class QWindow;

//! Fitting a top-level window into the free area of a screen (the screen less its panels),
//! with the window manager's frame around the window.
namespace screenfit {

//! The smallest size the window itself (frame excluded) may take: wanted, or less in each
//! direction where the free area cannot hold wanted with the frame around it; never below
//! 1 × 1.
QSize minimumSize(QSize wanted, const QRect& available, const QMargins& frame);

//! frame (the window with its frame) made smaller where it is larger than available and
//! then moved the least distance that puts it inside; unchanged when it already lies inside.
QRect fitInside(const QRect& frame, const QRect& available);

} // namespace screenfit

//! Keeps a top-level window fitted to the free area of its screen: its minimum size is wanted,
//! or less where the screen is smaller, and a shown window larger than that area, or reaching
//! off it, is made smaller and moved onto it. Fits when the window is shown, moves to another
//! screen, when that screen's free area changes and when the window manager first reports the
//! frame; a window that fits is left as it is. GUI thread only; a child of the window.
class ScreenFitter : public QObject
{
public:
    ScreenFitter(QWidget& window, QSize wantedMinimum);

    //! Fits the window now.
    void fit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    //! Follows the window's native window to other screens once it has one.
    void watchScreen();

    QWidget& m_window;
    QSize m_wanted;
    //! The frame the last fit allowed for; the window manager reports it only after showing.
    QMargins m_frame;
    QPointer<QWindow> m_handle;
    QMetaObject::Connection m_areaChanged;
};
