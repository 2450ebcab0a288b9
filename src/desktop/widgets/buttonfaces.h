#pragma once

#include <QPixmap>

#include <functional>

//! The three faces of one face set of a skinned button; a null face is not drawn.
struct ButtonFaces
{
    QPixmap normal;
    QPixmap hover;
    QPixmap pressed;
};

//! Draws a face set for a device pixel ratio (faces of size × ratio pixels carrying the ratio).
using FaceRenderer = std::function<ButtonFaces(qreal devicePixelRatio)>;
