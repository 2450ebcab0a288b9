#pragma once

#include "story/storyfile.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <vector>

class Story;

//! One save of a story as values: where it goes, the story file's bytes and the media to put
//! beside it. Made on the story's thread; holds no Slide and no QObject.
struct StorySave
{
    //! A working file to copy into the story's folder. A source that is gone when the save
    //! runs removes an earlier save's copy at that name instead.
    struct MediaCopy
    {
        QString from;
        QString to;
    };

    QDateTime time;         //!< local time of the save
    QString folder;         //!< the story's folder
    bool firstSave = false; //!< the folder is made by the save, and removed again when it fails
    QString storyFile;      //!< the ".sld" to write
    QByteArray storyFileBytes;
    std::vector<MediaCopy> media; //!< in slide order, each slide's picture, then its narration
};

//! Takes everything a save at time needs from the story, on the story's thread: the folder (a
//! new stamped one under program folder + "save/" on a first save, or when the earlier save's
//! folder is gone), the story file's text and the media copies. Writes nothing; the pictures
//! are remade, if at all, before it.
StorySave takeStoryForSave(const Story& story, const QDateTime& time);

//! Writes a save as one SaveTransaction, touching no story: makes the folder of a first save,
//! copies the media and commits. A failed or interrupted save leaves the earlier save as it
//! was, and a failed first save leaves no folder. Safe on a worker thread; waits while another
//! save of the same folder runs. While it runs, the working files it copies must not change.
SaveResult writeStorySave(const StorySave& save);

//! Hands a written save to the story, on the story's thread: a save that stands (result.storyFile
//! set) becomes the story's file. The caller clears the modified flag when result.ok.
void applyStorySave(Story& story, const SaveResult& result);
