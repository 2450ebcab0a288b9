#include "commandfixture.h"
#include "story/changephotocommand.h"
#include "story/rotateslidecommand.h"

namespace {

using SlidePictureCommands = CommandFixture;

QImage turned(const QImage& image, int degrees)
{
    return image.transformed(QTransform().rotate(degrees));
}

QStringList keptFiles(const Story& story)
{
    return QDir(story.workingFolder()).entryList({"*-kept*"}, QDir::Files);
}

TEST_F(SlidePictureCommands, GIVEN_APictureSlide_WHEN_ItIsRotatedRight_THEN_PictureThumbnailAndRotationTurnAndTurnBack)
{
    Slide& s = addPicture("a.jpg");
    const QImage picture = s.picture();
    const QImage thumbnail = s.thumbnail();
    log.take();

    ASSERT_TRUE(story.push(new RotateSlideCommand(story, 0, 1)));
    EXPECT_EQ(stack().undoText(), "Rotate Slide");
    EXPECT_EQ(s.rotation(), 1);
    EXPECT_EQ(s.picture().size(), QSize(48, 64));
    EXPECT_EQ(s.picture(), turned(picture, 90));
    EXPECT_EQ(s.thumbnail(), turned(thumbnail, 90));
    EXPECT_EQ(s.picture().pixelColor(47, 0), QColor(Qt::red)); // the top-left mark is top-right now
    EXPECT_EQ(log.take(), (QStringList{"slideChanged(0)", "modifiedChanged(true)"}));

    ASSERT_TRUE(story.undo());
    EXPECT_EQ(s.rotation(), 0);
    EXPECT_EQ(s.picture(), picture);
    EXPECT_EQ(s.thumbnail(), thumbnail);
    EXPECT_EQ(log.take(), (QStringList{"slideChanged(0)", "modifiedChanged(false)"}));
    const QString afterUndo = save();
    EXPECT_TRUE(importer.reprocessJobs.empty()) << "made upright by its import: nothing to make again";
    EXPECT_EQ(namedMedia(afterUndo, 0, "IMAGE_PATH"), "JPEG of a.jpg");

    ASSERT_TRUE(story.redo());
    EXPECT_EQ(s.picture(), turned(picture, 90));
    const QString afterRedo = save();
    EXPECT_EQ(importer.reprocessJobs.back().rotation, 1);
    EXPECT_EQ(namedMedia(afterRedo, 0, "IMAGE_PATH"), "JPEG of a.jpg|turned 1");
    EXPECT_EQ(slideLines(afterRedo).size(), 8);

    // Undone after the save remade the picture: the save after it is unturned again.
    ASSERT_TRUE(story.undo());
    EXPECT_EQ(s.picture(), picture);
    EXPECT_EQ(namedMedia(save(), 0, "IMAGE_PATH"), "JPEG of a.jpg");
}

TEST_F(SlidePictureCommands, GIVEN_FourRotationsRight_WHEN_TheyAreUndoneOneByOne_THEN_EachIsOneStep)
{
    Slide& s = addPicture("a.jpg");
    const QImage picture = s.picture();
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(story.push(new RotateSlideCommand(story, 0, 1)));
    EXPECT_EQ(stack().count(), 4);
    EXPECT_EQ(s.rotation(), 4); // not reduced here
    EXPECT_EQ(s.picture(), picture);

    ASSERT_TRUE(story.push(new RotateSlideCommand(story, 0, -1)));
    EXPECT_EQ(s.rotation(), 3);
    EXPECT_EQ(s.picture(), turned(picture, 270));
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(story.undo());
    EXPECT_EQ(s.rotation(), 0);
    EXPECT_EQ(s.picture(), picture);
    EXPECT_FALSE(story.isModified());
}

TEST_F(SlidePictureCommands, GIVEN_SlidesWithoutAPicture_WHEN_TheyAreRotated_THEN_ThePushIsRefused)
{
    addPicture("a.jpg");
    ASSERT_TRUE(story.add(newSegment()));
    ASSERT_TRUE(story.add(newPicture("b.jpg"))); // importing
    EXPECT_FALSE(story.push(new RotateSlideCommand(story, 1, 1)));
    EXPECT_FALSE(story.push(new RotateSlideCommand(story, 2, 1)));
    EXPECT_FALSE(story.push(new RotateSlideCommand(story, 5, 1)));
    EXPECT_FALSE(story.push(new RotateSlideCommand(story, 0, 0)));
    importer.picture = QImage();
    importer.finishAll();
    EXPECT_FALSE(story.push(new RotateSlideCommand(story, 2, 1))); // nothing decoded
    EXPECT_EQ(stack().count(), 0);
    EXPECT_FALSE(story.isModified());

    // Undo waits while a new import of the slide runs.
    ASSERT_TRUE(story.push(new RotateSlideCommand(story, 0, 1)));
    story.changePicture(0, home.write("pictures/c.jpg", "c"));
    EXPECT_FALSE(story.canUndoNow());
    importer.finishAll();
    EXPECT_TRUE(story.canUndoNow());
}

TEST_F(SlidePictureCommands, GIVEN_APictureSlide_WHEN_ItsPhotoIsChanged_THEN_UndoBringsBackTheOldNamesPicturesAndFiles)
{
    Slide& s = addPicture("a.jpg");
    const QString workingCopy = story.workingFolder() + QString("c%1.jpg").arg(s.id());
    home.write(QString("temp/%1_t.jpg").arg(s.id()), "thumbnail JPEG of a");
    const QString oldJpeg = s.slideJpegPath();
    const QString oldChosen = s.chosenPicturePath();
    const QImage oldPicture = s.picture();
    const QImage oldThumbnail = s.thumbnail();
    save();
    log.take();

    const QString b = home.write("pictures/b.jpg", "JPEG of b.jpg");
    importer.picture = marked(30, 40);
    importer.thumbnail = FakeImporter::grey(75, 75);
    ASSERT_TRUE(story.push(new ChangePhotoCommand(story, 0, b)));
    EXPECT_EQ(stack().undoText(), "Change Photo");
    EXPECT_FALSE(s.isReady());
    EXPECT_NE(s.slideJpegPath(), oldJpeg);
    EXPECT_EQ(log.take(), (QStringList{"slideChanged(0)", "modifiedChanged(true)"}));
    EXPECT_FALSE(story.canUndoNow()); // the new picture is still being imported
    importer.finishAll();
    home.write(QString("temp/%1_t.jpg").arg(s.id()), "thumbnail JPEG of b");
    const QString newJpeg = s.slideJpegPath();
    EXPECT_EQ(s.sourcePicturePath(), workingCopy);
    EXPECT_EQ(TempFolder::read(workingCopy), "JPEG of b.jpg");
    log.take();

    ASSERT_TRUE(story.undo());
    EXPECT_EQ(log.take(), (QStringList{"slideChanged(0)", "modifiedChanged(false)"}));
    EXPECT_EQ(s.sourcePicturePath(), workingCopy);
    EXPECT_EQ(TempFolder::read(workingCopy), "JPEG of a.jpg");
    EXPECT_EQ(TempFolder::read(s.thumbnailJpegPath()), "thumbnail JPEG of a");
    EXPECT_EQ(s.slideJpegPath(), oldJpeg);
    EXPECT_EQ(s.chosenPicturePath(), oldChosen);
    EXPECT_EQ(s.picture(), oldPicture);
    EXPECT_EQ(s.thumbnail(), oldThumbnail);
    EXPECT_EQ(keptFiles(story).size(), 2); // the new picture's copy and thumbnail wait
    EXPECT_EQ(namedMedia(save(), 0, "IMAGE_PATH"), "JPEG of a.jpg");

    ASSERT_TRUE(story.redo());
    EXPECT_EQ(log.take(), (QStringList{"slideChanged(0)", "modifiedChanged(true)"}));
    EXPECT_EQ(s.slideJpegPath(), newJpeg);
    EXPECT_EQ(s.picture(), marked(30, 40));
    EXPECT_EQ(TempFolder::read(workingCopy), "JPEG of b.jpg");
    EXPECT_EQ(TempFolder::read(s.thumbnailJpegPath()), "thumbnail JPEG of b");
    EXPECT_EQ(namedMedia(save(), 0, "IMAGE_PATH"), "JPEG of b.jpg");

    // Done for good: the old picture's kept files go with the command.
    EXPECT_EQ(keptFiles(story).size(), 2);
    stack().clear();
    EXPECT_TRUE(keptFiles(story).isEmpty());
    EXPECT_EQ(TempFolder::read(workingCopy), "JPEG of b.jpg");
}

TEST_F(SlidePictureCommands, GIVEN_AnUndoneChangeOfPhoto_WHEN_ANewEditDropsIt_THEN_TheNewPicturesKeptFilesGo)
{
    Slide& s = addPicture("a.jpg");
    ASSERT_TRUE(story.push(new ChangePhotoCommand(story, 0, home.write("pictures/b.jpg", "JPEG of b.jpg"))));
    importer.finishAll();
    ASSERT_TRUE(story.undo());
    EXPECT_EQ(keptFiles(story).size(), 1); // the working copy (the fake import writes no thumbnail JPEG)
    ASSERT_TRUE(story.push(new RotateSlideCommand(story, 0, 1)));
    EXPECT_TRUE(keptFiles(story).isEmpty());
    EXPECT_EQ(TempFolder::read(s.sourcePicturePath()), "JPEG of a.jpg");
}

TEST_F(SlidePictureCommands, GIVEN_ASegmentOrAnImportingSlide_WHEN_ItsPhotoIsChanged_THEN_ThePushIsRefused)
{
    ASSERT_TRUE(story.add(newSegment()));
    ASSERT_TRUE(story.add(newPicture("a.jpg")));
    const QString b = home.write("pictures/b.jpg", "b");
    EXPECT_FALSE(story.push(new ChangePhotoCommand(story, 0, b)));
    EXPECT_FALSE(story.push(new ChangePhotoCommand(story, 1, b)));
    EXPECT_FALSE(story.push(new ChangePhotoCommand(story, 2, b)));
    importer.finishAll();
    EXPECT_FALSE(story.push(new ChangePhotoCommand(story, 1, QString())));
    EXPECT_EQ(stack().count(), 0);
    EXPECT_EQ(importer.started.size(), 1u);
}

} // namespace
