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

TEST(HomeOption, GivenHomeOptionsOfEveryShapeWhenTakenThenTheLastFolderIsFoundAndTheOtherArgumentsStayInOrder)
{
    const struct
    {
        QStringList arguments;
        QString folder;
        bool valueMissing;
        QStringList remaining;
    } cases[] = {
        {{"pictorelle-cli", "--home", "/tmp/a", "check", "x.sld"},
         "/tmp/a",
         false,
         {"pictorelle-cli", "check", "x.sld"}},
        {{"pictorelle", "--home=/tmp/b c", "-v"}, "/tmp/b c", false, {"pictorelle", "-v"}},
        {{"p", "--home=/one", "--home", "/two"}, "/two", false, {"p"}},
        {{"p", "check", "--home"}, "", true, {"p", "check"}},
        {{"p", "--home", "", "check"}, "", true, {"p", "check"}},
        {{"p", "--home="}, "", true, {"p"}},
        {{"p", "check"}, "", false, {"p", "check"}},
        // Nothing after "--" is an option.
        {{"p", "--", "--home", "/x"}, "", false, {"p", "--", "--home", "/x"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const auto option = programfolder::takeHomeOption(c.arguments);
        EXPECT_EQ(option.folder, c.folder);
        EXPECT_EQ(option.valueMissing, c.valueMissing);
        EXPECT_EQ(option.remaining, c.remaining);
    }
}

TEST(ProgramFolder, GivenEachWayOfNamingTheFolderWhenResolvedThenTheFirstThatAppliesIsCreatedAndSeeded)
{
    enum class Executable {
        Folder,
        Missing,
        File,
        ReadOnly
    };
    const QString userFolder = QStringLiteral("home/.local/share/pictorelle/");
    const struct
    {
        const char* what;
        QString option;
        QString environment;
        Executable executable;
        QString expected;
    } cases[] = {
        {"the option wins over everything", "option/nested", "fromenv", Executable::Folder, "option/nested/"},
        {"the environment wins over the executable's folder", "", "fromenv", Executable::Folder, "fromenv/"},
        {"a writable executable folder", "", "", Executable::Folder, "bin/"},
        {"a missing executable folder is not writable", "", "", Executable::Missing, userFolder},
        {"an executable folder that is a file", "", "", Executable::File, userFolder},
        {"a read-only executable folder", "", "", Executable::ReadOnly, userFolder},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder temp;
        const QString data = makeDataFolder(temp);
        EnvironmentGuard environment("PICTORELLE_HOME", c.environment.isEmpty() ? QString() : temp.file(c.environment));
        EnvironmentGuard home("HOME", temp.file("home"));
        QString executable = temp.file("bin");
        if (c.executable == Executable::Folder || c.executable == Executable::ReadOnly)
            QDir().mkpath(executable);
        if (c.executable == Executable::ReadOnly)
            QFile::setPermissions(executable, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        // The super-user writes into any folder: give it an executable folder that is no folder.
        if (c.executable == Executable::File || (c.executable == Executable::ReadOnly && geteuid() == 0))
            executable = temp.write("pictorelle.exe", "binary");

        const auto result =
            programfolder::resolve(c.option.isEmpty() ? QString() : temp.file(c.option), executable, data);
        QFile::setPermissions(temp.file("bin"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

        ASSERT_TRUE(result.ready);
        EXPECT_EQ(result.path, temp.file(c.expected));
        EXPECT_TRUE(QFileInfo(result.path).isDir());
        EXPECT_EQ(QFileInfo::exists(temp.file("fromenv")), c.expected == "fromenv/")
            << "only the chosen folder is made";
        EXPECT_EQ(TempFolder::read(result.path + "category.dat"), TempFolder::read(data + "/category.dat"));
        EXPECT_EQ(TempFolder::read(result.path + "language.dat"), "1.0\r\n1\r\nEnglish\r\n");
        EXPECT_EQ(TempFolder::read(result.path + "docs/introduction.htm"), "<html>intro</html>");
        EXPECT_EQ(TempFolder::read(result.path + "docs/images/logo.png"), "png");
    }
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

TEST(ProgramFolder, GivenFilesAlreadyThereEvenBrokenWhenResolvedAgainThenNoneIsReplacedAndOnlyTheMissingAreCopied)
{
    TempFolder temp;
    const QString data = makeDataFolder(temp);
    temp.write("home/category.dat", "");
    temp.write("home/language.dat", "1.0\r\n1\r\nSwahili\r\n");

    const auto result = programfolder::resolve(temp.file("home"), QString(), data);
    EXPECT_EQ(TempFolder::read(result.path + "docs/introduction.htm"), "<html>intro</html>");
    temp.write("home/docs/images/logo.png", "edited");
    QFile::remove(result.path + "docs/introduction.htm");
    programfolder::resolve(temp.file("home"), QString(), data);

    EXPECT_EQ(TempFolder::read(result.path + "category.dat"), "");
    EXPECT_EQ(TempFolder::read(result.path + "language.dat"), "1.0\r\n1\r\nSwahili\r\n");
    EXPECT_EQ(TempFolder::read(result.path + "docs/images/logo.png"), "edited");
    EXPECT_EQ(TempFolder::read(result.path + "docs/introduction.htm"), "<html>intro</html>")
        << "missing page copied again";
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
