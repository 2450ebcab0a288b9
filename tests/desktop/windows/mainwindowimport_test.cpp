#include "audiofixtures.h"
#include "eventually.h"
#include "mainwindowfixture.h"

#include "audio/waveinfo.h"
#include "desktop/dialogs/prompter.h"
#include "desktop/widgets/skinnedbutton.h"
#include "desktop/widgets/thumbnailstrip.h"
#include "desktop/windows/narrationimport.h"
#include "story/addslidescommand.h"
#include "story/slide.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QUndoStack>

#include <thread>

using namespace audiofixtures;

namespace {

QAction* menuItem(QMenu& menu, const QString& text)
{
    for (QAction* action : menu.actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

struct MainWindowImport : MainWindowTest
{
    //! A 440 Hz sine of that length, 48 kHz stereo FLAC, in the test folder.
    QString flac(const QString& name, double seconds)
    {
        QString error;
        const QString path =
            makeWithFfmpeg(home.file(name), sineInput(440, 48000, seconds) + QStringList{"-ac", "2"}, &error);
        EXPECT_FALSE(path.isEmpty()) << error.toStdString();
        return path;
    }

    Story& story() { return window->story(); }

    //! Right-clicks the slide in the strip and chooses the item.
    void chooseFromMenu(int slide, const QString& text)
    {
        const std::unique_ptr<QMenu> menu = window->strip()->buildContextMenu(slide, false);
        QAction* action = menuItem(*menu, text);
        ASSERT_TRUE(action) << text.toStdString();
        ASSERT_TRUE(action->isEnabled());
        action->trigger();
        // The strip's request is handled once its own event is over.
        QCoreApplication::processEvents();
    }

    //! What the decoder left in the working folder besides the slides' own files.
    QStringList strayTakes() { return QDir(story().workingFolder()).entryList({"import-*"}, QDir::Files); }

    void giveTake(Slide& slide, int seconds, const QByteArray& bytes)
    {
        QFile file(slide.narrationWavPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        slide.setHasNarration(true);
        slide.setNarrationLength(seconds);
    }
};

TEST_F(MainWindowImport, GIVEN_ASlideWithoutNarration_WHEN_AFlacIsImportedFromTheMenu_THEN_ItBecomesItsNarration)
{
    showWithClient(1000, 800);
    addPictures(2);
    prompter.audioToChoose = flac("take.flac", 2.5);

    chooseFromMenu(1, QStringLiteral("&Import Narration…"));
    ASSERT_EVENTUALLY(story().undoStack()->count() == 1);
    EXPECT_TRUE(prompter.narrationPrompts.empty()) << "nothing to replace, nothing to ask";
    ASSERT_EQ(prompter.audioFolders.size(), 1);
    const Slide* slide = story().slideAt(1);
    EXPECT_TRUE(slide->hasNarration());
    EXPECT_EQ(slide->narrationLength(), 3);
    const auto info = probeWaveFile(slide->narrationWavPath());
    ASSERT_TRUE(info);
    EXPECT_TRUE(isNarrationFormat(*info));
    EXPECT_NEAR(double(info->dataSize), 2.5 * 44100, 4);
    EXPECT_NEAR(toneFrequency(narrationSamples(slide->narrationWavPath()), 2000, 50000), 440.0, 0.5);
    EXPECT_EQ(story().undoStack()->undoText(), "Import Narration");
    EXPECT_TRUE(story().isModified());
    EXPECT_TRUE(strayTakes().isEmpty());
    EXPECT_TRUE(prompter.messages.isEmpty()) << prompter.messages.join('\n').toStdString();

    window->command(MainWindow::UndoCommand);
    EXPECT_FALSE(slide->hasNarration());
    EXPECT_EQ(slide->narrationLength(), 0);
    EXPECT_FALSE(QFile::exists(slide->narrationWavPath()));

    // The next chooser opens where the last file was.
    prompter.audioToChoose.clear();
    chooseFromMenu(0, QStringLiteral("&Import Narration…"));
    ASSERT_EQ(prompter.audioFolders.size(), 2);
    EXPECT_EQ(prompter.audioFolders[1], QFileInfo(home.file("take.flac")).absolutePath());
    EXPECT_EQ(story().undoStack()->index(), 0) << "a cancelled chooser changes nothing";
}

TEST_F(MainWindowImport, GIVEN_ASlideWithNarration_WHEN_ImportIsChosen_THEN_TheRecordOverQuestionIsAskedFirst)
{
    showWithClient(1000, 800);
    addPictures(1);
    Slide* slide = story().slideAt(0);
    giveTake(*slide, 12, "RIFF old take");
    prompter.audioToChoose = flac("new.flac", 1);

    // No: no file is asked for and the old take stays.
    prompter.narrationAnswers = {false};
    window->command(MainWindow::ImportNarration);
    EXPECT_EQ(prompter.narrationPrompts, std::vector<Prompter::NarrationPrompt>{Prompter::NarrationPrompt::RecordOver});
    EXPECT_TRUE(prompter.audioFolders.isEmpty());
    QTest::qWait(50);
    EXPECT_EQ(TempFolder::read(slide->narrationWavPath()), "RIFF old take");

    prompter.narrationAnswers = {true};
    window->command(MainWindow::ImportNarration);
    ASSERT_EVENTUALLY(story().undoStack()->count() == 1);
    EXPECT_EQ(prompter.narrationPrompts.size(), 2u);
    EXPECT_EQ(slide->narrationLength(), 1);
    EXPECT_TRUE(isNarrationFormat(*probeWaveFile(slide->narrationWavPath())));
    window->command(MainWindow::UndoCommand);
    EXPECT_EQ(TempFolder::read(slide->narrationWavPath()), "RIFF old take");
    EXPECT_EQ(slide->narrationLength(), 12);
}

TEST_F(MainWindowImport, GIVEN_AFileLongerThanASlideHolds_WHEN_Imported_THEN_TheAuthorChoosesToKeepTheBeginningOrNot)
{
    showWithClient(1000, 800);
    addPictures(1);
    prompter.audioToChoose = flac("long.flac", 63);

    // The default answer cancels.
    window->command(MainWindow::ImportNarration);
    ASSERT_EVENTUALLY(prompter.questions.size() == 1);
    EXPECT_EQ(prompter.questions[0],
              "Pictorelle|\"long.flac\" is 1:03 long, longer than 60 s.\nA slide holds at most 60 s "
              "of narration.\n\nKeep the first 60 s of the file and leave out the rest?");
    QTest::qWait(50);
    EXPECT_FALSE(story().slideAt(0)->hasNarration());
    EXPECT_EQ(story().undoStack()->count(), 0);
    EXPECT_TRUE(strayTakes().isEmpty());

    prompter.yesNoAnswers = {true};
    window->command(MainWindow::ImportNarration);
    ASSERT_EVENTUALLY(story().undoStack()->count() == 1);
    EXPECT_EQ(story().slideAt(0)->narrationLength(), 60);
    EXPECT_EQ(probeWaveFile(story().slideAt(0)->narrationWavPath())->dataSize, 60u * 44100);
    EXPECT_TRUE(strayTakes().isEmpty());
}

TEST_F(MainWindowImport, GIVEN_ADamagedFile_WHEN_Imported_THEN_TheAuthorIsToldAndNothingOfTheSlideChanges)
{
    showWithClient(1000, 800);
    addPictures(1);
    Slide* slide = story().slideAt(0);
    giveTake(*slide, 12, "RIFF old take");
    slide->setMp3Encoded(true);
    story().setModified(false);
    prompter.narrationAnswers = {true, true};
    prompter.audioToChoose = truncatedCopy(flac("whole.flac", 4), home.file("cut.flac"), 0.5);

    window->command(MainWindow::ImportNarration);
    ASSERT_EVENTUALLY(!prompter.messages.isEmpty());
    EXPECT_EQ(prompter.messages, QStringList{"Import Narration|\"cut.flac\" is damaged or cut short."});
    EXPECT_EQ(TempFolder::read(slide->narrationWavPath()), "RIFF old take");
    EXPECT_TRUE(slide->hasNarration());
    EXPECT_EQ(slide->narrationLength(), 12);
    EXPECT_TRUE(slide->isMp3Encoded());
    EXPECT_EQ(story().undoStack()->count(), 0);
    EXPECT_FALSE(story().isModified());
    EXPECT_TRUE(strayTakes().isEmpty());
    EXPECT_TRUE(QDir(story().workingFolder()).entryList({"*-kept*"}).isEmpty());

    // Not a sound file at all.
    prompter.audioToChoose = home.write("notes.mp3", "plain text");
    window->command(MainWindow::ImportNarration);
    ASSERT_EVENTUALLY(prompter.messages.size() == 2);
    EXPECT_EQ(prompter.messages[1],
              "Import Narration|\"notes.mp3\" is not an audio file Pictorelle Dazuzarid can read.");
    EXPECT_EQ(TempFolder::read(slide->narrationWavPath()), "RIFF old take");
}

TEST_F(MainWindowImport, GIVEN_APodcast_WHEN_ASegmentIsImportedFromTheMenu_THEN_ItFollowsTheSelectedOneInOneStep)
{
    showWithClient(1000, 800);
    story().setType(int(StoryType::Podcast));
    window->relayout();
    for (int i = 0; i < 2; ++i) {
        auto segment = std::make_unique<Slide>(story());
        segment->setKind(SlideKind::Segment);
        ASSERT_TRUE(story().add(std::move(segment)));
    }
    const int first = story().slideAt(0)->id();
    const int second = story().slideAt(1)->id();
    prompter.audioToChoose = flac("segment.flac", 4);

    chooseFromMenu(0, QStringLiteral("Import &Segment…"));
    ASSERT_EVENTUALLY(story().undoStack()->count() == 1);
    ASSERT_EQ(story().count(), 3);
    EXPECT_EQ(story().slideAt(0)->id(), first);
    EXPECT_EQ(story().slideAt(2)->id(), second);
    const Slide* added = story().slideAt(1);
    EXPECT_EQ(added->kind(), SlideKind::Segment);
    EXPECT_TRUE(added->hasNarration());
    EXPECT_EQ(added->narrationLength(), 4);
    EXPECT_EQ(probeWaveFile(added->narrationWavPath())->dataSize, 4u * 44100);
    EXPECT_EQ(story().currentIndex(), 1);
    EXPECT_EQ(story().undoStack()->undoText(), "Import Segment");

    window->command(MainWindow::UndoCommand);
    EXPECT_EQ(story().count(), 2);
    EXPECT_EQ(story().undoStack()->index(), 0);

    // Picture stories offer no segments.
    story().setType(int(StoryType::Picture));
    const std::unique_ptr<QMenu> menu = window->strip()->buildContextMenu(0, false);
    EXPECT_EQ(menuItem(*menu, QStringLiteral("Import &Segment…")), nullptr);
}

TEST_F(MainWindowImport, GIVEN_TheAudioRow_WHEN_ImportIsClicked_THEN_TheCurrentSlideGetsTheFile)
{
    showWithClient(1000, 800);
    addPictures(2);
    story().select(0);
    SkinnedButton* import = window->button(MainWindow::ImportNarration);
    ASSERT_TRUE(import);
    EXPECT_TRUE(import->isVisible());
    EXPECT_EQ(import->geometry(), QRect(737, 755, 47, 26));
    prompter.audioToChoose = flac("button.flac", 1.5);
    QTest::mouseClick(import, Qt::LeftButton);
    ASSERT_EVENTUALLY(story().undoStack()->count() == 1);
    EXPECT_TRUE(story().slideAt(0)->hasNarration());
    EXPECT_FALSE(story().slideAt(1)->hasNarration());
    EXPECT_EQ(story().slideAt(0)->narrationLength(), 2);
}

TEST_F(MainWindowImport, GIVEN_APodcastWithoutSegments_WHEN_ImportIsClicked_THEN_TheFileBecomesItsFirstSegment)
{
    showWithClient(1000, 800);
    story().setType(int(StoryType::Podcast));
    window->relayout();
    prompter.audioToChoose = flac("first.flac", 2);
    QTest::mouseClick(window->button(MainWindow::ImportNarration), Qt::LeftButton);
    ASSERT_EVENTUALLY(story().count() == 1);
    EXPECT_EQ(story().slideAt(0)->kind(), SlideKind::Segment);
    EXPECT_EQ(story().slideAt(0)->narrationLength(), 2);
    EXPECT_EQ(story().undoStack()->undoText(), "Import Segment");
    EXPECT_TRUE(prompter.narrationPrompts.empty());
}

//! A decode that takes as long as the test wants: it reports progress until it is cancelled
//! (or released), then ends as the real one would.
struct SlowDecoder
{
    std::shared_ptr<std::atomic<bool>> release = std::make_shared<std::atomic<bool>>(false);

    NarrationImport::Decoder decoder() const
    {
        auto released = release;
        return [released](const QString& path, const QString& folder, const AudioDecodeOptions& options) {
            for (int i = 0; i < 400 && !(options.cancel && options.cancel->load()) && !released->load(); ++i) {
                options.progress(std::min(99, i));
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            if (options.cancel && options.cancel->load()) {
                AudioDecodeResult cancelled;
                cancelled.status = AudioDecodeStatus::Cancelled;
                return cancelled;
            }
            return AudioFileDecoder(path).decodeToFolder(folder, options);
        };
    }
};

TEST_F(MainWindowImport, GIVEN_ALongDecode_WHEN_ItRuns_THEN_AProgressBoxWithCancelShowsAndCancelLeavesAllAsItWas)
{
    showWithClient(1000, 800);
    addPictures(1);
    Slide* slide = story().slideAt(0);
    giveTake(*slide, 12, "RIFF old take");
    story().setModified(false);
    SlowDecoder slow;
    NarrationImport import(story(), prompter, window.get(), slow.decoder());
    prompter.narrationAnswers = {true};
    prompter.audioToChoose = flac("slow.flac", 2);
    QSignalSpy finished(&import, &NarrationImport::finished);

    import.importNarration(0);
    EXPECT_TRUE(import.isRunning());
    EXPECT_EQ(import.progressBox(), nullptr) << "a short decode shows no box";
    // The window goes on with its events meanwhile: the box comes up and fills.
    ASSERT_EVENTUALLY(import.progressBox() && import.progressBox()->isVisible());
    EXPECT_EQ(import.progressBox()->windowModality(), Qt::WindowModal);
    EXPECT_EVENTUALLY(import.progressBox()->value() > 5);
    EXPECT_TRUE(import.progressBox()->labelText().contains("slow.flac"));
    auto* cancel = import.progressBox()->findChild<QPushButton*>();
    ASSERT_TRUE(cancel);
    QTest::mouseClick(cancel, Qt::LeftButton);

    ASSERT_EVENTUALLY(finished.count() == 1);
    EXPECT_FALSE(finished[0][0].toBool());
    EXPECT_FALSE(import.isRunning());
    EXPECT_EQ(import.progressBox(), nullptr);
    EXPECT_EQ(TempFolder::read(slide->narrationWavPath()), "RIFF old take");
    EXPECT_EQ(slide->narrationLength(), 12);
    EXPECT_EQ(story().undoStack()->count(), 0);
    EXPECT_FALSE(story().isModified());
    EXPECT_TRUE(prompter.messages.isEmpty());

    // Let go: the same import runs to its end and is one step.
    prompter.narrationAnswers = {true};
    import.importNarration(0);
    slow.release->store(true);
    ASSERT_EVENTUALLY(finished.count() == 2);
    EXPECT_TRUE(finished[1][0].toBool());
    EXPECT_EQ(slide->narrationLength(), 2);
    EXPECT_EQ(story().undoStack()->count(), 1);
}

TEST_F(MainWindowImport, GIVEN_ADecodeUnderWay_WHEN_TheSlideIsDeletedOrTheStoryReplaced_THEN_TheTakeIsDropped)
{
    showWithClient(1000, 800);
    addPictures(2);
    SlowDecoder slow;
    auto import = std::make_unique<NarrationImport>(story(), prompter, window.get(), slow.decoder());
    prompter.audioToChoose = flac("late.flac", 1);
    QSignalSpy finished(import.get(), &NarrationImport::finished);

    import->importNarration(1);
    story().reset();
    slow.release->store(true);
    ASSERT_EVENTUALLY(finished.count() == 1);
    EXPECT_FALSE(finished[0][0].toBool());
    EXPECT_EQ(story().count(), 0);
    EXPECT_TRUE(strayTakes().isEmpty());
    EXPECT_TRUE(prompter.messages.isEmpty());

    // Gone with the window: its worker is stopped and waited for, its take is not left behind.
    addPictures(1);
    slow.release->store(false);
    import->importNarration(0);
    import.reset();
    EXPECT_TRUE(strayTakes().isEmpty());
    EXPECT_FALSE(story().slideAt(0)->hasNarration());
}

} // namespace
