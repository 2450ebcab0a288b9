#include "story/changephotocommand.h"

#include "story/story.h"

ChangePhotoCommand::ChangePhotoCommand(Story& story, int index, const QString& picturePath)
    : StoryCommand(story, QStringLiteral("Change Photo")), m_path(picturePath)
{
    if (const Slide* s = story.slideAt(index))
        m_id = s->id();
}

ChangePhotoCommand::~ChangePhotoCommand()
{
    if (!wasApplied())
        return;
    if (isDone()) {
        m_workingCopy.dropBefore();
        m_thumbnailJpeg.dropBefore();
    } else {
        m_workingCopy.dropAfter();
        m_thumbnailJpeg.dropAfter();
    }
}

ChangePhotoCommand::Version ChangePhotoCommand::read() const
{
    const Slide& s = *story().slideAt(story().indexOfId(m_id));
    return {s.sourcePicturePath(), s.chosenPicturePath(), s.slideJpegPath(),  s.picture(),
            s.thumbnail(),         s.jpegSize(),          s.isPictureLoaded()};
}

void ChangePhotoCommand::put(const Version& version)
{
    Slide* s = story().slideAt(story().indexOfId(m_id));
    if (!s)
        return;
    s->setSourcePicturePath(version.source);
    s->setChosenPicturePath(version.chosen);
    s->setSlideJpegPath(version.slideJpeg);
    s->replacePicture(version.picture);
    s->setThumbnail(version.thumbnail);
    s->setJpegSize(version.jpegSize);
    s->setPictureLoaded(version.pictureLoaded);
}

bool ChangePhotoCommand::canUndo() const
{
    const Slide* s = story().slideAt(story().indexOfId(m_id));
    return s && s->isReady();
}

bool ChangePhotoCommand::apply()
{
    const int index = story().indexOfId(m_id);
    const Slide* s = story().slideAt(index);
    if (!s || m_path.isEmpty() || s->kind() != SlideKind::Picture || !s->isReady())
        return false;
    m_before = read();
    // The import writes the new picture's working copy and thumbnail JPEG over the old ones.
    m_workingCopy = SwappedFile(story().workingFolder() + QStringLiteral("c%1.jpg").arg(m_id));
    m_thumbnailJpeg = SwappedFile(s->thumbnailJpegPath());
    m_workingCopy.keepBefore();
    m_thumbnailJpeg.keepBefore();
    story().changePicture(index, m_path);
    return true;
}

void ChangePhotoCommand::revert()
{
    // The new picture's import has finished (canUndo): this is the version to come back to.
    m_after = read();
    m_workingCopy.toBefore();
    m_thumbnailJpeg.toBefore();
    put(m_before);
}

void ChangePhotoCommand::reapply()
{
    m_workingCopy.toAfter();
    m_thumbnailJpeg.toAfter();
    put(m_after);
}
