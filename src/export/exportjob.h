#pragma once

#include <QSize>
#include <QString>

#include <optional>
#include <vector>

class Story;

//! What an export writes, chosen by the output file's extension.
enum class ExportFormat {
    Mp4, //!< ".mp4": H.264 video and AAC sound, for picture stories
    M4a, //!< ".m4a": AAC sound, for podcasts
    Mp3  //!< ".mp3": MPEG Layer-3 sound, for podcasts
};

//! One slide (or podcast segment) as the export needs it: a copy taken on the story's thread.
struct ExportItem
{
    int number = 0;       //!< its place in the show, from 1, for messages
    QString picturePath;  //!< videos only: the picture to show
    int quarterTurns = 0; //!< turns still to apply to that picture, positive clockwise
    //! 16-bit PCM wave; empty: the slide has no narration and shows for SilentSlideSeconds.
    QString narrationWavPath;
    QString caption; //!< line breaks as LF
};

//! Everything one export needs, copied from the story before the worker starts; holds no
//! pointer into the story.
struct ExportJob
{
    ExportFormat format = ExportFormat::Mp4;
    bool podcast = false; //!< a podcast's segments (sound only) rather than a picture story
    QString outputPath;
    QString title;                 //!< written as the file's title tag
    QSize frameSize{1280, 720};    //!< videos only
    bool captions = false;         //!< burn each slide's caption into its pictures
    bool evenLoudness = true;      //!< bring every narration to one loudness
    std::vector<ExportItem> items; //!< in show order
};

namespace exportlimits {
constexpr int DefaultWidth = 1280;
constexpr int DefaultHeight = 720;
//! The largest frame: a side of at most 3840 and no more pixels than 3840 × 2160.
constexpr int LargestSide = 3840;
constexpr int LargestArea = 3840 * 2160;
constexpr int SmallestSide = 32;
//! A slide without narration is shown this long, in silence.
constexpr int SilentSlideSeconds = 3;
} // namespace exportlimits

//! The format an output path asks for by its extension (case ignored); nothing for any other.
std::optional<ExportFormat> exportFormatFor(const QString& path);
//! The extension of a format, with its dot (".mp4").
QString exportExtension(ExportFormat format);
//! A sound-only format (M4A, MP3).
bool isAudioFormat(ExportFormat format);

//! Why a frame size cannot be exported ("the width and height must be even"); empty when it can.
QString frameSizeProblem(QSize size);
//! "1280x720" (also with "X" or "×"); nothing when the text is not two whole numbers so joined.
std::optional<QSize> parseFrameSize(const QString& text);

//! What the caller decides about an export; the rest comes from the story.
struct ExportOptions
{
    QString outputPath;
    QSize frameSize{exportlimits::DefaultWidth, exportlimits::DefaultHeight};
    bool captions = false;
    bool evenLoudness = true;
};

//! The job for the story as it stands, in show order: for a picture story every slide (its
//! slide JPEG with the turns it still lacks, else its source picture with all its turns; its
//! narration when it has one; its caption), for a podcast every segment that holds a
//! recording. The format follows the output's extension (Mp4 when it has none of the three).
//! Call on the story's thread.
ExportJob takeExportJob(const Story& story, const ExportOptions& options);
