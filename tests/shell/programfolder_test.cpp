#include "shell/programfolder.h"

#include "tempfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// Sets (or unsets, with an empty value) an environment variable for one test.
class EnvironmentGuard
{
public:
    EnvironmentGuard(const char* name, const QString& value) : m_name(name), m_had(qEnvironmentVariableIsSet(name))
    {
        m_old = qgetenv(name);
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value.toLocal8Bit());
    }
    ~EnvironmentGuard()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

// An installed data folder with both tables and one help page.
QString makeDataFolder(const TempFolder& temp)
{
    temp.write("data/category.dat", "1.0\r\n1\r\n0\r\n0\r\n0\r\n1000000,1,1,Travel\r\n");
    temp.write("data/language.dat", "1.0\r\n1\r\nEnglish\r\n");
    temp.write("data/docs/introduction.htm", "<html>intro</html>");
    temp.write("data/docs/images/logo.png", "png");
    return temp.file("data");
}

} // namespace

TEST(HomeOption, GivenHomeWithSeparateOrJoinedValueWhenTakenThenFolderIsFoundAndRemoved)
{
    const auto separate = programfolder::takeHomeOption({"pictorelle-cli", "--home", "/tmp/a", "check", "x.sld"});
    EXPECT_EQ(separate.folder, "/tmp/a");
    EXPECT_FALSE(separate.valueMissing);
    EXPECT_EQ(separate.remaining, QStringList({"pictorelle-cli", "check", "x.sld"}));

    const auto joined = programfolder::takeHomeOption({"pictorelle", "--home=/tmp/b c", "-v"});
    EXPECT_EQ(joined.folder, "/tmp/b c");
    EXPECT_EQ(joined.remaining, QStringList({"pictorelle", "-v"}));

    const auto last = programfolder::takeHomeOption({"p", "--home=/one", "--home", "/two"});
    EXPECT_EQ(last.folder, "/two");
}

TEST(HomeOption, GivenNoOrEmptyValueWhenTakenThenValueIsReportedMissing)
{
    EXPECT_TRUE(programfolder::takeHomeOption({"p", "check", "--home"}).valueMissing);
    EXPECT_TRUE(programfolder::takeHomeOption({"p", "--home="}).valueMissing);
    const auto none = programfolder::takeHomeOption({"p", "check"});
    EXPECT_TRUE(none.folder.isEmpty());
    EXPECT_FALSE(none.valueMissing);
    EXPECT_EQ(none.remaining, QStringList({"p", "check"}));
}

TEST(HomeOption, GivenHomeAfterDoubleDashWhenTakenThenItStaysAnArgument)
{
    const auto option = programfolder::takeHomeOption({"p", "--", "--home", "/x"});
    EXPECT_TRUE(option.folder.isEmpty());
    EXPECT_EQ(option.remaining, QStringList({"p", "--", "--home", "/x"}));
}

TEST(ProgramFolder, GivenHomeOptionWhenResolvedThenItWinsOverEverythingAndIsCreated)
{
    TempFolder temp;
    EnvironmentGuard env("PICTORELLE_HOME", temp.file("fromenv"));
    const auto result = programfolder::resolve(temp.file("option/nested"), temp.path(), QString());
    EXPECT_TRUE(result.ready);
    EXPECT_EQ(result.path, temp.file("option/nested/"));
    EXPECT_TRUE(QFileInfo(result.path).isDir());
    EXPECT_FALSE(QFileInfo::exists(temp.file("fromenv")));
}

TEST(ProgramFolder, GivenRelativeHomeOptionWhenResolvedThenPathIsAbsoluteWithSlash)
{
    TempFolder temp;
    const QString before = QDir::currentPath();
    QDir::setCurrent(temp.path());
    const auto result = programfolder::resolve("rel", QString(), QString());
    QDir::setCurrent(before);
    EXPECT_TRUE(result.ready);
    EXPECT_EQ(QFileInfo(result.path).canonicalFilePath() + "/", QFileInfo(temp.file("rel")).canonicalFilePath() + "/");
    EXPECT_TRUE(result.path.startsWith('/'));
    EXPECT_TRUE(result.path.endsWith('/'));
}

TEST(ProgramFolder, GivenEnvironmentVariableWhenNoOptionThenItWinsOverExecutableFolder)
{
    TempFolder temp;
    EnvironmentGuard env("PICTORELLE_HOME", temp.file("fromenv"));
    const auto result = programfolder::resolve(QString(), temp.path(), QString());
    EXPECT_TRUE(result.ready);
    EXPECT_EQ(result.path, temp.file("fromenv/"));
    EXPECT_TRUE(QFileInfo(result.path).isDir());
}

