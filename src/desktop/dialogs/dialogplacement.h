#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

//! The part of the screen windows may use (panels and docks left out) of the screen that
//! reference's window is on; the primary screen's when it has none. Empty without screens.
QRect availableScreenArea(const QWidget* reference);

//! The top-left corner that moves a frame of that size from wanted to the nearest place fully
//! inside area; a frame larger than area keeps its top-left corner in it.
QPoint keptInside(QPoint wanted, QSize frame, const QRect& area);

//! Where a window of that frame size goes beside a main window's frame: right of it when
//! there is room, else left of it, else over its lower right corner; top edges level; always
//! inside area.
QPoint besideWindow(const QRect& mainFrame, QSize frame, const QRect& area);

//! Moves window so that its frame's top-left corner is at wanted, or as near as keeps the
//! whole frame on the available area of reference's screen (the window's own when null).
void moveOnScreen(QWidget& window, QPoint wanted, const QWidget* reference = nullptr);

//! Centres dialog over its owner window (its parent's window), moved belowCentre pixels
//! further down and kept inside the owner's screen. Does nothing for a dialog without owner.
void placeOverOwner(QWidget& dialog, int belowCentre = 0);
