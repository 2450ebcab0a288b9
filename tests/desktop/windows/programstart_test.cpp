#include "eventually.h"
#include "tempfolder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <gtest/gtest.h>

namespace {

//! The desktop program started offscreen in a given program folder.
class ProgramProcess
{
public:
    explicit ProgramProcess(const QString& home)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // No sound server is needed to start; keep the test away from the user's.
        environment.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:/nonexistent"));
        process.setProcessEnvironment(environment);
        process.setProgram(QStringLiteral(PICTORELLE_PROGRAM));
        process.setArguments({QStringLiteral("--home"), home});
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }
    ~ProgramProcess()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    QProcess process;
};

} // namespace

TEST(ProgramStart, GivenARunningCopyThenASecondStartEndsAtOnceWithoutTouchingItsFiles)
{
    TempFolder home;
    ProgramProcess first(home.path());
    first.process.start();
    ASSERT_TRUE(first.process.waitForStarted(10000));
    EXPECT_EVENTUALLY_WITHIN(QDir(home.path() + "temp").exists(), 20000);
    // A copy started now is answered only once the first one runs its event loop, by when its
    // window has been made and its story has emptied the working folder.
    {
        ProgramProcess probe(home.path());
        probe.process.start();
        ASSERT_TRUE(probe.process.waitForFinished(15000));
    }

    const QString leftover = home.write("temp/leftover.jpg", "picture bytes");
    ProgramProcess second(home.path());
    second.process.start();
    ASSERT_TRUE(second.process.waitForFinished(15000));
    EXPECT_EQ(second.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.process.exitCode(), 0);
    EXPECT_TRUE(QFile::exists(leftover)) << "the second copy must not empty the working folder";
    EXPECT_FALSE(QFile::exists(home.path() + "pictorelle.ini")) << "nor write the settings";
    EXPECT_EQ(first.process.state(), QProcess::Running);
}

TEST(ProgramStart, GivenTwoProgramFoldersThenBothCopiesRun)
{
    TempFolder one;
    TempFolder two;
    ProgramProcess first(one.path());
    ProgramProcess second(two.path());
    first.process.start();
    second.process.start();
    EXPECT_EVENTUALLY_WITHIN(QDir(one.path() + "temp").exists() && QDir(two.path() + "temp").exists(), 20000);
    EXPECT_EQ(first.process.state(), QProcess::Running);
    EXPECT_EQ(second.process.state(), QProcess::Running);
}

TEST(ProgramStart, GivenBadOptionsThenTheProgramSaysHowToUseItAndStartsNothing)
{
    TempFolder home;
    QProcess process;
    process.start(QStringLiteral(PICTORELLE_PROGRAM),
                  {QStringLiteral("--home"), home.path(), QStringLiteral("--frobnicate")});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_TRUE(process.readAllStandardError().contains("Usage: pictorelle"));
    EXPECT_FALSE(QDir(home.path() + "temp").exists());
}
