#pragma once

#include <QString>

class Story;

//! The story panel's texts.
struct StoryPanelTexts
{
    //! "Pictorelle Info" or "Podcast"; empty for other types, which keep the heading shown.
    QString heading;
    QString category;
    QString title;
    QString description;
    QString tags;
    QString length;
    QString slides;
};

//! The slide panel's texts for the current slide.
struct SlidePanelTexts
{
    QString heading;
    QString position;
    QString caption;
    QString tags;
    QString length;
};

StoryPanelTexts storyPanelTexts(const Story& story);
//! Uses the story's current slide (a non-empty story always has one).
SlidePanelTexts slidePanelTexts(Story& story);

//! Seconds the time display shows while nothing plays or records: the current slide's
//! narration length; -1 without a current slide (the display is then empty).
int currentNarrationSeconds(Story& story);
