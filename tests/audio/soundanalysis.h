#pragma once

#include <QByteArray>

//! Zero crossings per second of 16-bit mono samples at 22050 Hz: twice the tone's frequency.
double crossingsPerSecond(const QByteArray& samples);
//! The largest absolute 16-bit sample value.
int peakLevel(const QByteArray& samples);
