#pragma once

#include "pictures/rasterpicture.h"

#include <QSize>

//! The cubic filters the slide and thumbnail JPEGs are resampled with.
enum class ResampleFilter {
    Spline,    //!< B-spline (B = 1, C = 0): smooth, no ringing; the slide picture
    CatmullRom //!< Catmull-Rom (B = 0, C = 0.5): sharper; the thumbnail
};

//! The picture resampled to size (smaller or larger) in two separable passes, weighting
//! the source pixels the way ImageMagick's resize does with the same filter: the filter
//! is widened by the reduction when shrinking and the weights of each pixel add up to one.
//! Works on the stored sRGB values, as ImageMagick does. A null picture or an empty size
//! gives a null picture.
RasterPicture resampled(const RasterPicture& picture, const QSize& size, ResampleFilter filter);
