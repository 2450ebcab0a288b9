#include "fakeimporter.h"
#include "story/story.h"
#include "story/text.h"
#include "tempfolder.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

struct StoryFixture : ::testing::Test
{
    TempFolder home;
    FakeImporter importer;
    Story story{home.path(), &importer};

    Slide* addPicture(const QString& name, int at = -1)
    {
        auto s = std::make_unique<Slide>(story);
        s->setSourcePicturePath(home.write(name, "picture " + name.toUtf8()));
        Slide* raw = s.get();
        return story.add(std::move(s), at) ? raw : nullptr;
    }

    Slide* addSegment()
    {
        auto s = std::make_unique<Slide>(story);
        s->setKind(SlideKind::Segment);
        Slide* raw = s.get();
        return story.add(std::move(s)) ? raw : nullptr;
    }
};

TEST_F(StoryFixture, FiftySlidesAtMostAndTheRefusedOneStillTookAnId)
{
    for (int i = 0; i < 50; ++i)
        ASSERT_NE(addSegment(), nullptr);
    const int nextId = story.takeSlideId();
    EXPECT_EQ(addSegment(), nullptr);
    EXPECT_EQ(story.count(), 50);
    EXPECT_EQ(story.takeSlideId(), nextId + 2); // the refused slide consumed one
}

TEST_F(StoryFixture, SamePictureTwiceIsRefusedEvenAfterImportRenamedIt)
{
    ASSERT_NE(addPicture("a.jpg"), nullptr);
    EXPECT_EQ(addPicture("a.jpg"), nullptr);
    importer.finishAll();
    EXPECT_TRUE(story.slideAt(0)->sourcePicturePath().endsWith("temp/c0.jpg"));
    EXPECT_EQ(addPicture("a.jpg"), nullptr);
    EXPECT_NE(addSegment(), nullptr);
    EXPECT_NE(addSegment(), nullptr);
    EXPECT_EQ(story.count(), 3);
}

TEST_F(StoryFixture, InsertAtZeroPutsTheSlideFirstAndNamesItsFilesByItsId)
{
    addPicture("a.jpg");
    addPicture("b.jpg");
    addPicture("c.jpg");
    Slide* d = addPicture("d.jpg", 0);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(story.slideAt(0), d);
    EXPECT_TRUE(story.slideAt(1)->sourcePicturePath().endsWith("a.jpg"));
    EXPECT_TRUE(story.slideAt(3)->sourcePicturePath().endsWith("c.jpg"));
    EXPECT_TRUE(d->narrationWavPath().endsWith(QString("temp/%1.wav").arg(d->id())));
    EXPECT_TRUE(d->thumbnailJpegPath().endsWith(QString("temp/%1_t.jpg").arg(d->id())));
}

TEST_F(StoryFixture, RemoveMovesTheCurrentIndexAndKeepsItInTheList)
{
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
        addPicture(n);
    importer.finishAll();

    ASSERT_TRUE(story.select(3));
    ASSERT_TRUE(story.remove(3));
    EXPECT_EQ(story.currentIndex(), 2);

    ASSERT_TRUE(story.select(1));
    ASSERT_TRUE(story.remove(0));
    EXPECT_EQ(story.currentIndex(), 0); // the removed index
    EXPECT_TRUE(story.slideAt(0)->sourcePicturePath().endsWith("c1.jpg"));

    EXPECT_FALSE(story.remove(-1));
    EXPECT_FALSE(story.remove(2));

    // The last slide goes while an earlier one is current: the current index stays a slide.
    addPicture("e.jpg");
    importer.finishAll();
    ASSERT_TRUE(story.select(0));
    ASSERT_EQ(story.count(), 3);
    ASSERT_TRUE(story.remove(2));
    EXPECT_EQ(story.currentIndex(), 1);
    EXPECT_NE(story.slideAt(story.currentIndex()), nullptr);
}

TEST_F(StoryFixture, BusySlidesCannotBeRemoved)
{
    addPicture("a.jpg");
    EXPECT_FALSE(story.remove(0)); // import still running
    EXPECT_TRUE(story.isBusy());
    importer.finishAll();
    EXPECT_FALSE(story.isBusy());

    story.slideAt(0)->setRecording(true);
    EXPECT_FALSE(story.remove(0));
    story.slideAt(0)->setRecording(false);
    story.slideAt(0)->setMp3Busy(true);
    EXPECT_FALSE(story.remove(0));
    story.slideAt(0)->setMp3Busy(false);
    EXPECT_TRUE(story.remove(0));

    auto legacy = std::make_unique<Slide>(story);
    legacy->setKind(SlideKind(3));
    ASSERT_TRUE(story.add(std::move(legacy)));
    EXPECT_FALSE(story.remove(0)); // kind 3 never becomes ready
}

