#include "shell/programdata.h"
#include "shell/programfolder.h"

#include "tablefiles.h"

#include <QDir>
#include <gtest/gtest.h>

using programdata::TableState;

TEST(ProgramData, GivenBothTablesThenTheyAreUsableAndNothingIsToBeSaid)
{
    const TempFolder home;
    home.write("category.dat", OneCategoryTable);
    home.write("language.dat", "1.0\r\n2\r\nEnglish\r\nGerman\r\n");
    EXPECT_EQ(programdata::categoryTableState(home.path()), TableState::Usable);
    EXPECT_EQ(programdata::languageTableState(home.path()), TableState::Usable);
    EXPECT_TRUE(programdata::categoryTableProblem(home.path()).isEmpty());
    EXPECT_TRUE(programdata::tableProblems(home.path()).isEmpty());
    EXPECT_TRUE(programdata::startUpMessage(programdata::tableProblems(home.path())).isEmpty());
}

TEST(ProgramData, GivenAFreshFolderThenBothTablesAreMissingAndTheMessageNamesEachFileAndWhatFails)
{
    const TempFolder home;
    EXPECT_EQ(programdata::categoryTableState(home.path()), TableState::Missing);
    EXPECT_EQ(programdata::languageTableState(home.path()), TableState::Missing);

    const QStringList problems = programdata::tableProblems(home.path());
    ASSERT_EQ(problems.size(), 2);
    EXPECT_EQ(problems[0], "The category table " + programfolder::categoryFile(home.path()) +
                               " is missing. Without it no category can be chosen, so no story can be published.");
    EXPECT_EQ(problems[1], "The language table " + programfolder::languageFile(home.path()) +
                               " is missing. Without it the User Settings offer no publishing language.");
    const QString message = programdata::startUpMessage(problems);
    EXPECT_TRUE(message.startsWith(problems[0] + "\n\n" + problems[1] + "\n\n")) << message.toStdString();
}

TEST(ProgramData, GivenTablesThatHoldNothingUsableThenTheyAreEmpty)
{
    const TempFolder home;
    for (const QByteArray& categories : {QByteArray(), QByteArray("1.5\r\n1\r\n0\r\n0\r\n0\r\n1000000,1,1,Travel\r\n"),
                                         QByteArray("1.0\r\n1\r\n0\r\n0\r\n0\r\n999999,1,1,Too small\r\n")}) {
        home.write("category.dat", categories);
        EXPECT_EQ(programdata::categoryTableState(home.path()), TableState::Empty) << categories.constData();
    }
    for (const QByteArray& languages : {QByteArray(), QByteArray("1.0\r\n0\r\n"), QByteArray("1.0\r\n2\r\n")}) {
        home.write("language.dat", languages);
        EXPECT_EQ(programdata::languageTableState(home.path()), TableState::Empty) << languages.constData();
    }
    EXPECT_TRUE(programdata::categoryTableProblem(home.path()).contains("holds no categories this program can read"));
    EXPECT_TRUE(programdata::languageTableProblem(home.path()).contains("holds no languages this program can read"));
}

TEST(ProgramData, GivenTablesThatCannotBeOpenedThenTheyAreUnreadable)
{
    const TempFolder home;
    // A folder where the file belongs opens for no one, the super-user included.
    QDir().mkpath(home.file("category.dat"));
    QDir().mkpath(home.file("language.dat"));
    EXPECT_EQ(programdata::categoryTableState(home.path()), TableState::Unreadable);
    EXPECT_EQ(programdata::languageTableState(home.path()), TableState::Unreadable);
    EXPECT_TRUE(programdata::categoryTableProblem(home.path())
                    .contains(programfolder::categoryFile(home.path()) + " cannot be read."));
    EXPECT_EQ(programdata::tableProblems(home.path()).size(), 2);
}

TEST(ProgramData, GivenOnlyTheLanguageTableMissingThenOnlyItIsNamed)
{
    const TempFolder home;
    home.write("category.dat", OneCategoryTable);
    const QStringList problems = programdata::tableProblems(home.path());
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].contains("language.dat"));
    EXPECT_FALSE(problems[0].contains("category.dat"));
}
