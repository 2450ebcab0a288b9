#pragma once

#include <QString>

//! Text helpers shared by every fixed-capacity field of the program.
namespace text {

//! At most capacity − 1 UTF-16 code units of s; never ends inside a surrogate pair.
QString cut(const QString& s, int capacity);

//! Every lone CR or lone LF becomes CR LF; existing CR LF pairs stay.
QString normalizeLineBreaks(const QString& s);

//! Line breaks (CR LF, CR, LF) become single spaces: for fields that are one line in the story file.
QString oneLine(const QString& s);

//! Minutes ":" seconds, "%d:%d" when the seconds part is above 9 and "%d:0%d" otherwise.
QString formatDuration(int seconds);

} // namespace text
