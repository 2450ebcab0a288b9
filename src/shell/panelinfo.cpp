#include "shell/panelinfo.h"

#include "story/slide.h"
#include "story/story.h"
#include "story/text.h"

namespace {

QString optional(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("(optional)") : text;
}

} // namespace

StoryPanelTexts storyPanelTexts(const Story& story)
{
    StoryPanelTexts texts;
    if (story.type() == int(StoryType::Picture))
        texts.heading = QStringLiteral("Pictorelle Info");
    else if (story.type() == int(StoryType::Podcast))
        texts.heading = QStringLiteral("Podcast");
    texts.category = story.categoryId() == 0 ? QStringLiteral("No Category Selected") : story.categoryName();
    texts.title = story.title();
    texts.description = story.description();
    texts.tags = story.tags();
    texts.length = text::formatDuration(story.totalLength());
    texts.slides = QString::number(story.count());
    return texts;
}

SlidePanelTexts slidePanelTexts(Story& story)
{
    SlidePanelTexts texts;
    const int current = story.currentIndex();
    const Slide* slide = story.slideAt(current);
    if (!slide) {
        texts.heading = QStringLiteral("Slide info");
        texts.position = QStringLiteral("Slide");
        texts.caption = optional({});
        texts.tags = optional({});
        return texts;
    }
    texts.heading = QStringLiteral("Slide %1 info").arg(current + 1);
    texts.position = QStringLiteral("%1 of %2").arg(current + 1).arg(story.count());
    texts.caption = optional(slide->caption());
    texts.tags = optional(slide->tags());
    texts.length = text::formatDuration(slide->narrationLength());
    return texts;
}

int currentNarrationSeconds(Story& story)
{
    const Slide* slide = story.slideAt(story.currentIndex());
    return slide ? slide->narrationLength() : -1;
}
