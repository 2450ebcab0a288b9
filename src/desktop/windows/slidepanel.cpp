#include "desktop/windows/slidepanel.h"

#include "desktop/dialogs/slideinfodialog.h"
#include "desktop/widgets/panelvalue.h"
#include "desktop/widgets/skinnedbutton.h"
#include "desktop/widgets/skinresources.h"
#include "desktop/windows/mainlayout.h"
#include "desktop/windows/panellabels.h"
#include "shell/panelinfo.h"
#include "story/story.h"

#include <QLabel>

SlidePanel::SlidePanel(Story& story, const SkinResources& skin, QWidget* canvas, SkinnedButton* editButton)
    : QObject(canvas), m_story(story), m_skin(skin), m_editButton(editButton)
{
    m_heading = makePanelLabel(canvas, QStringLiteral("Slide info"), skin.largeFont(), Qt::AlignLeft, "slideHeading");
    static const char* const labelTexts[] = {"Caption:", "Tags:", "Length:"};
    static const char* const valueNames[] = {"captionValue", "slideTagsValue", "slideLengthValue"};
    for (int i = 0; i < 3; ++i) {
        m_labels[i] =
            makePanelLabel(canvas, QString::fromUtf8(labelTexts[i]), skin.labelFont(), Qt::AlignRight, "slideLabel");
        m_values[i] = makePanelValue(canvas, skin.textFont(), valueNames[i]);
        // Screen readers name the value by its label, without the colon.
        m_values[i]->setAccessibleName(QString::fromUtf8(labelTexts[i]).chopped(1));
    }
    m_position = makePanelLabel(canvas, QStringLiteral("Slide"), skin.largeFont(), Qt::AlignHCenter, "slidePosition");
    // The current slide, its texts and length, and the count in "Slide 2 of 5".
    connect(&story, &Story::currentChanged, this, &SlidePanel::refresh);
    connect(&story, &Story::slideChanged, this, &SlidePanel::refresh);
    connect(&story, &Story::narrationChanged, this, &SlidePanel::refresh);
    connect(&story, &Story::slideAdded, this, &SlidePanel::refresh);
    connect(&story, &Story::slideRemoved, this, &SlidePanel::refresh);
    connect(&story, &Story::slideMoved, this, &SlidePanel::refresh);
    connect(&story, &Story::storyInfoChanged, this, &SlidePanel::refresh);
    connect(&story, &Story::storyReset, this, &SlidePanel::refresh);
    refresh();
}

void SlidePanel::place(const MainLayout& layout)
{
    m_position->setGeometry(layout.slidePosition);
    if (!layout.slidePanel)
        return;
    const SlidePanelPlaces& panel = *layout.slidePanel;
    placeOrHide(m_heading, panel.heading);
    placeOrHide(m_editButton, panel.editSlide);
    for (int i = 0; i < 3; ++i) {
        placeOrHide(m_labels[i], panel.labels[i]);
        placeOrHide(m_values[i], panel.values[i]);
    }
}

void SlidePanel::refresh()
{
    const SlidePanelTexts texts = slidePanelTexts(m_story);
    m_heading->setText(texts.heading);
    m_position->setText(texts.position);
    m_values[0]->setText(texts.caption);
    m_values[1]->setText(texts.tags);
    m_values[2]->setText(texts.length);
}

void SlidePanel::edit(int index, QWidget* owner)
{
    // Slides left with Prev or Next keep what was stored then, also after Cancel.
    SlideInfoDialog dialog(m_story, index, m_skin, owner);
    dialog.exec();
}
