#include "fakeimporter.h"
#include "fixedclock.h"
#include "story/story.h"
#include "story/storyfile.h"
#include "story/storylibrary.h"
#include "tempfolder.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <random>
#include <thread>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Files = std::map<QString, QByteArray>;

Files snapshot(const QString& folder)
{
    Files files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        const QString path = it.next();
        files[QFileInfo(path).fileName()] = TempFolder::read(path);
    }
    return files;
}

void restore(const QString& folder, const Files& files)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    for (const auto& [name, bytes] : files) {
        QFile f(folder + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    }
}

//! What a load of a story file gives: its texts and, per slide, picture and narration bytes.
struct Loaded
{
    QStringList texts;
    QList<QByteArray> media;
    bool operator==(const Loaded&) const = default;
};

Loaded load(const QString& storyFile, const QString& readerFolder, FakeImporter& importer)
{
    Story story(readerFolder, &importer);
    loadStory(storyFile, story);
    importer.finishAll();
    Loaded l;
    l.texts << story.title() << story.description() << story.transcript();
    for (int i = 0; i < story.count(); ++i) {
        const Slide& s = *story.slideAt(i);
        l.texts << s.caption() << s.cueText() << QString::number(s.narrationLength());
        l.media << TempFolder::read(story.workingFolder() + QString::number(s.id()) + ".jpg")
                << (s.hasNarration() ? TempFolder::read(s.narrationWavPath()) : QByteArray());
    }
    return l;
}

//! Runs saveStory in a child process; returns its pid once the child is about to save.
pid_t startSaveInChild(Story& story, const QDateTime& when)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        const char go = 1;
        (void)!::write(ready[1], &go, 1);
        const SaveResult r = saveStory(story, FixedClock(when), SavedPictures::AlreadyRemade);
        ::_exit(r.ok ? 0 : 1);
    }
    ::close(ready[1]);
    char go = 0;
    (void)!::read(ready[0], &go, 1);
    ::close(ready[0]);
    return pid;
}

TEST(StorySaveKillTest, GivenSavesKilledAtManyMomentsThenEveryEarlierSaveLoadsAsItWasOrTheNewSaveLoadsWhole)
{
    TempFolder home;
    FakeImporter importer;
    const auto picture = [&](Story& to, const QString& name, const QByteArray& bytes) -> Slide& {
        return addFakePicture(to, importer, home, name, bytes);
    };
    const auto narrate = [](Slide& slide, int seconds, const QByteArray& bytes) {
        slide.setNarrationLength(seconds);
        slide.setHasNarration(true);
        QFile wav(slide.narrationWavPath());
        ASSERT_TRUE(wav.open(QIODevice::WriteOnly) && wav.write(bytes) == bytes.size());
    };

    // Another story in the library, and this story's previous save.
    Story other(home.path(), &importer);
    other.setTitle("Other story");
    narrate(picture(other, "o.jpg", "JPEG other"), 7, QByteArray(300000, 'o'));
    const SaveResult otherSave = saveStory(other, FixedClock(QDateTime(QDate(2026, 12, 5), QTime(10, 0))));
    ASSERT_TRUE(otherSave.ok) << otherSave.error.toStdString();
    const QString otherFolder = QFileInfo(otherSave.storyFile).absolutePath();
    const Files otherFiles = snapshot(otherFolder);
    const Loaded otherLoaded = load(otherSave.storyFile, home.path() + "reader/", importer);

    Story story(home.path(), &importer);
    story.setTitle("before");
    story.setDescription("the first\r\nsave");
    for (int i = 0; i < 4; ++i)
        narrate(picture(story, QString("p%1.jpg").arg(i), "JPEG " + QByteArray::number(i)), 10 + i,
                QByteArray(200000, char('a' + i)));
    story.slideAt(0)->setCueText("first cue");
    const SaveResult previous = saveStory(story, FixedClock(QDateTime(QDate(2026, 12, 6), QTime(18, 29, 33))));
    ASSERT_TRUE(previous.ok) << previous.error.toStdString();
    const QString folder = QFileInfo(previous.storyFile).absolutePath();
    const Files previousFiles = snapshot(folder);
    const Loaded before = load(previous.storyFile, home.path() + "reader/", importer);

    // The new save changes every text, the order of the slides and every narration.
    story.setTitle("after");
    story.setDescription("the second save");
    story.setTranscript(QString(20000, 'w'));
    story.move(3, 0);
    for (int i = 0; i < story.count(); ++i) {
        narrate(*story.slideAt(i), 20 + i, QByteArray(250000 + 1000 * i, char('k' + i)));
        story.slideAt(i)->setCaption(QString("caption %1").arg(i));
    }
    const QDateTime when(QDate(2026, 12, 7), QTime(9, 5, 10));

    // One save run to the end, in a child, both to know its length and what it leaves.
    QElapsedTimer timer;
    timer.start();
    pid_t pid = startSaveInChild(story, when);
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    const qint64 saveNanoseconds = std::max<qint64>(timer.nsecsElapsed(), 1000000);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const Loaded after = load(previous.storyFile, home.path() + "reader/", importer);
    ASSERT_NE(after, before);

    // Kills spread over the save's length (and a little past it), each from the earlier save.
    std::mt19937 random(20261206);
    constexpr int Kills = 20;
    int interrupted = 0;
    int finished = 0;
    for (int k = 0; k < Kills; ++k) {
        restore(folder, previousFiles);
        const qint64 jitter = std::uniform_int_distribution<qint64>(0, saveNanoseconds / Kills)(random);
        const auto moment = std::chrono::nanoseconds(saveNanoseconds * 11 / 10 * k / Kills + jitter);
        pid = startSaveInChild(story, when);
        ASSERT_GT(pid, 0);
        // The moment of the kill is what this test varies: a wait for it is the point.
        std::this_thread::sleep_for(moment);
        ::kill(pid, SIGKILL);
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);

        StoryLibrary::SortSwitches switches;
        StoryLibrary library(home.path() + "save/", switches);
        library.open();
        EXPECT_EQ(library.rowCount(), 2) << "kill " << k;
        const Loaded now = load(previous.storyFile, home.path() + "reader/", importer);
        if (now == before)
            ++interrupted;
        else if (now == after)
            ++finished;
        else
            ADD_FAILURE() << "kill " << k << " after " << moment.count() << " ns left a mix of two saves";
        EXPECT_EQ(snapshot(otherFolder), otherFiles) << "kill " << k;
        EXPECT_EQ(load(otherSave.storyFile, home.path() + "reader/", importer), otherLoaded) << "kill " << k;
    }
    EXPECT_EQ(interrupted + finished, Kills);
    EXPECT_GT(interrupted, 0); // the early kills land before the new save counts

    // After the kills, a save goes through and leaves nothing of theirs behind.
    const SaveResult last = saveStory(story, FixedClock(when), SavedPictures::AlreadyRemade);
    ASSERT_TRUE(last.ok) << last.error.toStdString();
    EXPECT_EQ(load(previous.storyFile, home.path() + "reader/", importer), after);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"0.jpg", "0.wav", "1.jpg", "1.wav", "2.jpg", "2.wav", "3.jpg", "3.wav",
                           QFileInfo(previous.storyFile).fileName()}));
}

} // namespace
