#include "desktop/windows/slideactions.h"

#include "desktop/dialogs/prompter.h"
#include "desktop/widgets/thumbnailstrip.h"
#include "shell/picturefiles.h"
#include "shell/programsettings.h"
#include "story/addslidescommand.h"
#include "story/changephotocommand.h"
#include "story/slide.h"
#include "story/story.h"

#include <QFileInfo>

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
    const QStringList files = m_prompter.choosePictures(m_settings.addPhotoFolder());
    if (files.isEmpty())
        return;
    m_settings.setAddPhotoFolder(folderOfFile(files.front()));
    QStringList refused;
    std::vector<std::unique_ptr<Slide>> slides;
    for (const QString& file : files) {
        if (!isSlidePictureName(file)) {
            refused << QFileInfo(file).fileName();
            continue;
        }
        auto slide = std::make_unique<Slide>(m_story);
        slide->setSourcePicturePath(file);
        slides.push_back(std::move(slide));
    }
    const int offered = int(slides.size());
    int added = 0;
    if (offered > 0) {
        // Every picture of one choice is one step, in the order chosen.
        auto* add = new AddSlidesCommand(m_story, std::move(slides));
        if (m_story.push(add)) {
            added = int(add->addedIds().size());
            showAdded();
        }
    }
    const QString caption = QStringLiteral("Add Slide");
    if (!refused.isEmpty()) {
        m_prompter.inform(caption,
                          QStringLiteral("A slide is made from a .jpg, .jpeg, .tif, .tiff, .bmp, .gif or .png "
                                         "picture. Not added:\n%1")
                              .arg(refused.join(QLatin1Char('\n'))),
                          Prompter::Icon::Warning);
    }
    if (added < offered) {
        m_prompter.inform(caption,
                          m_story.count() >= Story::MaxSlides
                              ? QStringLiteral("A Pictorelle holds at most %1 slides: %2 of the %3 pictures chosen "
                                               "were not added.")
                                    .arg(Story::MaxSlides)
                                    .arg(offered - added)
                                    .arg(offered)
                              : QStringLiteral("%1 of the %2 pictures chosen are already in the Pictorelle and "
                                               "were not added again.")
                                    .arg(offered - added)
                                    .arg(offered),
                          Prompter::Icon::Information);
    }
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
    // Change Photo starts where pictures were last chosen (the program folder before any), and
    // the folder of its choice is where Add Slide starts next.
    const QString folder = m_settings.addPhotoFolder();
    const QString file = m_prompter.choosePicture(folder.isEmpty() ? m_programFolder : folder);
    if (file.isEmpty())
        return;
    m_settings.setAddPhotoFolder(folderOfFile(file));
    if (!isSlidePictureName(file)) {
        m_prompter.inform(QStringLiteral("Change Photo"),
                          QStringLiteral("A slide is made from a .jpg, .jpeg, .tif, .tiff, .bmp, .gif or .png "
                                         "picture. Not changed: %1")
                              .arg(QFileInfo(file).fileName()),
                          Prompter::Icon::Warning);
        return;
    }
    if (!m_story.slideAt(index))
        return;
    if (m_story.push(new ChangePhotoCommand(m_story, index, file)))
        showAdded();
}

void SlideActions::showAdded()
{
    m_strip.resetScroll();
    m_strip.setFocus();
}
