#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

//! Sound files made for a test by the ffmpeg tool, and measurements of narration takes.
namespace audiofixtures {

//! Runs "ffmpeg -y -v error ARGS… path" and returns path; empty (with the tool's complaint in
//! error) when it failed.
QString makeWithFfmpeg(const QString& path, const QStringList& args, QString* error = nullptr);
//! ffmpeg's input arguments for a sine of that frequency, rate and length from its sine
//! source (amplitude 1/8 of full scale), one channel.
QStringList sineInput(int frequency, int rate, double seconds);
//! The first bytes of the file at path, written to path under another name: a file cut short.
QString truncatedCopy(const QString& path, const QString& to, double keptShare);

//! The samples of a wave file in the narration format (empty when it is not one).
QByteArray narrationSamples(const QString& wavePath);
//! Root mean square of 16-bit samples, in sample units.
double rms(const QByteArray& samples);
//! The tone's frequency from its zero crossings (interpolated between samples) over the
//! samples from first to last, at 22050 Hz.
double toneFrequency(const QByteArray& samples, qsizetype first, qsizetype last);
//! Power of the samples at one frequency (Goertzel), at 22050 Hz, normalised by their count.
double powerAt(const QByteArray& samples, double frequency);
//! Samples that sit on the rail (±32767, −32768) right after another one that does.
int railRuns(const QByteArray& samples);

} // namespace audiofixtures
