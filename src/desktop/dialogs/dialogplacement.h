#pragma once

class QWidget;

//! Centres dialog over its owner window (its parent's window), moved belowCentre pixels
//! further down and kept inside the owner's screen. Does nothing for a dialog without owner.
void placeOverOwner(QWidget& dialog, int belowCentre = 0);