TEST(ProgramFolder, GivenWritableExecutableFolderWhenNothingElseIsSetThenItIsUsed)
{
    TempFolder temp;
    EnvironmentGuard env("PICTORELLE_HOME", QString());
    EnvironmentGuard home("HOME", temp.file("home"));
    const auto result = programfolder::resolve(QString(), temp.file("bin"), QString());
    EXPECT_EQ(result.path, temp.file("home/.local/share/pictorelle/")) << "a missing folder is not writable";

    QDir().mkpath(temp.file("bin"));
    const auto existing = programfolder::resolve(QString(), temp.file("bin"), QString());
    EXPECT_TRUE(existing.ready);
    EXPECT_EQ(existing.path, temp.file("bin/"));
}

TEST(ProgramFolder, GivenNoUsableFolderWhenResolvedThenUserFolderIsCreatedAndSeeded)
{
    TempFolder temp;
    EnvironmentGuard env("PICTORELLE_HOME", QString());
    EnvironmentGuard home("HOME", temp.file("home"));
    const QString data = makeDataFolder(temp);
    const QString notAFolder = temp.write("pictorelle.exe", "binary");

    const auto result = programfolder::resolve(QString(), notAFolder, data);

    ASSERT_TRUE(result.ready);
    EXPECT_EQ(result.path, temp.file("home/.local/share/pictorelle/"));
    EXPECT_EQ(TempFolder::read(programfolder::categoryFile(result.path)), TempFolder::read(data + "/category.dat"));
    EXPECT_EQ(TempFolder::read(programfolder::languageFile(result.path)), "1.0\r\n1\r\nEnglish\r\n");
    EXPECT_EQ(TempFolder::read(programfolder::helpPage(result.path, "docs/introduction.htm")), "<html>intro</html>");
    EXPECT_EQ(TempFolder::read(result.path + "docs/images/logo.png"), "png");
}

TEST(ProgramFolder, GivenSeededFolderWithEditedTableWhenResolvedAgainThenEditIsKept)
{
    TempFolder temp;
    EnvironmentGuard env("PICTORELLE_HOME", QString());
    EnvironmentGuard home("HOME", temp.file("home"));
    const QString data = makeDataFolder(temp);
    const QString folder = programfolder::resolve(QString(), QString(), data).path;
    temp.write("home/.local/share/pictorelle/language.dat", "1.0\r\n1\r\nSwahili\r\n");
    QFile::remove(folder + "docs/introduction.htm");

    programfolder::resolve(QString(), QString(), data);

    EXPECT_EQ(TempFolder::read(folder + "language.dat"), "1.0\r\n1\r\nSwahili\r\n");
    EXPECT_EQ(TempFolder::read(folder + "docs/introduction.htm"), "<html>intro</html>") << "missing page seeded again";
}

TEST(ProgramFolder, GivenAHomeOptionOrEnvironmentFolderWhenResolvedThenItIsSeededLikeTheUserFolder)
{
    TempFolder temp;
    const QString data = makeDataFolder(temp);
    EnvironmentGuard env("PICTORELLE_HOME", temp.file("fromenv"));

    const auto option = programfolder::resolve(temp.file("option"), QString(), data);
    const auto environment = programfolder::resolve(QString(), QString(), data);

    for (const auto& result : {option, environment}) {
        SCOPED_TRACE(result.path.toStdString());
        ASSERT_TRUE(result.ready);
        EXPECT_EQ(TempFolder::read(programfolder::categoryFile(result.path)), TempFolder::read(data + "/category.dat"));
        EXPECT_EQ(TempFolder::read(programfolder::languageFile(result.path)), "1.0\r\n1\r\nEnglish\r\n");
        EXPECT_EQ(TempFolder::read(result.path + "docs/introduction.htm"), "<html>intro</html>");
        EXPECT_EQ(TempFolder::read(result.path + "docs/images/logo.png"), "png");
    }
    EXPECT_EQ(environment.path, temp.file("fromenv/"));
}

TEST(ProgramFolder, GivenDataBesideTheExecutableAndInstalledDataWhenResolvedThenTheExecutablesOwnComeFirst)
{
    TempFolder temp;
    const QString installed = makeDataFolder(temp);
    temp.write("bin/pictorelle", "binary");
    temp.write("bin/category.dat", "1.0\r\n1\r\n0\r\n0\r\n0\r\n2000000,1,1,Built\r\n");
    temp.write("bin/docs/introduction.htm", "<html>built intro</html>");

    const auto result = programfolder::resolve(temp.file("home"), temp.file("bin"), installed);

    ASSERT_TRUE(result.ready);
    EXPECT_TRUE(TempFolder::read(programfolder::categoryFile(result.path)).contains("Built"));
    EXPECT_EQ(TempFolder::read(result.path + "docs/introduction.htm"), "<html>built intro</html>");
    // What the executable's folder lacks comes from the installed data, file by file.
    EXPECT_EQ(TempFolder::read(programfolder::languageFile(result.path)), "1.0\r\n1\r\nEnglish\r\n");
    EXPECT_EQ(TempFolder::read(result.path + "docs/images/logo.png"), "png");
    EXPECT_FALSE(QFileInfo::exists(result.path + "pictorelle")) << "only data files are copied";
}

