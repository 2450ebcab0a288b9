#pragma once

#include <QRect>
#include <QSize>

#include <array>
#include <optional>

//! Where the slide panel's controls go (picture stories and podcasts differ).
struct SlidePanelPlaces
{
    QRect heading;
    QRect editSlide;
    std::array<QRect, 3> labels; //!< caption, tags, length
    std::array<QRect, 3> values;
};

//! Every control of the main window in client pixels, for a client of the given size.
struct MainLayout
{
    //! Publish, Preview, Add Slide, Program Settings.
    std::array<QRect, 4> toolButtons;
    QRect logo;
    QRect strip;
    //! The area the slide view fills for a picture story.
    QRect pictureArea;
    QRect slideView;
    QRect storyHeading;
    QRect editStory;
    //! Category, title, description, tags, length, slides.
    std::array<QRect, 6> storyLabels;
    std::array<QRect, 6> storyValues;
    QRect previousSlide;
    QRect nextSlide;
    QRect slidePosition;
    QRect record;
    QRect play;
    QRect stop;
    QRect cueCards;
    //! Import Narration, under the "Audio:" label.
    QRect importNarration;
    QRect audioLabel;
    QRect timeDisplay;
    //! The live input level under the time display while a narration records.
    QRect levelMeter;
    //! Top-left of the audio progress bar's frame.
    QPoint progressBar;
    //! Absent for story types that leave the slide panel where it was.
    std::optional<SlidePanelPlaces> slidePanel;
    QRect transcriptHeading;
    QRect transcriptCheck;
    QRect transcriptBox;
};

//! The smallest client the layout keeps whole: the time display still ends inside at this
//! width, and at this height the slide panel, moved down, still clears the story panel.
//! Below it the client scrolls.
inline constexpr QSize MainLayoutMinimum(760, 624);

//! The layout of a client width × height for a story type (1 pictures, 2 podcast, 3 and 4
//! only ever read from files).
MainLayout computeMainLayout(int width, int height, int storyType);
