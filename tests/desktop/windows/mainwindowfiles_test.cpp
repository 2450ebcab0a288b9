#include "desktop/widgets/thumbnailstrip.h"
#include "mainwindowfixture.h"
#include "modalhelper.h"
#include "shell/programfolder.h"
#include "shell/settingsfile.h"
#include "shell/useraccount.h"
#include "story/slide.h"
#include "story/storyfile.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QUndoStack>

namespace {

//! Every story file under the program folder's save folder.
QStringList savedStoryFiles(const TempFolder& home)
{
    QStringList files;
    QDirIterator it(programfolder::saveFolder(home.path()), {QStringLiteral("*.sld")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

//! The names of the files in a story's folder, sorted.
QStringList folderFiles(const QString& storyFile)
{
    QStringList names = QDir(QFileInfo(storyFile).absolutePath()).entryList(QDir::Files, QDir::Name);
    return names;
}

QMenu* recentMenu(const MainWindow& window)
{
    auto* menu = window.menuBar()->findChild<QMenu*>(QStringLiteral("recentMenu"));
    EXPECT_NE(menu, nullptr);
    return menu;
}

//! The Open Recent items that name a story file.
QList<QAction*> recentItems(const MainWindow& window)
{
    QList<QAction*> items;
    for (QAction* action : recentMenu(window)->actions()) {
        if (!action->data().toString().isEmpty())
            items << action;
    }
    return items;
}

QAction* menuAction(const MainWindow& window, int id)
{
    for (QAction* action : window.menuBar()->findChildren<QAction*>()) {
        if (action->data().toInt() == id && !action->menu())
            return action;
    }
    return nullptr;
}

} // namespace

class MainWindowFilesTest : public MainWindowTest
{
protected:
    //! Adds one picture slide made from a new file called name and waits for its import.
    void addPicture(const QString& name, QSize size = QSize(64, 48))
    {
        auto slide = std::make_unique<Slide>(window->story());
        slide->setSourcePicturePath(picture(name, size));
        ASSERT_TRUE(window->story().add(std::move(slide)));
        window->story().waitForImports();
    }

    //! A titled story of one slide saved quietly; its story file.
    QString saveStory(const QString& title, const QString& pictureName)
    {
        window->story().setTitle(title);
        addPicture(pictureName);
        window->command(MainWindow::SaveStory, 1);
        EXPECT_FALSE(window->story().isModified());
        return window->story().storyFilePath();
    }

    void writeSettingsFile(const QStringList& recent)
    {
        ProgramSettings written;
        written.setRecentStories(recent);
        ASSERT_TRUE(SettingsFile::save(programfolder::settingsFile(home.path()), written, UserAccount()));
    }
};

// ---- File > Open Recent -------------------------------------------------------------------

TEST_F(MainWindowFilesTest, GivenNoStoryYetThenOpenRecentHoldsOnlyADisabledPlaceholder)
{
    QMenu* menu = recentMenu(*window);
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(recentItems(*window).isEmpty());
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_FALSE(menu->actions()[0]->isEnabled());
}

TEST_F(MainWindowFilesTest, GivenStoriesSavedThenOpenRecentListsThemNewestFirstAndTheSettingsFileKeepsThem)
{
    const QString first = saveStory(QStringLiteral("First"), QStringLiteral("a.png"));
    window->command(MainWindow::NewPictorelle);
    const QString second = saveStory(QStringLiteral("Second"), QStringLiteral("b.png"));
    ASSERT_NE(first, second);
    // Saving the first again would make it the newest: saving the second again changes nothing.
    window->story().setModified(true);
    window->command(MainWindow::SaveStory, 1);

    EXPECT_EQ(settings.recentStories(), QStringList({second, first}));
    const QList<QAction*> items = recentItems(*window);
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->data().toString(), second);
    EXPECT_EQ(items[1]->data().toString(), first);
    EXPECT_TRUE(items[0]->text().startsWith("&1 ")) << items[0]->text().toStdString();
    EXPECT_TRUE(items[0]->text().endsWith(QFileInfo(second).fileName()));
    EXPECT_TRUE(items[0]->isEnabled() && items[1]->isEnabled());

    ASSERT_TRUE(window->saveSettings());
    ProgramSettings read;
    UserAccount account;
    ASSERT_TRUE(SettingsFile::load(programfolder::settingsFile(home.path()), read, account));
    EXPECT_EQ(read.recentStories(), QStringList({second, first}));
}

TEST_F(MainWindowFilesTest, GivenAStoryLoadedFromTheLibraryThenItHeadsOpenRecent)
{
    const QString first = saveStory(QStringLiteral("Lighthouse"), QStringLiteral("a.png"));
    window->command(MainWindow::NewPictorelle);
    settings.setRecentStories({home.file("save/other/other.sld")});
    whenModalOpens([](QDialog& dialog) {
        auto* list = dialog.findChild<QTreeWidget*>(QStringLiteral("libraryList"));
        ASSERT_NE(list, nullptr);
        list->setCurrentItem(list->topLevelItem(0));
        dialog.findChild<QPushButton*>(QStringLiteral("loadButton"))->click();
    });
    window->command(MainWindow::LoadStory);

    EXPECT_EQ(window->story().title(), "Lighthouse");
    EXPECT_EQ(settings.recentStories(), QStringList({first, home.file("save/other/other.sld")}));
    EXPECT_EQ(recentItems(*window).value(0)->data().toString(), first);
}

TEST_F(MainWindowFilesTest, GivenASettingsFileOfTenStoriesThenTheMenuShowsTheFirstEightAndMissingOnesDisabled)
{
    const QString kept = saveStory(QStringLiteral("Kept"), QStringLiteral("a.png"));
    QStringList recent{kept};
    for (int i = 1; i < 10; ++i)
        recent << home.file(QStringLiteral("save/gone%1/gone.sld").arg(i));
    writeSettingsFile(recent);
    settings.setRecentStories({});

    window->loadSettings();

    const QList<QAction*> items = recentItems(*window);
    ASSERT_EQ(items.size(), ProgramSettings::RecentCapacity);
    EXPECT_EQ(items[0]->data().toString(), kept);
    EXPECT_TRUE(items[0]->isEnabled());
    for (int i = 1; i < items.size(); ++i) {
        EXPECT_EQ(items[i]->data().toString(), recent[i]);
        EXPECT_FALSE(items[i]->isEnabled()) << "a file that is not there cannot be chosen";
    }
}

TEST_F(MainWindowFilesTest, GivenASavedStoryChosenInOpenRecentThenItIsLoadedIntoTheWindow)
{
    const QString first = saveStory(QStringLiteral("Lighthouse"), QStringLiteral("a.png"));
    addPicture(QStringLiteral("b.png"));
    window->command(MainWindow::SaveStory, 1);
    window->command(MainWindow::NewPictorelle);
    ASSERT_EQ(window->story().count(), 0);

    const QList<QAction*> items = recentItems(*window);
    ASSERT_EQ(items.size(), 1);
    items[0]->trigger();

    EXPECT_EQ(prompter.saveQuestions, 0) << "a story without changes is not asked about";
    EXPECT_EQ(window->story().title(), "Lighthouse");
    EXPECT_EQ(window->story().count(), 2);
    EXPECT_EQ(window->story().storyFilePath(), first);
    EXPECT_FALSE(window->story().isModified());
    EXPECT_TRUE(prompter.messages.isEmpty()) << prompter.messages.join('\n').toStdString();
    EXPECT_EQ(settings.recentStories(), QStringList({first}));
}

TEST_F(MainWindowFilesTest, GivenUnsavedChangesWhenARecentStoryIsChosenThenTheSaveQuestionComesFirst)
{
    const QString first = saveStory(QStringLiteral("Lighthouse"), QStringLiteral("a.png"));
    window->command(MainWindow::NewPictorelle);
    window->story().setTitle(QStringLiteral("Unsaved"));
    window->story().setModified(true);

    prompter.saveAnswers = {Prompter::SaveAnswer::Cancel};
    recentItems(*window)[0]->trigger();
    EXPECT_EQ(prompter.saveQuestions, 1);
    EXPECT_EQ(window->story().title(), "Unsaved") << "Cancel keeps the story being edited";

    prompter.saveAnswers = {Prompter::SaveAnswer::No};
    recentItems(*window)[0]->trigger();
    EXPECT_EQ(prompter.saveQuestions, 2);
    EXPECT_EQ(window->story().title(), "Lighthouse");
    EXPECT_EQ(savedStoryFiles(home), QStringList({first})) << "No saved nothing";
}

TEST_F(MainWindowFilesTest, GivenARecentStoryDeletedAfterTheMenuWasFilledWhenChosenThenAMessageAndItLeavesTheList)
{
    const QString first = saveStory(QStringLiteral("Lighthouse"), QStringLiteral("a.png"));
    window->command(MainWindow::NewPictorelle);
    QAction* item = recentItems(*window).value(0);
    ASSERT_NE(item, nullptr);
    ASSERT_TRUE(QFile::remove(first));

    item->trigger();

    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_TRUE(prompter.messages[0].startsWith("Open Recent|")) << prompter.messages[0].toStdString();
    EXPECT_TRUE(prompter.messages[0].contains(first));
    EXPECT_TRUE(settings.recentStories().isEmpty());
    EXPECT_TRUE(recentItems(*window).isEmpty());
    EXPECT_EQ(window->story().count(), 0);
}

// ---- File > Save As… ----------------------------------------------------------------------

TEST_F(MainWindowFilesTest, GivenASavedStoryWhenSavedAsThenANewFolderHoldsItAndTheOldSaveStaysAsItWas)
{
    QAction* saveAs = menuAction(*window, MainWindow::SaveStoryAs);
    ASSERT_NE(saveAs, nullptr);
    EXPECT_TRUE(saveAs->text().startsWith("Save Pictorelle &As")) << saveAs->text().toStdString();

    const QString first = saveStory(QStringLiteral("Harbour"), QStringLiteral("a.png"));
    QFile firstFile(first);
    ASSERT_TRUE(firstFile.open(QIODevice::ReadOnly));
    const QByteArray firstBytes = firstFile.readAll();
    firstFile.close();
    const QStringList firstFolder = folderFiles(first);
    EXPECT_EQ(firstFolder, QStringList({"0.jpg", QFileInfo(first).fileName()}));

    window->story().setTitle(QStringLiteral("Harbour at night"));
    addPicture(QStringLiteral("b.png"), QSize(48, 64));
    saveAs->trigger();

    const QString second = window->story().storyFilePath();
    ASSERT_FALSE(second.isEmpty());
    EXPECT_NE(QFileInfo(second).absolutePath(), QFileInfo(first).absolutePath());
    EXPECT_EQ(QFileInfo(QFileInfo(second).absolutePath()).absolutePath(),
              QFileInfo(QFileInfo(first).absolutePath()).absolutePath())
        << "both folders stand in the save folder";
    EXPECT_FALSE(window->story().isModified());
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_TRUE(prompter.messages[0].startsWith("File -> Save|")) << prompter.messages[0].toStdString();
    QStringList both{first, second};
    both.sort();
    EXPECT_EQ(savedStoryFiles(home), both) << "two stories, each in its folder";

    // Another save goes to the new folder; the old one is never written again.
    window->story().setDescription(QStringLiteral("Lamps"));
    window->story().setModified(true);
    window->command(MainWindow::SaveStory, 1);

    ASSERT_TRUE(firstFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(firstFile.readAll(), firstBytes);
    EXPECT_EQ(folderFiles(first), firstFolder);
    EXPECT_EQ(folderFiles(second), QStringList({"0.jpg", "1.jpg", QFileInfo(second).fileName()}));

    const TempFolder other;
    Story oldStory(other.path());
    ASSERT_TRUE(loadStory(first, oldStory).opened);
    EXPECT_EQ(oldStory.title(), "Harbour");
    EXPECT_EQ(oldStory.count(), 1);
    const TempFolder another;
    Story newStory(another.path());
    ASSERT_TRUE(loadStory(second, newStory).opened);
    EXPECT_EQ(newStory.title(), "Harbour at night");
    EXPECT_EQ(newStory.description(), "Lamps");
    EXPECT_EQ(newStory.count(), 2);
    EXPECT_EQ(settings.recentStories(), QStringList({second, first}));
}

TEST_F(MainWindowFilesTest, GivenAStoryNeverSavedWhenSavedAsThenItIsSavedOnceAsAFirstSave)
{
    window->command(MainWindow::SaveStoryAs);
    ASSERT_EQ(prompter.messages.size(), 1) << "an empty story says there is nothing to save";
    EXPECT_TRUE(prompter.messages[0].startsWith("Save As|")) << prompter.messages[0].toStdString();
    EXPECT_TRUE(savedStoryFiles(home).isEmpty());

    addPicture(QStringLiteral("a.png"));
    window->command(MainWindow::SaveStoryAs);
    const QStringList files = savedStoryFiles(home);
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(window->story().storyFilePath(), files[0]);
    EXPECT_EQ(folderFiles(files[0]), QStringList({"0.jpg", QFileInfo(files[0]).fileName()}));
}

// ---- No browser ---------------------------------------------------------------------------

TEST_F(MainWindowFilesTest, GivenNoBrowserCanBeStartedThenHelpVisitAndUpdatesShowTheAddressToCopy)
{
    home.write("docs/introduction.htm", "<html></html>");
    browser.starts = false;
    window->command(MainWindow::HelpCommand);
    window->command(MainWindow::VisitWebsite);
    window->command(MainWindow::CheckForUpdates);

    ASSERT_EQ(browser.opened.size(), 3);
    ASSERT_EQ(prompter.messages.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(prompter.messages[i].startsWith("Pictorelle|No web browser could be started."))
            << prompter.messages[i].toStdString();
        EXPECT_TRUE(prompter.messages[i].endsWith("\n" + browser.opened[i].toString()))
            << prompter.messages[i].toStdString();
    }
    EXPECT_TRUE(browser.opened[0].isLocalFile());
    EXPECT_EQ(browser.opened[1].host(), "web.test");

    browser.starts = true;
    window->command(MainWindow::VisitWebsite);
    EXPECT_EQ(browser.opened.size(), 4);
    EXPECT_EQ(prompter.messages.size(), 3) << "a browser that starts is not talked about";
}

TEST_F(MainWindowFilesTest, GivenNoBrowserCanBeStartedThenNewUserInTheAccountDialogShowsTheSignUpAddress)
{
    browser.starts = false;
    whenModalOpens([](QDialog& dialog) {
        dialog.findChild<QPushButton*>(QStringLiteral("newUser"))->click();
        dialog.findChild<QPushButton*>(QStringLiteral("cancel"))->click();
    });
    window->command(MainWindow::AccountSettings);

    ASSERT_EQ(browser.opened.size(), 1);
    EXPECT_EQ(browser.opened[0].query(), "page=login");
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_TRUE(prompter.messages[0].endsWith(browser.opened[0].toString())) << prompter.messages[0].toStdString();
}

// ---- Add Slide and Change Photo -----------------------------------------------------------

TEST_F(MainWindowFilesTest, GivenSeveralPicturesChosenThenTheyAreAddedInTheChosenOrderAsOneStep)
{
    settings.setAddPhotoFolder(home.path() + "start");
    prompter.picturesToChoose = {picture("c.png"), picture("a.png"), home.write("pictures/odd.tga", "x"),
                                 picture("b.jpg")};
    window->command(MainWindow::AddSlide);
    window->story().waitForImports();

    EXPECT_EQ(prompter.pictureFolders, QStringList{home.path() + "start"});
    ASSERT_EQ(window->story().count(), 3);
    EXPECT_EQ(window->story().slideAt(0)->chosenPicturePath(), prompter.picturesToChoose[0]);
    EXPECT_EQ(window->story().slideAt(1)->chosenPicturePath(), prompter.picturesToChoose[1]);
    EXPECT_EQ(window->story().slideAt(2)->chosenPicturePath(), prompter.picturesToChoose[3]);
    EXPECT_EQ(settings.addPhotoFolder(), home.path() + "pictures");
    ASSERT_EQ(prompter.messages.size(), 1) << "the picture that cannot be a slide is named";
    EXPECT_TRUE(prompter.messages[0].startsWith("Add Slide|")) << prompter.messages[0].toStdString();
    EXPECT_TRUE(prompter.messages[0].endsWith("\nodd.tga")) << prompter.messages[0].toStdString();

    EXPECT_EQ(window->story().undoStack()->count(), 1);
    window->command(MainWindow::UndoCommand);
    EXPECT_EQ(window->story().count(), 0) << "one undo takes the whole choice out";
    window->command(MainWindow::RedoCommand);
    EXPECT_EQ(window->story().count(), 3);
}

TEST_F(MainWindowFilesTest, GivenPicturesBeyondFiftySlidesThenOnlyThoseThatFitAreAddedWithAMessage)
{
    addPictures(Story::MaxSlides - 3);
    for (int i = 0; i < 5; ++i)
        prompter.picturesToChoose << picture(QStringLiteral("more%1.png").arg(i));
    window->command(MainWindow::AddSlide);
    window->story().waitForImports();

    ASSERT_EQ(window->story().count(), Story::MaxSlides);
    EXPECT_EQ(window->story().slideAt(Story::MaxSlides - 1)->chosenPicturePath(), prompter.picturesToChoose[2]);
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0],
              "Add Slide|A Pictorelle holds at most 50 slides: 2 of the 5 pictures chosen were not added.");

    prompter.picturesToChoose = {picture("last.png")};
    window->command(MainWindow::AddSlide);
    EXPECT_EQ(window->story().count(), Story::MaxSlides);
    ASSERT_EQ(prompter.messages.size(), 2);
    EXPECT_TRUE(prompter.messages[1].contains("1 of the 1 pictures")) << prompter.messages[1].toStdString();
}

TEST_F(MainWindowFilesTest, GivenAPictureChosenBeforeThenChangePhotoStartsInItsFolderAndMovesItOn)
{
    addPictures(1);
    prompter.pictureToChoose.clear();
    emit window->strip()->changePhotoRequested(0);
    EXPECT_EQ(prompter.pictureFolders, QStringList{home.path()}) << "with no folder yet, the program folder";

    settings.setAddPhotoFolder(home.path() + "start");
    QDir().mkpath(home.path() + "elsewhere");
    const QString replacement = home.path() + "elsewhere/new.png";
    ASSERT_TRUE(QFile::copy(picture("new.png", QSize(30, 90)), replacement));
    prompter.pictureToChoose = replacement;
    emit window->strip()->changePhotoRequested(0);
    window->story().waitForImports();

    EXPECT_EQ(prompter.pictureFolders, QStringList({home.path(), home.path() + "start"}));
    EXPECT_EQ(window->story().slideAt(0)->chosenPicturePath(), replacement);
    EXPECT_EQ(settings.addPhotoFolder(), home.path() + "elsewhere");

    prompter.pictureToChoose.clear();
    window->command(MainWindow::AddSlide);
    EXPECT_EQ(prompter.pictureFolders.last(), home.path() + "elsewhere");
}