TEST(ProgramFolder, GivenAWritableExecutableFolderWithoutTablesWhenResolvedThenTheInstalledOnesAreCopiedIn)
{
    TempFolder temp;
    EnvironmentGuard env("PICTORELLE_HOME", QString());
    const QString installed = makeDataFolder(temp);
    QDir().mkpath(temp.file("bin"));

    const auto result = programfolder::resolve(QString(), temp.file("bin"), installed);

    ASSERT_EQ(result.path, temp.file("bin/"));
    EXPECT_EQ(TempFolder::read(result.path + "category.dat"), TempFolder::read(installed + "/category.dat"));
    EXPECT_EQ(TempFolder::read(result.path + "language.dat"), "1.0\r\n1\r\nEnglish\r\n");
    EXPECT_EQ(TempFolder::read(result.path + "docs/introduction.htm"), "<html>intro</html>");
}

TEST(ProgramFolder, GivenTablesAlreadyThereWhenResolvedThenNoneIsReplacedEvenWhenBroken)
{
    TempFolder temp;
    const QString data = makeDataFolder(temp);
    temp.write("home/category.dat", "");
    temp.write("home/language.dat", "1.0\r\n1\r\nSwahili\r\n");

    const auto result = programfolder::resolve(temp.file("home"), QString(), data);

    EXPECT_EQ(TempFolder::read(result.path + "category.dat"), "");
    EXPECT_EQ(TempFolder::read(result.path + "language.dat"), "1.0\r\n1\r\nSwahili\r\n");
    EXPECT_EQ(TempFolder::read(result.path + "docs/introduction.htm"), "<html>intro</html>");
}

TEST(ProgramFolder, GivenNoDataSourceWhenResolvedThenTheFolderIsReadyWithoutTables)
{
    TempFolder temp;
    const auto result = programfolder::resolve(temp.file("home"), temp.file("no-bin"), temp.file("no-data"));
    ASSERT_TRUE(result.ready);
    EXPECT_FALSE(QFileInfo::exists(programfolder::categoryFile(result.path)));
    EXPECT_FALSE(QFileInfo::exists(programfolder::languageFile(result.path)));
    EXPECT_FALSE(QFileInfo::exists(result.path + "docs"));
}

TEST(ProgramFolder, GivenReadOnlyExecutableFolderWhenResolvedThenUserFolderIsUsed)
{
    TempFolder temp;
    EnvironmentGuard env("PICTORELLE_HOME", QString());
    EnvironmentGuard home("HOME", temp.file("home"));
    QDir().mkpath(temp.file("bin"));
    QFile::setPermissions(temp.file("bin"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    // The super-user writes into any folder: give it an executable folder that is no folder.
    const QString executableFolder = geteuid() == 0 ? temp.write("bin-file", "x") : temp.file("bin");
    const auto result = programfolder::resolve(QString(), executableFolder, QString());
    QFile::setPermissions(temp.file("bin"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(result.path, temp.file("home/.local/share/pictorelle/"));
}

TEST(ProgramFolder, GivenFolderThatCannotBeCreatedWhenResolvedThenNotReady)
{
    TempFolder temp;
    const QString file = temp.write("plain.txt", "x");
    const auto result = programfolder::resolve(file + "/sub", QString(), QString());
    EXPECT_FALSE(result.ready);
    EXPECT_EQ(result.path, file + "/sub/");
}

TEST(ProgramFolder, GivenProgramFolderWhenPathsAreDerivedThenNamesAreAppended)
{
    const QString folder = "/opt/pictorelle/";
    EXPECT_EQ(programfolder::workingFolder(folder), "/opt/pictorelle/temp/");
    EXPECT_EQ(programfolder::saveFolder(folder), "/opt/pictorelle/save/");
    EXPECT_EQ(programfolder::settingsFile(folder), "/opt/pictorelle/pictorelle.ini");
    EXPECT_EQ(programfolder::categoryFile(folder), "/opt/pictorelle/category.dat");
    EXPECT_EQ(programfolder::languageFile(folder), "/opt/pictorelle/language.dat");
    EXPECT_EQ(programfolder::helpPage(folder, "docs/publish.htm"), "/opt/pictorelle/docs/publish.htm");
}
