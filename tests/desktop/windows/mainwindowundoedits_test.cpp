// Undo and Redo of each edit made through the window, checked in the story file a save writes.
#include "audio/narrationrecorder.h"
#include "eventually.h"
#include "mainwindowfixture.h"
#include "modalhelper.h"

#include "desktop/dialogs/cuecardwindow.h"
#include "desktop/widgets/slideview.h"
#include "desktop/widgets/statusdisplay.h"
#include "desktop/widgets/thumbnailstrip.h"
#include "story/linereader.h"
#include "story/moveslidecommand.h"
#include "story/slide.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUndoStack>

namespace {

class UndoEditsTest : public MainWindowTest
{
protected:
    //! The story file as the next save writes it.
    QString savedFile()
    {
        window->command(MainWindow::SaveStory, 1);
        QFile file(window->story().storyFilePath());
        return file.open(QIODevice::ReadOnly) ? fromUtf16Le(file.readAll()) : QString();
    }

    QString undoText() const { return window->story().undoStack()->undoText(); }
    void undo() { window->command(MainWindow::UndoCommand); }
    void redo() { window->command(MainWindow::RedoCommand); }

    template <typename T>
    static T* child(QWidget& parent, const char* name)
    {
        T* found = parent.findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    //! Records about 2 s of the fake microphone on the current slide.
    void recordTake(int buffers = 20)
    {
        window->command(MainWindow::RecordCommand);
        ASSERT_EQ(window->recorder().state(), RecorderState::Recording);
        for (int i = 0; i < buffers; ++i)
            ASSERT_TRUE(audio.input->capture(1));
        EXPECT_EVENTUALLY(window->recorder().recordedSeconds() >= buffers / 10);
        window->command(MainWindow::StopCommand);
    }
};

} // namespace

TEST_F(UndoEditsTest, GivenAddSlideAndADropThenEachIsOneStepAndUndoTakesTheSlidesOut)
{
    prompter.pictureToChoose = picture(QStringLiteral("chosen.png"));
    window->command(MainWindow::AddSlide);
    window->story().waitForImports();
    ASSERT_EQ(window->story().count(), 1);
    EXPECT_EQ(undoText(), "Add Slide");
    const QString one = savedFile();
    EXPECT_TRUE(one.contains("SC_SLIDES=1\n"));

    const QList<QUrl> drop = {QUrl::fromLocalFile(picture(QStringLiteral("d1.png"))),
                              QUrl::fromLocalFile(picture(QStringLiteral("d2.png"), QSize(48, 64)))};
    EXPECT_EQ(window->dropFiles(drop, QPoint(5, 40)), 2);
    window->story().waitForImports();
    ASSERT_EQ(window->story().count(), 3);
    EXPECT_TRUE(savedFile().contains("SC_SLIDES=3\n"));

    undo();
    EXPECT_EQ(window->story().count(), 1) << "the whole drop is one step";
    EXPECT_TRUE(savedFile().contains("SC_SLIDES=1\n"));
    redo();
    EXPECT_EQ(window->story().count(), 3);
    undo();
    undo();
    EXPECT_EQ(window->story().count(), 0);
    EXPECT_EQ(window->timeDisplay()->word(), "") << "the panels follow the story";
}

TEST_F(UndoEditsTest, GivenASegmentAddedToAPodcastThenUndoRemovesItAndTheSaveFollows)
{
    window->command(MainWindow::NewPodcast);
    ASSERT_EQ(window->story().count(), 1);
    EXPECT_FALSE(window->story().isModified());
    window->command(MainWindow::AddSlide);
    ASSERT_EQ(window->story().count(), 2);
    EXPECT_EQ(undoText(), "Add Segment");
    EXPECT_EQ(window->story().currentIndex(), 1);
    undo();
    EXPECT_EQ(window->story().count(), 1);
    EXPECT_FALSE(window->story().isModified());
    redo();
    EXPECT_EQ(window->story().count(), 2);
    EXPECT_TRUE(window->story().isModified());
}

TEST_F(UndoEditsTest, GivenASlideMovedThenUndoPutsItBackInTheSavedOrder)
{
    addPictures(3);
    for (int i = 0; i < 3; ++i)
        window->story().slideAt(i)->setCaption(QStringLiteral("caption %1").arg(i));
    ASSERT_TRUE(window->story().push(new MoveSlideCommand(window->story(), 0, 2)));
    EXPECT_EQ(undoText(), "Move Slide");
    EXPECT_TRUE(savedFile().contains("S2_CAPTION=caption 0\n"));
    undo();
    EXPECT_TRUE(savedFile().contains("S0_CAPTION=caption 0\n"));
    redo();
    EXPECT_TRUE(savedFile().contains("S0_CAPTION=caption 1\n"));
}

TEST_F(UndoEditsTest, GivenChangePhotoThenUndoBringsTheOldPictureBack)
{
    addPictures(1);
    const QImage before = window->story().slideAt(0)->picture();
    prompter.pictureToChoose = picture(QStringLiteral("new.png"), QSize(30, 90));
    emit window->strip()->changePhotoRequested(0);
    window->story().waitForImports();
    EXPECT_EQ(undoText(), "Change Photo");
    EXPECT_NE(window->story().slideAt(0)->picture().size(), before.size());
    const auto savedPicture = [this] {
        window->command(MainWindow::SaveStory, 1);
        return QImage(QFileInfo(window->story().storyFilePath()).absolutePath() + "/0.jpg").size();
    };
    EXPECT_LT(savedPicture().width(), savedPicture().height()) << "the portrait picture is saved";

    undo();
    EXPECT_EQ(window->story().slideAt(0)->picture(), before);
    EXPECT_GT(savedPicture().width(), savedPicture().height());
    redo();
    window->story().waitForImports();
    EXPECT_LT(savedPicture().width(), savedPicture().height());
}

TEST_F(UndoEditsTest, GivenTheStoryInfoDialogThenOkIsOneStepAndUndoPutsEveryTextBack)
{
    window->story().setTitle(QStringLiteral("Old title"));
    window->story().setModified(false);
    whenModalOpens([this](QDialog& dialog) {
        auto* title = child<QLineEdit>(dialog, "titleBox");
        title->selectAll();
        QTest::keyClicks(title, QStringLiteral("Harbour"));
        QTest::keyClicks(child<QPlainTextEdit>(dialog, "descriptionBox"), QStringLiteral("Boats at dawn"));
        QTest::mouseClick(child<QPushButton>(dialog, "okButton"), Qt::LeftButton);
    });
    window->command(MainWindow::EditStory);
    EXPECT_EQ(window->story().title(), "Harbour");
    EXPECT_EQ(undoText(), "Edit Pictorelle Info");
    EXPECT_TRUE(window->findChild<QWidget*>(QStringLiteral("titleValue")) != nullptr);
    const QString edited = savedFile();
    EXPECT_TRUE(edited.contains("SC_TITLE=Harbour\n"));

    undo();
    EXPECT_EQ(window->story().title(), "Old title");
    EXPECT_EQ(window->story().description(), "");
    EXPECT_TRUE(savedFile().contains("SC_TITLE=Old title\n"));
    redo();
    EXPECT_EQ(savedFile(), edited);

    // OK on unchanged texts is no step and no change.
    const int steps = window->story().undoStack()->count();
    whenModalOpens(
        [this](QDialog& dialog) { QTest::mouseClick(child<QPushButton>(dialog, "okButton"), Qt::LeftButton); });
    window->command(MainWindow::EditStory);
    EXPECT_EQ(window->story().undoStack()->count(), steps);
    EXPECT_FALSE(window->story().isModified());
}

TEST_F(UndoEditsTest, GivenTheSlideInfoDialogThenTheCaptionIsUndoneAndTheSaveFollows)
{
    addPictures(1);
    whenModalOpens([this](QDialog& dialog) {
        QTest::keyClicks(child<QPlainTextEdit>(dialog, "captionBox"), QStringLiteral("Gulls"));
        QTest::mouseClick(child<QPushButton>(dialog, "okButton"), Qt::LeftButton);
    });
    window->command(MainWindow::EditSlide);
    EXPECT_EQ(window->story().slideAt(0)->caption(), "Gulls");
    EXPECT_EQ(undoText(), "Edit Slide Info");
    EXPECT_TRUE(savedFile().contains("S0_CAPTION=Gulls\n"));
    undo();
    EXPECT_EQ(window->story().slideAt(0)->caption(), "");
    EXPECT_FALSE(savedFile().contains("Gulls"));
    redo();
    EXPECT_TRUE(savedFile().contains("S0_CAPTION=Gulls\n"));
}

TEST_F(UndoEditsTest, GivenACueCardNoteThenUndoPutsTheOldNoteBack)
{
    addPictures(1);
    window->command(MainWindow::CueCards);
    auto* card = window->findChild<CueCardWindow*>();
    ASSERT_NE(card, nullptr);
    QTest::keyClicks(card->findChild<QPlainTextEdit*>(), QStringLiteral("Say hello"));
    card->command(CueCardWindow::Close, -1);
    EXPECT_EQ(window->story().slideAt(0)->cueText(), "Say hello");
    EXPECT_EQ(undoText(), "Edit Cue Card");
    EXPECT_TRUE(savedFile().contains("Say hello"));
    undo();
    EXPECT_EQ(window->story().slideAt(0)->cueText(), "");
    EXPECT_FALSE(savedFile().contains("Say hello"));
}

TEST_F(UndoEditsTest, GivenTranscriptTypingAndThePublishSwitchThenEachIsUndoneAndTheBoxFollows)
{
    showWithClient(1000, 800);
    window->command(MainWindow::NewPodcast);
    window->transcriptBox()->setFocus();
    QTest::keyClicks(window->transcriptBox(), QStringLiteral("Show notes"));
    EXPECT_EQ(window->story().transcript(), "Show notes");
    EXPECT_EQ(window->story().undoStack()->count(), 1) << "one stretch of typing is one step";
    window->transcriptCheck()->click();
    EXPECT_FALSE(window->story().transcriptPublish());
    EXPECT_EQ(window->story().undoStack()->count(), 2);

    undo();
    EXPECT_TRUE(window->story().transcriptPublish());
    EXPECT_TRUE(window->transcriptCheck()->isChecked());
    undo();
    EXPECT_EQ(window->story().transcript(), "");
    EXPECT_EQ(window->transcriptBox()->toPlainText(), "");
    EXPECT_FALSE(window->story().isModified());
    redo();
    EXPECT_EQ(window->transcriptBox()->toPlainText(), "Show notes");
}

TEST_F(UndoEditsTest, GivenATakeRecordedOverAnotherThenUndoBringsTheOldTakeBackAndRedoTheNew)
{
    addPictures(1);
    recordTake(20);
    const QString wav = window->story().slideAt(0)->narrationWavPath();
    const QByteArray first = TempFolder::read(wav);
    const int firstLength = window->story().slideAt(0)->narrationLength();
    EXPECT_EQ(undoText(), "Record Narration");
    ASSERT_GT(firstLength, 0);

    prompter.narrationAnswers = {true};
    recordTake(45);
    const int secondLength = window->story().slideAt(0)->narrationLength();
    ASSERT_GT(secondLength, firstLength);
    const QByteArray second = TempFolder::read(wav);

    undo();
    EXPECT_EQ(window->story().slideAt(0)->narrationLength(), firstLength);
    EXPECT_EQ(TempFolder::read(wav), first);
    EXPECT_TRUE(savedFile().contains(QStringLiteral("S0_DURATION=%1\n").arg(firstLength)));
    redo();
    EXPECT_EQ(window->story().slideAt(0)->narrationLength(), secondLength);
    EXPECT_EQ(TempFolder::read(wav), second);
    EXPECT_TRUE(savedFile().contains(QStringLiteral("S0_DURATION=%1\n").arg(secondLength)));
    undo();
    undo();
    EXPECT_FALSE(window->story().slideAt(0)->hasNarration());
}
