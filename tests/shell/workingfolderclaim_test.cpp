#include "shell/workingfolderclaim.h"
#include "tempfolder.h"

#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <gtest/gtest.h>

TEST(WorkingFolderClaim, GivenProgramsOnOneFolder_ThenEachGetsItsOwnAndTheCommandLineNeverTheDesktops)
{
    TempFolder home;
    WorkingFolderClaim first = WorkingFolderClaim::claim(home.path(), WorkingFolderClaim::Use::Desktop);
    WorkingFolderClaim second = WorkingFolderClaim::claim(home.path(), WorkingFolderClaim::Use::Desktop);
    WorkingFolderClaim cli = WorkingFolderClaim::claim(home.path(), WorkingFolderClaim::Use::CommandLine);
    WorkingFolderClaim cli2 = WorkingFolderClaim::claim(home.path(), WorkingFolderClaim::Use::CommandLine);
    EXPECT_EQ(first.path(), home.path() + "temp/");
    EXPECT_EQ(second.path(), home.path() + "temp-2/");
    EXPECT_EQ(cli.path(), home.path() + "temp-cli/");
    EXPECT_EQ(cli2.path(), home.path() + "temp-cli-2/");
    for (const auto* claim : {&first, &second, &cli, &cli2})
        EXPECT_TRUE(QDir(claim->path()).exists());

    // A released folder is free again, media and all.
    QFile media(first.path() + "1.wav");
    ASSERT_TRUE(media.open(QIODevice::WriteOnly));
    media.close();
    first = WorkingFolderClaim();
    WorkingFolderClaim again = WorkingFolderClaim::claim(home.path(), WorkingFolderClaim::Use::Desktop);
    EXPECT_EQ(again.path(), home.path() + "temp/");
    EXPECT_TRUE(QFile::exists(again.path() + "1.wav")) << "releasing deletes nothing";
}

TEST(WorkingFolderClaim, GivenALockLeftByAProgramThatDied_ThenItIsTakenOverHoweverFresh)
{
    TempFolder home;
    // A lock file as a killed program leaves it: its process is gone.
    QFile lock(home.path() + "temp.lock");
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write("999999\npictorelle\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();
    WorkingFolderClaim claim = WorkingFolderClaim::claim(home.path(), WorkingFolderClaim::Use::Desktop);
    EXPECT_EQ(claim.path(), home.path() + "temp/");
}

TEST(WorkingFolderClaim, GivenAProgramFolderThatCannotBeMade_ThenTheClaimIsInvalid)
{
    TempFolder home;
    const QString file = home.write("plain-file", "x");
    WorkingFolderClaim claim = WorkingFolderClaim::claim(file + "/inside/", WorkingFolderClaim::Use::Desktop);
    EXPECT_FALSE(claim.isValid());
}
