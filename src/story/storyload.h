#pragma once

#include "story/storyfile.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class QTemporaryDir;
class Story;

//! One slide block of a story file as read, with its media found and copied aside.
struct LoadedSlide
{
    QString caption;
    QString tags;
    int duration = 0; //!< seconds, already capped to the longest narration
    int kind = 0;     //!< SlideKind as the file gives it
    QString cue;
    QString imagePath; //!< as the file names them, for the warnings
    QString audioPath;
    //! The media to put into the working folder; empty when none was found. A staged file is
    //! the load's own copy and is moved into place; any other is copied.
    QString picture;
    QString narration;
    bool pictureStaged = false;
    bool narrationStaged = false;
    //! Found while the block was read; told before the slide's own.
    QStringList warnings;
};

//! A story file read into values, ready to replace a story. Made on any thread; holds no
//! Slide and no QObject. Its staged media live in a folder of their own beside the working
//! folder, which goes with the last copy of the value.
struct LoadedStory
{
    QString path;
    //! opened, slidesRead and the warnings of the header; slidesAdded stays 0 until applied.
    LoadReport report;
    // Each header line sets its field as the last such line gave it; fields without one keep
    // what the reset left (the transcript is not cleared by a reset).
    std::optional<QString> title;
    std::optional<QString> description;
    std::optional<QString> tags;
    std::optional<QString> categoryName;
    std::optional<QString> owner;
    std::optional<QString> transcript;
    std::optional<bool> transcriptPublish;
    std::optional<int> type;
    std::optional<int> categoryId;
    std::optional<int> uniqueId;
    std::vector<LoadedSlide> slides; //!< every complete block, in file order
    //! Warnings after the last complete block (an incomplete block and what it held).
    QStringList trailingWarnings;
    std::shared_ptr<QTemporaryDir> staging;
};

//! Reads a ".sld" file without touching any story: finishes a save cut short, parses the
//! file, finds each slide's media (see MediaLookup) and copies them into a staging folder
//! beside workingFolder (the story's working folder, ending with "/"), which the story's
//! reset does not empty. Safe on a worker thread. report.opened is false when the file is
//! not a regular file that can be read, or is too large to be a story.
LoadedStory readStoryForLoad(const QString& path, const QString& workingFolder,
                             MediaLookup lookup = MediaLookup::AsNamed);

//! Replaces the story with what was read, on the story's thread: a reset, then the texts
//! and the slides (ids 1, 2, 3, … in file order, media moved into the working folder,
//! picture imports started), telling storyReset() once. A value whose file was not opened
//! leaves the story as it was. Returns the full report.
LoadReport applyLoadedStory(Story& story, LoadedStory&& loaded);
