#include "mainwindowfixture.h"
#include "modalhelper.h"
#include "shell/settingsfile.h"
#include "shell/useraccount.h"

#include "shell/programfolder.h"
#include "story/slide.h"
#include "story/storyfile.h"

#include <QCheckBox>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

//! Every story file under the program folder's save folder.
QStringList savedStoryFiles(const TempFolder& home)
{
    QStringList files;
    QDirIterator it(programfolder::saveFolder(home.path()), {QStringLiteral("*.sld")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

template <typename T>
T* child(QDialog& dialog, const char* name)
{
    T* widget = dialog.findChild<T*>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

} // namespace

// ---- Settings written at OK ---------------------------------------------------------------

TEST_F(MainWindowTest, GivenUserSettingsConfirmedThenTheFileHoldsTheNewNameBeforeAnyExit)
{
    whenModalOpens([](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), "USERNAME_BOX");
        child<QLineEdit>(dialog, "userName")->setText(QStringLiteral("alice"));
        child<QPushButton>(dialog, "ok")->click();
    });
    window->command(MainWindow::AccountSettings);

    ProgramSettings readSettings;
    UserAccount readAccount;
    ASSERT_TRUE(SettingsFile::load(programfolder::settingsFile(home.path()), readSettings, readAccount));
    EXPECT_EQ(readAccount.userName(), "alice");
    EXPECT_TRUE(prompter.messages.isEmpty());
}

TEST_F(MainWindowTest, GivenUserSettingsCancelledThenNothingIsWritten)
{
    whenModalOpens([](QDialog& dialog) {
        child<QLineEdit>(dialog, "userName")->setText(QStringLiteral("bob"));
        child<QPushButton>(dialog, "cancel")->click();
    });
    window->command(MainWindow::AccountSettings);
    EXPECT_FALSE(QFile::exists(programfolder::settingsFile(home.path())));
    EXPECT_TRUE(window->account().userName().isEmpty());
}

TEST_F(MainWindowTest, GivenProgramSettingsConfirmedThenTheSwitchIsInTheFileAtOnce)
{
    whenModalOpens([](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), "PROGRAM_BOX");
        child<QCheckBox>(dialog, "clearAudioWarning")->setChecked(false);
        child<QPushButton>(dialog, "ok")->click();
    });
    window->command(MainWindow::ProgramSettingsCommand);

    ProgramSettings readSettings;
    UserAccount readAccount;
    ASSERT_TRUE(SettingsFile::load(programfolder::settingsFile(home.path()), readSettings, readAccount));
    EXPECT_EQ(readSettings.hideClearAudio(), 1);
    EXPECT_EQ(readSettings.hideRecordOverAudio(), 0);
}

TEST_F(MainWindowTest, GivenASettingsFileThatCannotBeWrittenThenOkSaysSoAndKeepsTheName)
{
    // A folder where the file belongs cannot be replaced by a file.
    QDir().mkpath(programfolder::settingsFile(home.path()));
    whenModalOpens([](QDialog& dialog) {
        child<QLineEdit>(dialog, "userName")->setText(QStringLiteral("carol"));
        child<QPushButton>(dialog, "ok")->click();
    });
    window->command(MainWindow::AccountSettings);
    EXPECT_EQ(window->account().userName(), "carol");
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_TRUE(prompter.messages[0].startsWith("Pictorelle|The settings could not be written to " +
                                                programfolder::settingsFile(home.path())))
        << prompter.messages[0].toStdString();
}

// ---- Saving a story without slides --------------------------------------------------------

TEST_F(MainWindowTest, GivenOnlyTextsTypedThenYesInTheSavePromptKeepsThemInAStoryThatLoadsBack)
{
    window->story().setTitle(QStringLiteral("Harbour"));
    window->story().setDescription(QStringLiteral("Boats at dawn"));
    window->story().setTags(QStringLiteral("sea boats"));
    window->story().setModified(true);
    prompter.saveAnswers = {Prompter::SaveAnswer::Yes};

    window->command(MainWindow::NewPictorelle);

    EXPECT_EQ(prompter.saveQuestions, 1);
    EXPECT_TRUE(prompter.messages.isEmpty()) << "the prompt's save is quiet";
    EXPECT_TRUE(window->story().title().isEmpty()) << "New went on after the save";
    const QStringList files = savedStoryFiles(home);
    ASSERT_EQ(files.size(), 1);
    const TempFolder other;
    Story loaded(other.path());
    const LoadReport report = loadStory(files[0], loaded);
    EXPECT_TRUE(report.opened);
    EXPECT_TRUE(report.warnings.isEmpty()) << report.warnings.join('\n').toStdString();
    EXPECT_EQ(loaded.count(), 0);
    EXPECT_EQ(loaded.title(), "Harbour");
    EXPECT_EQ(loaded.description(), "Boats at dawn");
    EXPECT_EQ(loaded.tags(), "sea boats");
}

TEST_F(MainWindowTest, GivenOnlyACategoryChosenThenFileSaveSavesAndConfirms)
{
    window->story().setCategoryId(2060200);
    window->story().setCategoryName(QStringLiteral("Lifestyle  >  Travel  >  Africa"));
    window->command(MainWindow::SaveStory);

    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_TRUE(prompter.messages[0].startsWith("File -> Save|")) << prompter.messages[0].toStdString();
    EXPECT_FALSE(window->story().isModified());
    const QStringList files = savedStoryFiles(home);
    ASSERT_EQ(files.size(), 1);
    const TempFolder other;
    Story loaded(other.path());
    ASSERT_TRUE(loadStory(files[0], loaded).opened);
    EXPECT_EQ(loaded.categoryId(), 2060200);
    EXPECT_EQ(loaded.count(), 0);
}

