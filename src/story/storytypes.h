#pragma once

#include <QString>
#include <QtGlobal>

//! Story type as stored in "SC_TYPE=". Values 3 and 4 are only ever read from files.
enum class StoryType : qint32 {
    Picture = 1,
    Podcast = 2,
    Slide = 3,
    Picture2 = 4,
};

//! Slide kind as stored in "S%d_TYPE=". Any other value may arrive from a file.
enum class SlideKind : qint32 {
    Picture = 0,
    Segment = 1,
    Legacy = 3,
};

//! Capacities of the fixed text fields, terminator included: at most N − 1 code units are kept.
namespace capacity {
constexpr int Title = 48;
constexpr int Description = 300;
constexpr int Tags = 512;
//! The line "SC_CATEGORY_NAME=" + name must fit one 1022-character read of the story file,
//! so a name the story keeps always reads back whole (the chooser's names are far shorter).
constexpr int CategoryName = 1006;
constexpr int Path = 1024;
constexpr int Owner = 256;
constexpr int Caption = 60;
constexpr int SlideTags = 512;
//! The cue card's 19,999 characters; the story file reads back cues of fewer than 20,000.
constexpr int Cue = 20000;
} // namespace capacity

//! Name shown in the story library's Type column; empty for unknown types.
QString storyTypeName(int type);

//! Longest narration of a slide kind in seconds: 60 for pictures, 900 for segments and kind 3, else 0.
int longestNarration(SlideKind kind);
