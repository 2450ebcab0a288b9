#pragma once

#include "story/clock.h"
#include "story/systemclock.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

class Story;

//! CR LF pairs become "|-", whatever the text's length; the length stays the same.
QString escapeText(const QString& text);
//! Every "|-" becomes CR LF.
QString unescapeText(const QString& text);

//! What a save did.
struct SaveResult
{
    bool ok = false;
    QString error;     //!< why the save failed, for the user
    QString storyFile; //!< the ".sld" written
    QDateTime time;    //!< local time of the save
};

//! Whether a save remakes the slides' pictures from their sources first (so the saved
//! pictures carry each slide's rotation), or takes them as they are because they were
//! just remade and nothing changed since (publishing remakes them all before it sends).
enum class SavedPictures {
    Remake,
    AlreadyRemade
};

//! The paths one slide's block names for its picture and narration (empty: none).
struct SlideMedia
{
    QString picture;
    QString narration;
};

//! The story file's text for the story as it stands, saved at saveTime (seconds since
//! 1970); media[i] gives slide i's paths.
QString storyFileText(const Story& story, qint64 saveTime, const std::vector<SlideMedia>& media);

//! Writes the story into its folder under program folder + "save/" as one SaveTransaction,
//! at once on the story's thread: the pictures remade (unless AlreadyRemade), then
//! takeStoryForSave, writeStorySave and applyStorySave (storysave.h). A failed or interrupted
//! save leaves the earlier save as it was, its story file and media alike. Sets the story file
//! path on a first save; the caller clears the modified flag.
SaveResult saveStory(Story& story, const Clock& clock = SystemClock(), SavedPictures pictures = SavedPictures::Remake);

//! The confirmation text shown after a save that is not quiet.
QString saveConfirmationText(const QString& title, const QDateTime& time);
//! Caption of the confirmation message.
QString saveConfirmationCaption();

//! The stamp of a first save ("Dec.06.2026_06.29PM-33"): English whatever the locale.
QString saveStamp(const QDateTime& time);
//! A save time as the library and the confirmation show it ("Dec 06 2026 06:29PM").
QString saveTimeText(const QDateTime& time);

//! What a load found.
struct LoadReport
{
    bool opened = false;
    int slidesRead = 0;   //!< complete slide blocks in the file
    int slidesAdded = 0;  //!< slides the story took (at most 50)
    QStringList warnings; //!< missing media, refused slides, damaged counts
};

//! Where a load looks for the media a story file names.
enum class MediaLookup {
    AsNamed,              //!< the named file; when it is gone, the file of that name beside the story file
    BesideStoryFileFirst, //!< the file of that name beside the story file, else the named one
                          //!< (a recovery copy, whose media were moved beside it)
};

//! Replaces the story with a ".sld" file at once, on the story's thread: readStoryForLoad,
//! then applyLoadedStory (storyload.h). An opened file resets the story, copies the media into
//! the working folder and starts the pictures importing; missing media named with an old
//! folder are looked for beside the story file. The story tells storyReset() once at the end,
//! instead of every slide and text it read. A file that cannot be opened leaves the story as it was.
LoadReport loadStory(const QString& path, Story& story, MediaLookup lookup = MediaLookup::AsNamed);
