#include "desktop/windows/slideactions.h"

#include "desktop/dialogs/prompter.h"
#include "desktop/widgets/thumbnailstrip.h"
#include "shell/picturefiles.h"
#include "shell/programsettings.h"
#include "story/addslidescommand.h"
#include "story/changephotocommand.h"
#include "story/slide.h"
#include "story/story.h"

SlideActions::SlideActions(Story& story, Prompter& prompter, ProgramSettings& settings, const QString& programFolder,
                           ThumbnailStrip& strip, QObject* parent)
    : QObject(parent),
      m_story(story),
      m_prompter(prompter),
      m_settings(settings),
      m_programFolder(programFolder),
      m_strip(strip)
{}

void SlideActions::addSlide()
{
    if (m_story.isPodcast()) {
        auto segment = std::make_unique<Slide>(m_story);
        segment->setKind(SlideKind::Segment);
        if (!m_story.push(new AddSlidesCommand(m_story, std::move(segment), -1, AddSlidesCommand::Current::LastAdded)))
            return;
        m_strip.scrollIntoView(m_story.count() - 1);
        return;
    }
    const QString file = m_prompter.choosePicture(m_settings.addPhotoFolder());
    if (file.isEmpty())
        return;
    m_settings.setAddPhotoFolder(folderOfFile(file));
    if (!isSlidePictureName(file))
        return;
    auto slide = std::make_unique<Slide>(m_story);
    slide->setSourcePicturePath(file);
    if (m_story.push(new AddSlidesCommand(m_story, std::move(slide))))
        showAdded();
}

int SlideActions::dropFiles(const QList<QUrl>& urls, QPoint clientPos)
{
    if (m_story.isPodcast())
        return 0;
    // Every file of one drop goes to the same index, as the strip computes it for the drop point.
    const int index = m_strip.dropIndex(clientPos.x());
    std::vector<std::unique_ptr<Slide>> slides;
    for (const QString& file : droppedPictureFiles(urls)) {
        auto slide = std::make_unique<Slide>(m_story);
        slide->setSourcePicturePath(file);
        slides.push_back(std::move(slide));
    }
    if (slides.empty())
        return 0;
    // One drop is one step; pictures the story refuses are left out of it.
    auto* add = new AddSlidesCommand(m_story, std::move(slides), index);
    if (!m_story.push(add))
        return 0;
    showAdded();
    return int(add->addedIds().size());
}

void SlideActions::changePhoto(int index)
{
    if (!m_story.slideAt(index))
        return;
    // Change Photo starts in the program folder and does not move the Add Slide folder.
    const QString file = m_prompter.choosePicture(m_programFolder);
    if (file.isEmpty() || !isSlidePictureName(file) || !m_story.slideAt(index))
        return;
    if (m_story.push(new ChangePhotoCommand(m_story, index, file)))
        showAdded();
}

void SlideActions::showAdded()
{
    m_strip.resetScroll();
    m_strip.setFocus();
}