TEST_F(MainWindowTest, GivenAPodcastWhoseSegmentsAreGoneThenTheTypedTranscriptIsSaved)
{
    window->command(MainWindow::NewPodcast);
    ASSERT_TRUE(window->story().remove(0));
    QTest::keyClicks(window->transcriptBox(), QStringLiteral("Welcome to the show"));
    window->command(MainWindow::SaveStory, 1);

    const QStringList files = savedStoryFiles(home);
    ASSERT_EQ(files.size(), 1);
    const TempFolder other;
    Story loaded(other.path());
    ASSERT_TRUE(loadStory(files[0], loaded).opened);
    EXPECT_EQ(loaded.transcript(), "Welcome to the show");
    EXPECT_TRUE(loaded.isPodcast());
    EXPECT_EQ(loaded.count(), 0);
}

TEST_F(MainWindowTest, GivenAStoryWithNothingAtAllThenYesSavesNothingAndGoesOn)
{
    window->story().setModified(true);
    prompter.saveAnswers = {Prompter::SaveAnswer::Yes};
    window->command(MainWindow::NewPodcast);
    EXPECT_TRUE(window->story().isPodcast()) << "New Podcast went on";
    EXPECT_FALSE(QDir(programfolder::saveFolder(home.path())).exists());
    EXPECT_TRUE(prompter.messages.isEmpty());
}

TEST_F(MainWindowTest, GivenAFailingSaveFromThePromptThenTheStoryIsKeptAndNewDoesNotGoOn)
{
    window->story().setTitle(QStringLiteral("Only a title"));
    window->story().setModified(true);
    QFile blocker(programfolder::saveFolder(home.path()).chopped(1));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    prompter.saveAnswers = {Prompter::SaveAnswer::Yes};

    window->command(MainWindow::NewPictorelle);

    ASSERT_EQ(prompter.messages.size(), 1) << "the failure is reported";
    EXPECT_EQ(window->story().title(), "Only a title");
    EXPECT_TRUE(window->story().isModified());
}

// ---- The info dialogs and the modified flag -----------------------------------------------

TEST_F(MainWindowTest, GivenTheStoryInfoDialogCancelledOrConfirmedUnchangedThenTheStoryIsNotMarkedChanged)
{
    window->story().setTitle(QStringLiteral("Walk"));
    window->story().setModified(false);
    whenModalOpens([](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), "MY_SLIDECAST_BOX");
        child<QLineEdit>(dialog, "titleBox")->setText(QStringLiteral("Typed, then cancelled"));
        child<QPushButton>(dialog, "cancelButton")->click();
    });
    window->command(MainWindow::EditStory);
    EXPECT_EQ(window->story().title(), "Walk");
    EXPECT_FALSE(window->story().isModified());

    whenModalOpens([](QDialog& dialog) { child<QPushButton>(dialog, "okButton")->click(); });
    window->command(MainWindow::EditStory);
    EXPECT_FALSE(window->story().isModified()) << "OK on the same texts is no change";

    whenModalOpens([](QDialog& dialog) {
        child<QLineEdit>(dialog, "titleBox")->setText(QStringLiteral("Long walk"));
        child<QPushButton>(dialog, "okButton")->click();
    });
    window->command(MainWindow::EditStory);
    EXPECT_EQ(window->story().title(), "Long walk");
    EXPECT_TRUE(window->story().isModified());
}

TEST_F(MainWindowTest, GivenTheSlideInfoDialogCancelledThenTheStoryIsNotMarkedChangedButOkWithACaptionIs)
{
    addPictures(2);
    window->story().select(0);
    window->story().setModified(false);
    whenModalOpens([](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), "MY_SLIDE_BOX");
        QTest::keyClicks(child<QPlainTextEdit>(dialog, "captionBox"), QStringLiteral("dropped"));
        child<QPushButton>(dialog, "cancelButton")->click();
    });
    window->command(MainWindow::EditSlide);
    EXPECT_TRUE(window->story().slideAt(0)->caption().isEmpty());
    EXPECT_FALSE(window->story().isModified());

    whenModalOpens([](QDialog& dialog) {
        QTest::keyClicks(child<QPlainTextEdit>(dialog, "captionBox"), QStringLiteral("Pier"));
        child<QPushButton>(dialog, "okButton")->click();
    });
    window->command(MainWindow::EditSlide);
    EXPECT_EQ(window->story().slideAt(0)->caption(), "Pier");
    EXPECT_TRUE(window->story().isModified());
}

TEST_F(MainWindowTest, GivenACaptionStoredByNextThenCancelStillMarksTheStoryChanged)
{
    addPictures(2);
    window->story().select(0);
    window->story().setModified(false);
    whenModalOpens([](QDialog& dialog) {
        QTest::keyClicks(child<QPlainTextEdit>(dialog, "captionBox"), QStringLiteral("Kept"));
        child<QPushButton>(dialog, "nextButton")->click();
        child<QPushButton>(dialog, "cancelButton")->click();
    });
    window->command(MainWindow::EditSlide);
    EXPECT_EQ(window->story().slideAt(0)->caption(), "Kept");
    EXPECT_TRUE(window->story().isModified());
}
