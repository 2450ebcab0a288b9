#include "desktop/windows/storypanel.h"

#include "desktop/dialogs/storyinfodialog.h"
#include "desktop/widgets/panelvalue.h"
#include "desktop/widgets/skinresources.h"
#include "desktop/windows/mainlayout.h"
#include "desktop/windows/panellabels.h"
#include "shell/panelinfo.h"
#include "story/story.h"

#include <QLabel>

StoryPanel::StoryPanel(Story& story, const SkinResources& skin, QWidget* canvas)
    : QObject(canvas), m_story(story), m_skin(skin)
{
    m_heading =
        makePanelLabel(canvas, QStringLiteral("Pictorelle Info"), skin.largeFont(), Qt::AlignLeft, "storyHeading");
    static const char* const labelTexts[] = {"Category:", "Title:", "Description:", "Tags:", "Length:", "Slides:"};
    static const char* const valueNames[] = {"categoryValue", "titleValue",  "descriptionValue",
                                             "tagsValue",     "lengthValue", "slidesValue"};
    for (int i = 0; i < 6; ++i) {
        m_labels[i] =
            makePanelLabel(canvas, QString::fromUtf8(labelTexts[i]), skin.labelFont(), Qt::AlignRight, "storyLabel");
        m_values[i] = makePanelValue(canvas, skin.textFont(), valueNames[i]);
        // Screen readers name the value by its label, without the colon.
        m_values[i]->setAccessibleName(QString::fromUtf8(labelTexts[i]).chopped(1));
    }
    // The texts, the slide count and the total length.
    connect(&story, &Story::storyInfoChanged, this, &StoryPanel::refresh);
    connect(&story, &Story::slideAdded, this, &StoryPanel::refresh);
    connect(&story, &Story::slideRemoved, this, &StoryPanel::refresh);
    connect(&story, &Story::narrationChanged, this, &StoryPanel::refresh);
    connect(&story, &Story::storyReset, this, &StoryPanel::refresh);
    refresh();
}

void StoryPanel::place(const MainLayout& layout)
{
    m_heading->setGeometry(layout.storyHeading);
    for (int i = 0; i < 6; ++i) {
        m_labels[i]->setGeometry(layout.storyLabels[i]);
        m_values[i]->setGeometry(layout.storyValues[i]);
    }
}

void StoryPanel::refresh()
{
    const StoryPanelTexts texts = storyPanelTexts(m_story);
    if (!texts.heading.isEmpty())
        m_heading->setText(texts.heading);
    const QString values[6] = {texts.category, texts.title, texts.description, texts.tags, texts.length, texts.slides};
    for (int i = 0; i < 6; ++i)
        m_values[i]->setText(values[i]);
}

void StoryPanel::edit(const CategoryTree& categories, QWidget* owner)
{
    // OK pushes the texts as one step, the category dialog its choice (which stays even when
    // this dialog is cancelled); the panel follows from the story's signals.
    StoryInfoDialog dialog(m_story, categories, m_skin, owner);
    dialog.exec();
}
