#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QJsonObject>
#include <QRect>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

class TempFolder;

//! Test media made at test time, and checks of exported files through the ffmpeg and ffprobe
//! tools and libebur128, independently of the code under test.
namespace exportchecks {

//! A 16-bit PCM wave of a sine tone: seconds long, at rate, with the given peak (0 to 1).
QByteArray toneWave(double seconds, double frequency, double peak, int rate = 22050, int channels = 1);
//! A JPEG of one colour, or of two halves (top, bottom) when bottom is valid.
QString writePicture(const TempFolder& folder, const QString& name, QSize size, QColor top, QColor bottom = QColor());

//! ffprobe's streams and format of the file as JSON ({"streams": [...], "format": {...}}).
QJsonObject probe(const QString& path);
//! The first stream of that type ("video", "audio") in a probe; empty when none.
QJsonObject streamOf(const QJsonObject& probed, const QString& type);
//! Number of streams in a probe.
int streamCount(const QJsonObject& probed);

//! The video frames shown at the given times (in order), decoded by ffmpeg as RGB in one run;
//! a null image for each when they cannot be had. The video runs at framesPerSecond.
std::vector<QImage> framesAt(const QString& path, const std::vector<double>& seconds, int framesPerSecond = 25);
//! The one frame shown at that time.
QImage frameAt(const QString& path, double seconds);
//! Mean colour of the area of the image.
QColor meanColour(const QImage& image, const QRect& area);
//! Largest difference of any channel of two colours.
int colourDistance(QColor a, QColor b);

//! The file's sound decoded by ffmpeg to mono 16-bit at 48 kHz.
std::vector<std::int16_t> decodedSound(const QString& path);
//! EBU R128 integrated loudness of mono samples at rate, measured with libebur128.
double integratedLoudness(const std::vector<std::int16_t>& samples, int rate, double fromSeconds = 0,
                          double toSeconds = 1e9);

//! The top-level box types of an MP4 file, in file order ("ftyp", "moov", "mdat", …).
QStringList topLevelBoxes(const QString& path);

//! Names of the files in a folder, hidden ones included.
QStringList filesIn(const QString& folder);

} // namespace exportchecks
