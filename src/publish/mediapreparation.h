#pragma once

#include "story/picturejob.h"

#include <atomic>
#include <vector>

class Messenger;
class Slide;
class Story;

//! One slide's share of the preparation, taken on the story's thread before it starts.
struct PreparationItem
{
    Slide* slide = nullptr;
    int index = 0;
    bool encode = false; //!< has a narration whose MP3 is not current
    PictureJob picture;  //!< the picture made again with the slide's rotation
};

//! What each slide of a picture story needs before an upload.
std::vector<PreparationItem> preparationItems(Story& story);

//! Brings every file of a picture story's upload up to date, on the calling worker thread:
//! narrations are encoded one after another (the story's MP3 position names the last one
//! done) while a second thread makes the pictures again; each picture result is applied on
//! the story's thread. Stops after the slide in hand when cancel is set. Ends with the MP3
//! position at -1; the pictures-being-processed count reaches 0 once every result is applied.
void prepareStoryMedia(Story& story, const std::vector<PreparationItem>& items, Messenger* messenger,
                       const std::atomic<bool>& cancel);
