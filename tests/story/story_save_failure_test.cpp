#include "fakeimporter.h"
#include "fixedclock.h"
#include "foldersnapshot.h"
#include "story/linereader.h"
#include "story/story.h"
#include "story/storyfile.h"
#include "tempfolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <map>

#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

const QDateTime kFirst(QDate(2026, 12, 6), QTime(18, 29, 33));
const QDateTime kSecond(QDate(2026, 12, 7), QTime(9, 5, 10));

//! Makes writes beyond bytes fail as on a full disk (EFBIG, SIGXFSZ ignored) until it goes.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_before);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_before;
        limited.rlim_cur = bytes; // the soft limit only: it can be raised again without privileges
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_before{};
    void (*m_handler)(int) = nullptr;
};

//! Makes a folder refuse new entries: by its mode, or where that does not bind (root) by the
//! immutable attribute. works() is false when neither is possible here.
class UnwritableFolder
{
public:
    explicit UnwritableFolder(QString folder) : m_folder(std::move(folder))
    {
        const QByteArray name = QFile::encodeName(m_folder);
        ::chmod(name.constData(), 0555);
        if (refusesEntries())
            return;
        m_fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (m_fd >= 0 && ::ioctl(m_fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            m_immutable = ::ioctl(m_fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
    }
    ~UnwritableFolder()
    {
        if (m_immutable) {
            int flags = 0;
            ::ioctl(m_fd, FS_IOC_GETFLAGS, &flags);
            flags &= ~FS_IMMUTABLE_FL;
            ::ioctl(m_fd, FS_IOC_SETFLAGS, &flags);
        }
        if (m_fd >= 0)
            ::close(m_fd);
        ::chmod(QFile::encodeName(m_folder).constData(), 0755);
    }
    bool works() const { return refusesEntries(); }

private:
    bool refusesEntries() const
    {
        QFile probe(m_folder + "/probe");
        const bool created = probe.open(QIODevice::WriteOnly);
        if (created)
            probe.remove();
        return !created;
    }

    QString m_folder;
    int m_fd = -1;
    bool m_immutable = false;
};

struct SaveFailureFixture : ::testing::Test
{
    TempFolder home;
    FakeImporter importer;
    Story story{home.path(), &importer};
    QString otherFile;
    std::map<QString, QByteArray> otherBefore;

    void SetUp() override
    {
        // A second story in the library, which no save of the first may touch.
        Story other(home.path(), &importer);
        other.setTitle("Other story");
        addPicture(other, "other.jpg", "JPEG other");
        const SaveResult saved = saveStory(other, FixedClock(kFirst.addDays(-1)));
        ASSERT_TRUE(saved.ok) << saved.error.toStdString();
        otherFile = saved.storyFile;
        otherBefore = folderSnapshot(QFileInfo(otherFile).absolutePath());
        story.reset();
    }

    Slide& addPicture(Story& to, const QString& name, const QByteArray& bytes)
    {
        return addFakePicture(to, importer, home, name, bytes);
    }

    void narrate(Slide& slide, const QByteArray& bytes)
    {
        slide.setNarrationLength(3);
        slide.setHasNarration(true);
        QFile wav(slide.narrationWavPath());
        ASSERT_TRUE(wav.open(QIODevice::WriteOnly) && wav.write(bytes) == bytes.size());
    }

    //! The story saved once with small media; returns its folder.
    QString savedOnce()
    {
        story.setTitle("first");
        addPicture(story, "a.jpg", "JPEG a");
        narrate(addPicture(story, "b.jpg", "JPEG b"), "RIFF short");
        const SaveResult r = saveStory(story, FixedClock(kFirst));
        EXPECT_TRUE(r.ok) << r.error.toStdString();
        return QFileInfo(r.storyFile).absolutePath();
    }

    void expectOtherStoryUntouched() const { EXPECT_EQ(folderSnapshot(QFileInfo(otherFile).absolutePath()), otherBefore); }

    static QStringList partFiles(const QString& folder)
    {
        return QDir(folder).entryList({"*.part", "*.gone", "*.next*"}, QDir::Files | QDir::Hidden);
    }
};

TEST_F(SaveFailureFixture, GivenAnEarlierSaveWhenTheDiskFillsDuringAMediaCopyThenTheSaveFailsAndLeavesItAsItWas)
{
    const QString folder = savedOnce();
    const auto before = folderSnapshot(folder);
    story.setTitle("second");
    narrate(*story.slideAt(1), QByteArray(256 * 1024, 'n'));

    SaveResult failed;
    {
        FileSizeLimit disk(64 * 1024);
        failed = saveStory(story, FixedClock(kSecond));
    }
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.error, "The Pictorelle could not be saved. Could not write " +
                                QDir::toNativeSeparators(folder + "/1.wav") +
                                ": File too large.\n\nYour earlier saves are unchanged.");
    EXPECT_EQ(folderSnapshot(folder), before);
    EXPECT_EQ(partFiles(folder), QStringList{});
    expectOtherStoryUntouched();

    // With room again the same save goes through.
    const SaveResult again = saveStory(story, FixedClock(kSecond));
    ASSERT_TRUE(again.ok) << again.error.toStdString();
    EXPECT_EQ(TempFolder::read(folder + "/1.wav"), QByteArray(256 * 1024, 'n'));
}

TEST_F(SaveFailureFixture, GivenAnEarlierSaveWhenTheDiskFillsWhileTheStoryFileIsWrittenThenNoMediaIsReplaced)
{
    const QString folder = savedOnce();
    const auto before = folderSnapshot(folder);
    story.setTitle("second");
    story.setTranscript(QString(60000, 't')); // a story file of 120 KB; the media are small
    narrate(*story.slideAt(1), "RIFF other");

    SaveResult failed;
    {
        FileSizeLimit disk(64 * 1024);
        failed = saveStory(story, FixedClock(kSecond));
    }
    EXPECT_FALSE(failed.ok);
    EXPECT_TRUE(failed.error.startsWith("The Pictorelle could not be saved. Could not write " +
                                        QDir::toNativeSeparators(story.storyFilePath())))
        << failed.error.toStdString();
    EXPECT_EQ(folderSnapshot(folder), before);
    EXPECT_EQ(partFiles(folder), QStringList{});
    expectOtherStoryUntouched();
}

TEST_F(SaveFailureFixture, GivenAFirstSaveWhenTheDiskIsFullThenNoHalfStoryIsLeftInTheLibrary)
{
    story.setTitle("never saved");
    narrate(addPicture(story, "a.jpg", "JPEG a"), QByteArray(128 * 1024, 'n'));
    const QStringList foldersBefore = QDir(home.path() + "save").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    SaveResult failed;
    {
        FileSizeLimit disk(16 * 1024);
        failed = saveStory(story, FixedClock(kFirst));
    }
    EXPECT_FALSE(failed.ok);
    EXPECT_FALSE(failed.error.isEmpty());
    EXPECT_EQ(story.storyFilePath(), "");
    EXPECT_EQ(QDir(home.path() + "save").entryList(QDir::Dirs | QDir::NoDotAndDotDot), foldersBefore);
    expectOtherStoryUntouched();
}

TEST_F(SaveFailureFixture, GivenTheStorysFolderCannotTakeFilesWhenSavedThenItFailsAndKeepsTheEarlierSave)
{
    const QString folder = savedOnce();
    const auto before = folderSnapshot(folder);
    story.setTitle("second");
    narrate(*story.slideAt(1), "RIFF other");
    SaveResult failed;
    {
        UnwritableFolder locked(folder);
        if (!locked.works())
            GTEST_SKIP() << "no way to make a folder unwritable here";
        failed = saveStory(story, FixedClock(kSecond));
    }
    EXPECT_FALSE(failed.ok);
    EXPECT_TRUE(failed.error.startsWith("The Pictorelle could not be saved. Could not write "))
        << failed.error.toStdString();
    EXPECT_TRUE(failed.error.endsWith("\n\nYour earlier saves are unchanged."));
    EXPECT_EQ(folderSnapshot(folder), before);
    expectOtherStoryUntouched();
}

TEST_F(SaveFailureFixture, GivenTheStorysFolderDeletedAndTheSaveFolderUnwritableWhenSavedThenItFailsAndCreatesNothing)
{
    const QString folder = savedOnce();
    ASSERT_TRUE(QDir(folder).removeRecursively());
    const QString saveFolder = home.path() + "save";
    const QStringList foldersBefore = QDir(saveFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    SaveResult failed;
    {
        UnwritableFolder locked(saveFolder);
        if (!locked.works())
            GTEST_SKIP() << "no way to make a folder unwritable here";
        failed = saveStory(story, FixedClock(kSecond));
    }
    EXPECT_FALSE(failed.ok);
    const QString newFolder = QDir::toNativeSeparators(saveFolder + "/Dec.07.2026_09.05AM-10");
    EXPECT_TRUE(failed.error.startsWith("The Pictorelle could not be saved. The folder " + newFolder +
                                        " could not be created: "))
        << failed.error.toStdString();
    EXPECT_EQ(QDir(saveFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot), foldersBefore);
    expectOtherStoryUntouched();

    // Once the save folder takes files again, the story is saved afresh.
    const SaveResult again = saveStory(story, FixedClock(kSecond));
    ASSERT_TRUE(again.ok) << again.error.toStdString();
    EXPECT_EQ(QFileInfo(again.storyFile).absolutePath(), saveFolder + "/Dec.07.2026_09.05AM-10");
}

} // namespace
