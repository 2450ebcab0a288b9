#pragma once

#include <QByteArray>

//! The "PLAYTEST" voice sample of the microphone test: a whole wave file, PCM 22050 Hz,
//! 16-bit, mono, 127890 sample bytes. Compiled into the program; made by scripts/make-playtest.sh.
QByteArray playtestSample();
