#pragma once

#include "story/storycommand.h"
#include "story/swappedfile.h"

#include <QImage>
#include <QString>

//! "Change Photo": gives a picture slide a new picture (Story::changePicture: a fresh slide
//! JPEG name, imported again). Undo puts back the old source picture, chosen picture and slide
//! JPEG names and the old decoded picture and thumbnail; the import's working copy ("c<id>.jpg")
//! and thumbnail JPEG of the version not in use wait under kept names until the command leaves
//! the stack. Refused for a slide that is no picture slide or still imports; undo and redo wait
//! for the new picture's import.
class ChangePhotoCommand : public StoryCommand
{
public:
    ChangePhotoCommand(Story& story, int index, const QString& picturePath);
    ~ChangePhotoCommand() override;

    bool canUndo() const override;
    bool canRedo() const override { return canUndo(); }

protected:
    bool apply() override;
    void revert() override;
    void reapply() override;

private:
    struct Version
    {
        QString source;
        QString chosen;
        QString slideJpeg;
        QImage picture;
        QImage thumbnail;
        qint64 jpegSize = 0;
        bool pictureLoaded = false;
    };
    Version read() const;
    void put(const Version& version);

    int m_id = -1;
    QString m_path;
    Version m_before;
    Version m_after;
    SwappedFile m_workingCopy;
    SwappedFile m_thumbnailJpeg;
};
