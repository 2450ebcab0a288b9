#include "shell/storycontent.h"

#include "story/slide.h"
#include "story/story.h"

StoryTexts StoryTexts::of(const Story& story)
{
    StoryTexts texts;
    texts.title = story.title();
    texts.description = story.description();
    texts.tags = story.tags();
    texts.categoryId = story.categoryId();
    texts.categoryName = story.categoryName();
    texts.transcript = story.transcript();
    for (int i = 0; i < story.count(); ++i) {
        const Slide& slide = *story.slideAt(i);
        texts.slides.append({slide.id(), slide.caption(), slide.tags()});
    }
    return texts;
}

bool holdsWorkToSave(const Story& story)
{
    return story.count() > 0 || !story.title().isEmpty() || !story.description().isEmpty() || !story.tags().isEmpty() ||
           story.categoryId() != 0 || !story.transcript().isEmpty();
}
