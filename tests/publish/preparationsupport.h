#pragma once

#include <QByteArray>
#include <QSize>

class Slide;
class Story;
class TempFolder;

//! A recorder-format narration (22050 Hz, 16-bit, mono, 44-byte header) of that many seconds.
QByteArray narrationWave(int seconds);

//! Adds a picture slide whose source is a fresh JPEG of that size in the folder (number names
//! the file); the slide counts as imported, so it can be removed.
Slide& addPictureSlide(Story& story, const TempFolder& folder, int number, QSize size);

//! Writes a narration of that many seconds into the slide's narration WAV and marks it recorded;
//! slides of different ids get different samples.
void narrate(Slide& slide, const TempFolder& folder, int seconds);

//! Records a speech-like take of that loudness (LUFS) into the slide, as a new take (its MP3 no
//! longer current); slides of different ids get different speech. Returns the WAV's bytes.
QByteArray narrateSpeech(Slide& slide, const TempFolder& folder, double lufs, int seconds);
