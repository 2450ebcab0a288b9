#include "mainwindowfixture.h"
#include "modalhelper.h"

#include "desktop/widgets/thumbnailstrip.h"
#include "shell/programfolder.h"
#include "shell/weblinks.h"
#include "story/slide.h"

#include <QFile>
#include <QPushButton>

namespace {

const QByteArray GoodCategories = "1.0\r\n1\r\n0\r\n0\r\n0\r\n1000000,1,1,Travel\r\n";
const QByteArray GoodLanguages = "1.0\r\n1\r\nEnglish\r\n";

void fillAccount(MainWindow& window)
{
    window.account().setUserName(QStringLiteral("alice"));
    window.account().setPassword(QStringLiteral("5ebe2294ecd0e0f08eab7690d2a6ee69"));
}

} // namespace

// ---- Data tables at start-up --------------------------------------------------------------

TEST_F(MainWindowTest, GivenAProgramFolderSeededWithNoDataSourceThenTheStartTellsWhichTablesAreMissing)
{
    // What resolving a new folder leaves when neither a built nor an installed copy exists.
    ASSERT_TRUE(programfolder::resolve(home.path(), home.file("no-bin"), home.file("no-data")).ready);
    fillAccount(*window);

    window->runStartUpDialogs(false);

    ASSERT_EQ(prompter.messages.size(), 1);
    const QString message = prompter.messages[0];
    EXPECT_TRUE(message.startsWith("Pictorelle|The category table " + home.path() + "category.dat is missing."))
        << message.toStdString();
    EXPECT_TRUE(message.contains("no story can be published")) << message.toStdString();
    EXPECT_TRUE(message.contains("The language table " + home.path() + "language.dat is missing."))
        << message.toStdString();
}

TEST_F(MainWindowTest, GivenUsableTablesThenTheStartSaysNothingAndABrokenOneIsNamedAlone)
{
    home.write(QStringLiteral("category.dat"), GoodCategories);
    home.write(QStringLiteral("language.dat"), GoodLanguages);
    fillAccount(*window);
    window->runStartUpDialogs(false);
    EXPECT_TRUE(prompter.messages.isEmpty());

    home.write(QStringLiteral("category.dat"), "");
    window->runStartUpDialogs(false);
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_TRUE(prompter.messages[0].contains("category.dat holds no categories this program can read"));
    EXPECT_FALSE(prompter.messages[0].contains("language.dat"));
}

// ---- Help pages ---------------------------------------------------------------------------

TEST_F(MainWindowTest, GivenAMissingHelpPageThenHelpNamesItInAMessageAndOpensNothing)
{
    window->command(MainWindow::HelpCommand);
    EXPECT_TRUE(browser.opened.isEmpty());
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0],
              "Pictorelle|" + weblinks::missingHelpPageText(home.path(), weblinks::IntroductionPage));
    EXPECT_TRUE(prompter.messages[0].contains("docs/introduction.htm"));
}

TEST_F(MainWindowTest, GivenAMissingHelpPageThenADialogsHelpButtonNamesItToo)
{
    QString dialogName;
    whenModalOpens([&](QDialog& dialog) {
        dialogName = dialog.objectName();
        dialog.findChild<QPushButton*>(QStringLiteral("help"))->click();
        dialog.reject();
    });
    window->command(MainWindow::ProgramSettingsCommand);
    EXPECT_EQ(dialogName, "PROGRAM_BOX");
    EXPECT_TRUE(browser.opened.isEmpty());
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_TRUE(prompter.messages[0].contains("docs/psettings.htm")) << prompter.messages[0].toStdString();
}

// ---- Removing a slide from the strip ------------------------------------------------------

class StripRemovalTest : public MainWindowTest
{
protected:
    //! Three pictures, the second with a narration file in the working folder, and selected.
    void SetUp() override
    {
        MainWindowTest::SetUp();
        addPictures(3);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        Slide& narrated = *window->story().slideAt(1);
        narration = narrated.narrationWavPath();
        ASSERT_FALSE(narration.isEmpty());
        QFile wav(narration);
        ASSERT_TRUE(wav.open(QIODevice::WriteOnly));
        wav.write(QByteArray(44 + 22050 * 2, '\0'));
        wav.close();
        narrated.setNarrationLength(1);
        narrated.setHasNarration(true);
        narratedId = narrated.id();
        window->story().select(1);
        window->story().setModified(false);
    }

    QString narration;
    int narratedId = 0;
};

TEST_F(StripRemovalTest, GivenDeleteInTheStripWhenAnsweredNoThenTheSlideAndItsNarrationStay)
{
    QTest::keyClick(window->strip(), Qt::Key_Delete);

    EXPECT_EQ(prompter.questions, QStringList({"Pictorelle|Delete slide 2?\nIts narration is deleted too."}));
    EXPECT_EQ(window->story().count(), 3);
    EXPECT_EQ(window->story().indexOfId(narratedId), 1);
    EXPECT_TRUE(window->story().slideAt(1)->hasNarration());
    EXPECT_TRUE(QFile::exists(narration));
    EXPECT_FALSE(window->story().isModified());
}

TEST_F(StripRemovalTest, GivenDeleteInTheStripWhenAnsweredYesThenTheSlideGoes)
{
    prompter.yesNoAnswers = {true};
    QTest::keyClick(window->strip(), Qt::Key_Delete);

    EXPECT_EQ(prompter.questions.size(), 1);
    EXPECT_EQ(window->story().count(), 2);
    EXPECT_EQ(window->story().indexOfId(narratedId), -1);
    EXPECT_TRUE(window->story().isModified());
}

TEST_F(StripRemovalTest, GivenRemoveSlideInTheContextMenuThenTheSameQuestionIsAsked)
{
    const auto silent = window->strip()->buildContextMenu(0, false);
    for (QAction* action : silent->actions()) {
        if (action->data().toInt() == ThumbnailStrip::MenuRemoveSlide)
            action->trigger();
    }
    EXPECT_EQ(prompter.questions, QStringList({"Pictorelle|Delete slide 1?"}));
    EXPECT_EQ(window->story().count(), 3);

    prompter.yesNoAnswers = {true};
    const auto narrated = window->strip()->buildContextMenu(1, false);
    for (QAction* action : narrated->actions()) {
        if (action->data().toInt() == ThumbnailStrip::MenuRemoveSlide)
            action->trigger();
    }
    ASSERT_EQ(prompter.questions.size(), 2);
    EXPECT_EQ(prompter.questions[1], "Pictorelle|Delete slide 2?\nIts narration is deleted too.");
    EXPECT_EQ(window->story().count(), 2);
    EXPECT_EQ(window->story().indexOfId(narratedId), -1);
}
