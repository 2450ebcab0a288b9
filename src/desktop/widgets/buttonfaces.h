#pragma once

#include <QPixmap>

//! The three faces of one face set of a skinned button; a null face is not drawn.
struct ButtonFaces
{
    QPixmap normal;
    QPixmap hover;
    QPixmap pressed;
};
