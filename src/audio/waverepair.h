#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

//! A wave file that the recorder was writing when the program died: its size fields may
//! declare less than the samples that reached the disk. Brings them up to what is there
//! (whole frames, within the 32-bit limits) and returns the sample bytes the file then
//! declares; nullopt when the file is not a PCM wave with the plain 44-byte header the
//! recorder writes (such a file is left as it is).
std::optional<quint32> repairRecordedWave(const QString& path);