TEST_F(StoryFixture, OnlyTheNewestImportOfAChangedPictureMakesTheSlideReady)
{
    addPicture("a.jpg");
    const QString firstJpeg = story.slideAt(0)->slideJpegPath();
    story.changePicture(0, home.write("b.png", "b"));
    EXPECT_NE(story.slideAt(0)->slideJpegPath(), firstJpeg);
    EXPECT_EQ(story.runningImports(), 2);
    importer.finishNext();
    EXPECT_FALSE(story.slideAt(0)->isReady());
    importer.finishNext();
    EXPECT_TRUE(story.slideAt(0)->isReady());
    EXPECT_EQ(story.runningImports(), 0);
    story.changePicture(5, "x.jpg"); // no such slide: nothing happens
    EXPECT_EQ(story.runningImports(), 0);
}

TEST_F(StoryFixture, ResultsFromBeforeAResetAreDropped)
{
    addPicture("a.jpg");
    story.reset();
    addPicture("b.jpg");
    importer.finishNext(); // the old story's import
    EXPECT_FALSE(story.slideAt(0)->isReady());
    EXPECT_EQ(story.runningImports(), 1);
    importer.finishNext();
    EXPECT_TRUE(story.slideAt(0)->isReady());
}

TEST_F(StoryFixture, ResetEmptiesTheWorkingFolderOfMediaOnly)
{
    story.setTranscript("kept");
    for (const char* n : {"1.jpg", "c2.jpg", "3.wav", "podcast.wav", "4.mp3", "notes.txt"})
        home.write(QString("temp/") + n, "x");
    story.setCategoryName("Travel");
    story.setTitle("t");
    story.reset();
    const QStringList left = QDir(story.workingFolder()).entryList(QDir::Files);
    EXPECT_EQ(left, QStringList{"notes.txt"});
    EXPECT_EQ(story.categoryName(), "Click the \"Choose Category\" button");
    EXPECT_EQ(story.transcript(), "kept");
    EXPECT_EQ(story.title(), "");
    EXPECT_EQ(story.uniqueId(), -1);
    EXPECT_EQ(story.type(), 1);
    EXPECT_EQ(story.currentIndex(), -1);
}

TEST_F(StoryFixture, TextSettersCutAndNormalise)
{
    story.setTitle(QString(60, 'x'));
    EXPECT_EQ(story.title().size(), 47);
    story.setDescription(QString(300, 'y'));
    EXPECT_EQ(story.description().size(), 299);
    story.setDescription("one\ntwo\rthree\r\nfour");
    EXPECT_EQ(story.description(), "one\r\ntwo\r\nthree\r\nfour");
    story.setTitle("a\nb");
    EXPECT_EQ(story.title(), "a b");

    // 46 letters then an emoji (a surrogate pair) would end inside the pair at 47.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    story.setTitle(QString(46, 'a') + emoji);
    EXPECT_EQ(story.title(), QString(46, 'a'));
    story.setTitle(QString(45, 'a') + emoji);
    EXPECT_EQ(story.title(), QString(45, 'a') + emoji);
}

TEST_F(StoryFixture, TotalLengthAndItsText)
{
    for (int seconds : {65, 0, 600}) {
        Slide* s = addSegment();
        s->setNarrationLength(seconds);
    }
    EXPECT_EQ(story.totalLength(), 665);
    EXPECT_EQ(text::formatDuration(665), "11:05");
    EXPECT_EQ(text::formatDuration(125), "2:05");
    EXPECT_EQ(text::formatDuration(600), "10:00");
    EXPECT_EQ(text::formatDuration(59), "0:59");
}

TEST_F(StoryFixture, ClearNarrationDeletesTheRecording)
{
    Slide* s = addSegment();
    home.write(QString("temp/%1.wav").arg(s->id()), "RIFF");
    s->setHasNarration(true);
    s->setNarrationLength(12);
    s->clearNarration();
    EXPECT_FALSE(s->hasNarration());
    EXPECT_EQ(s->narrationLength(), 0);
    EXPECT_FALSE(QFileInfo::exists(s->narrationWavPath()));
}

TEST(SlideKindTest, LongestNarrationByKind)
{
    EXPECT_EQ(longestNarration(SlideKind::Picture), 60);
    EXPECT_EQ(longestNarration(SlideKind::Segment), 900);
    EXPECT_EQ(longestNarration(SlideKind(3)), 900);
    EXPECT_EQ(longestNarration(SlideKind(7)), 0);
}

} // namespace
