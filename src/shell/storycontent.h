#pragma once

#include <QList>
#include <QString>

class Story;

//! The texts an author types into a story and its slides, taken at one moment, so that a
//! dialog's effect can be told from what it left behind. GUI-free.
struct StoryTexts
{
    //! One slide's caption and tags, known by the slide's id.
    struct SlideTexts
    {
        int id = 0;
        QString caption;
        QString tags;
        bool operator==(const SlideTexts&) const = default;
    };

    QString title;
    QString description;
    QString tags;
    int categoryId = 0;
    QString categoryName;
    QString transcript;
    QList<SlideTexts> slides;

    static StoryTexts of(const Story& story);
    bool operator==(const StoryTexts&) const = default;
};

//! The story holds something a save keeps: a slide, or a title, description, tags, category
//! or transcript the author typed. A story with none of these needs no save.
bool holdsWorkToSave(const Story& story);
