#include "fakeimporter.h"
#include "fixedclock.h"
#include "story/linereader.h"
#include "story/story.h"
#include "story/storyfile.h"
#include "tempfolder.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

const QDateTime kDec6 = QDateTime(QDate(2026, 12, 6), QTime(18, 29, 33));

struct StoryFileFixture : ::testing::Test
{
    TempFolder home;
    FakeImporter importer;
    Story story{home.path(), &importer};
    FixedClock clock{kDec6};

    Slide* addPicture(const QString& name)
    {
        auto s = std::make_unique<Slide>(story);
        s->setSourcePicturePath(home.write("pictures/" + name, "JPEG of " + name.toUtf8()));
        Slide* raw = s.get();
        story.add(std::move(s));
        importer.finishAll();
        return raw;
    }

    QString fileText(const QString& path) { return fromUtf16Le(TempFolder::read(path)); }
};

TEST_F(StoryFileFixture, ASaveRightAfterPublishingTakesThePicturesAsTheyAreAndStillWritesThemAll)
{
    addPicture("a.jpg");
    addPicture("b.jpg");
    const SaveResult r = saveStory(story, clock, SavedPictures::AlreadyRemade);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(importer.reprocessed, 0);
    const QString folder = QFileInfo(r.storyFile).absolutePath();
    EXPECT_EQ(TempFolder::read(folder + "/0.jpg"), "JPEG of a.jpg");
    EXPECT_EQ(TempFolder::read(folder + "/1.jpg"), "JPEG of b.jpg");

    // Any other save remakes those whose slide JPEG lacks the slide's rotation.
    ASSERT_TRUE(saveStory(story, clock).ok);
    EXPECT_EQ(importer.reprocessed, 0) << "both upright since their import";
    story.slideAt(1)->setRotation(2);
    ASSERT_TRUE(saveStory(story, clock).ok);
    EXPECT_EQ(importer.reprocessed, 1);
    EXPECT_TRUE(story.slideAt(1)->isJpegCurrent());
    ASSERT_TRUE(saveStory(story, clock).ok);
    EXPECT_EQ(importer.reprocessed, 1) << "made with its rotation by the save before";
}

TEST_F(StoryFileFixture, FirstSaveWritesTheStampedFolderAndExactLines)
{
    story.setTitle("Holiday");
    Slide* a = addPicture("a.jpg");
    addPicture("b.jpg");
    a->setNarrationLength(12);
    a->setHasNarration(true);
    home.write(QString("temp/%1.wav").arg(a->id()), "RIFF narration");

    const SaveResult r = saveStory(story, clock);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    const QString folder = home.path() + "save/Dec.06.2026_06.29PM-33";
    EXPECT_EQ(r.storyFile, folder + "/Dec.06.2026_06.29PM-33.sld");
    EXPECT_EQ(story.storyFilePath(), r.storyFile);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files),
              (QStringList{"0.jpg", "0.wav", "1.jpg", "Dec.06.2026_06.29PM-33.sld"}));
    EXPECT_EQ(TempFolder::read(folder + "/1.jpg"), "JPEG of b.jpg");
    EXPECT_EQ(importer.reprocessed, 0) << "upright since their import";

    const QByteArray bytes = TempFolder::read(r.storyFile);
    ASSERT_GE(bytes.size(), 4);
    EXPECT_EQ(bytes.left(4), QByteArray("S\0C\0", 4)); // UTF-16LE, no byte-order mark
    const QString expected = QString("SC_TITLE=Holiday\n"
                                     "SC_DATE=%1\n"
                                     "SC_SLIDES=2\nSC_TYPE=1\nSC_LENGTH=12\nSC_CATEGORY_ID=0\n"
                                     "SC_CATEGORY_NAME=Click the \"Choose Category\" button\n"
                                     "SC_DESCRIPTION=\nSC_TAGS=\nSC_VERSION=1.0\nSC_UNIQUE_ID=-1\nSC_OWNER=\n"
                                     "SC_TRANSCRIPT=0\n\nSC_TRANSCRIPT_PUBLISH=0\nSC_FINISHED\n"
                                     "S0_CAPTION=\nS0_TAGS=\nS0_DURATION=12\nS0_TYPE=0\nS0_CUE=0\n"
                                     "S0_IMAGE_PATH=%2/0.jpg\nS0_AUDIO_PATH=%2/0.wav\nS_FINISHED\n"
                                     "S1_CAPTION=\nS1_TAGS=\nS1_DURATION=0\nS1_TYPE=0\nS1_CUE=0\n"
                                     "S1_IMAGE_PATH=%2/1.jpg\nS1_AUDIO_PATH=\nS_FINISHED\n")
                                 .arg(kDec6.toSecsSinceEpoch())
                                 .arg(folder);
    EXPECT_EQ(fromUtf16Le(bytes), expected);
    EXPECT_EQ(saveConfirmationText(story.title(), r.time),
              "Your Pictorelle was saved as:\n\nHoliday\n\nTime:  Dec 06 2026 06:29PM\n\n"
              "You can load the Pictorelle with the File -> Load Pictorelle command.");
    EXPECT_TRUE(saveConfirmationText("", r.time).contains("\n\nNo title\n\n"));
}

TEST_F(StoryFileFixture, EscapedTextsRoundTrip)
{
    story.setDescription("Line one\r\nLine two");
    story.setTranscript("first\nsecond |- third");
    story.setTranscriptPublish(true);
    story.setType(2);
    story.setCategoryId(2030400);
    story.setUniqueId(77);
    Slide* a = addPicture("a.jpg");
    a->setCaption("cap\r\ntion");
    a->setCueText("note one\nnote two");
    a->setTags("sea;sun");
    const SaveResult r = saveStory(story, clock);
    ASSERT_TRUE(r.ok);
    const QString text = fileText(r.storyFile);
    EXPECT_TRUE(text.contains("\nSC_DESCRIPTION=Line one|-Line two\n"));
    EXPECT_TRUE(text.contains("\nSC_TRANSCRIPT=22\nfirst|-second |- third\n"));
    EXPECT_TRUE(text.contains("\nS0_CUE=18\nnote one|-note two\n"));

    Story loaded(home.path() + "other/", &importer);
    const LoadReport report = loadStory(r.storyFile, loaded);
    importer.finishAll();
    EXPECT_TRUE(report.opened);
    EXPECT_TRUE(report.warnings.isEmpty()) << report.warnings.join("; ").toStdString();
    EXPECT_EQ(loaded.description(), "Line one\r\nLine two");
    EXPECT_EQ(loaded.transcript(), "first\r\nsecond \r\n third"); // a typed "|-" reads back as a line break
    EXPECT_TRUE(loaded.transcriptPublish());
    EXPECT_EQ(loaded.type(), 2);
    EXPECT_EQ(loaded.categoryId(), 2030400);
    EXPECT_EQ(loaded.uniqueId(), 77);
    ASSERT_EQ(loaded.count(), 1);
    const Slide& s = *loaded.slideAt(0);
    EXPECT_EQ(s.id(), 1);
    EXPECT_EQ(s.caption(), "cap\r\ntion");
    EXPECT_EQ(s.cueText(), "note one\r\nnote two");
    EXPECT_EQ(s.tags(), "sea;sun");
    EXPECT_EQ(TempFolder::read(loaded.workingFolder() + "1.jpg"), "JPEG of a.jpg");
    EXPECT_EQ(loaded.storyFilePath(), r.storyFile);
}

TEST_F(StoryFileFixture, GivenALongCueAndAnEmptyOneWhenSavedAndLoadedThenBothComeBackAsTheyWere)
{
    Slide* a = addPicture("a.jpg");
    Slide* b = addPicture("b.jpg");
    a->setCueText(QString(1500, 'c'));
    b->setCueText("");
    const SaveResult r = saveStory(story, clock);
    const QString text = fileText(r.storyFile);
    EXPECT_TRUE(text.contains("\nS0_CUE=1500\n" + QString(1500, 'c') + "\nS0_IMAGE_PATH="));
    EXPECT_TRUE(text.contains("\nS1_CUE=0\nS1_IMAGE_PATH="));
    Story loaded(home.path(), &importer);
    loadStory(r.storyFile, loaded);
    EXPECT_EQ(loaded.slideAt(0)->cueText(), QString(1500, 'c'));
    EXPECT_EQ(loaded.slideAt(1)->cueText(), "");
}

TEST_F(StoryFileFixture, SavingAgainAfterLoadUsesTheSameFile)
{
    story.setTitle(QString(47, 't'));
    addPicture("a.jpg");
    const SaveResult first = saveStory(story, clock);
    story.reset();
    loadStory(first.storyFile, story);
    importer.finishAll();
    EXPECT_EQ(story.title(), QString(47, 't'));
    clock.time = kDec6.addDays(1);
    const SaveResult second = saveStory(story, clock);
    ASSERT_TRUE(second.ok);
    EXPECT_EQ(second.storyFile, first.storyFile);
    EXPECT_EQ(QDir(home.path() + "save").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
}

TEST_F(StoryFileFixture, TwoFirstSavesInOneSecondGetTwoFolders)
{
    addPicture("a.jpg");
    const SaveResult first = saveStory(story, clock);
    story.setStoryFilePath("");
    const SaveResult second = saveStory(story, clock);
    ASSERT_TRUE(second.ok);
    EXPECT_EQ(second.storyFile, home.path() + "save/Dec.06.2026_06.29PM-33-2/Dec.06.2026_06.29PM-33-2.sld");
    EXPECT_TRUE(QFileInfo::exists(first.storyFile));
}

TEST_F(StoryFileFixture, DeletedSaveFolderMeansAFreshFirstSave)
{
    addPicture("a.jpg");
    const SaveResult first = saveStory(story, clock);
    QDir(QFileInfo(first.storyFile).absolutePath()).removeRecursively();
    clock.time = kDec6.addSecs(60);
    const SaveResult second = saveStory(story, clock);
    ASSERT_TRUE(second.ok);
    EXPECT_TRUE(second.storyFile.endsWith("save/Dec.06.2026_06.30PM-33/Dec.06.2026_06.30PM-33.sld"));
    EXPECT_TRUE(QFileInfo::exists(second.storyFile));
}

TEST_F(StoryFileFixture, ASaveThatCannotWriteReportsAndLeavesTheEarlierSave)
{
    story.setTitle("first");
    addPicture("a.jpg");
    addPicture("b.jpg");
    const SaveResult first = saveStory(story, clock);
    const QByteArray before = TempFolder::read(first.storyFile);
    const QString folder = QFileInfo(first.storyFile).absolutePath();

    // A picture copy that cannot be written (a folder stands in its way): nothing changes.
    story.move(1, 0);
    story.setTitle("second");
    QDir().mkpath(folder + "/1.jpg.part/blocker");
    SaveResult failed = saveStory(story, clock);
    EXPECT_FALSE(failed.ok);
    EXPECT_FALSE(failed.error.isEmpty());
    EXPECT_EQ(TempFolder::read(first.storyFile), before);
    EXPECT_EQ(TempFolder::read(folder + "/0.jpg"), "JPEG of a.jpg");
    EXPECT_FALSE(QFileInfo::exists(folder + "/0.jpg.part"));
    QDir(folder + "/1.jpg.part").removeRecursively();

    // A story file that cannot be replaced: the pictures stay those of the earlier save.
    const QString blocked = home.path() + "save/blocked";
    QDir().mkpath(blocked + "/b.sld/inside");
    story.setStoryFilePath(blocked + "/b.sld");
    failed = saveStory(story, clock);
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(QDir(blocked).entryList(QDir::Files), QStringList{});
    EXPECT_EQ(story.storyFilePath(), blocked + "/b.sld");
}

TEST_F(StoryFileFixture, MovedStoryFindsItsMediaBesideTheStoryFile)
{
    Slide* a = addPicture("a.jpg");
    a->setNarrationLength(3);
    home.write(QString("temp/%1.wav").arg(a->id()), "RIFF");
    const SaveResult r = saveStory(story, clock);
    const QString moved = home.path() + "elsewhere";
    ASSERT_TRUE(QDir().rename(QFileInfo(r.storyFile).absolutePath(), moved));

    story.reset();
    const LoadReport report = loadStory(moved + "/Dec.06.2026_06.29PM-33.sld", story);
    importer.finishAll();
    EXPECT_TRUE(report.warnings.isEmpty());
    EXPECT_EQ(TempFolder::read(story.workingFolder() + "1.jpg"), "JPEG of a.jpg");
    EXPECT_TRUE(story.slideAt(0)->hasNarration());
    EXPECT_EQ(TempFolder::read(story.slideAt(0)->narrationWavPath()), "RIFF");
}

TEST_F(StoryFileFixture, MissingMediaLoadWhatTheyCanWithWarnings)
{
    const QString sld = home.write("save/x/x.sld", toUtf16Le("SC_TITLE=t\nSC_FINISHED\n"
                                                             "S0_DURATION=5\nS0_TYPE=0\nS0_IMAGE_PATH=/nowhere/0.jpg\n"
                                                             "S0_AUDIO_PATH=/nowhere/0.wav\nS_FINISHED\n"));
    const LoadReport report = loadStory(sld, story);
    EXPECT_EQ(story.count(), 1);
    EXPECT_EQ(report.warnings.size(), 2);
    EXPECT_FALSE(story.slideAt(0)->hasNarration());
    EXPECT_EQ(story.slideAt(0)->narrationLength(), 0);
}

QString blocks(int n)
{
    QString s = "SC_FINISHED\n";
    for (int i = 0; i < n; ++i)
        s += QString("S%1_TYPE=1\nS%1_DURATION=1\nS%1_AUDIO_PATH=\nS_FINISHED\n").arg(i);
    return s;
}

TEST_F(StoryFileFixture, MoreThanFiftyBlocksLoadFifty)
{
    const QString sld = home.write("s.sld", toUtf16Le(blocks(53)));
    const LoadReport report = loadStory(sld, story);
    EXPECT_EQ(report.slidesRead, 53);
    EXPECT_EQ(report.slidesAdded, 50);
    EXPECT_EQ(story.count(), 50);
    EXPECT_EQ(story.slideAt(49)->id(), 50);
}

TEST_F(StoryFileFixture, DamagedFilesLoadWhatTheyCan)
{
    // A transcript count far beyond the file, then nothing else.
    loadStory(home.write("a.sld", toUtf16Le("SC_TITLE=a\nSC_TRANSCRIPT=999999\nshort\nSC_FINISHED\n")), story);
    EXPECT_EQ(story.transcript(), "short");
    EXPECT_EQ(story.title(), "a");
    story.reset();

    // A negative count reads no transcript and keeps the following lines.
    loadStory(home.write("b.sld", toUtf16Le("SC_TRANSCRIPT=-5\nSC_TITLE=b\n")), story);
    EXPECT_EQ(story.transcript(), "");
    EXPECT_EQ(story.title(), "b");
    story.reset();

    // An endless line is split; the key after it still counts.
    loadStory(home.write("c.sld", toUtf16Le("SC_TITLE=" + QString(5000, 'x') + "\nSC_UNIQUE_ID=9\n")), story);
    EXPECT_EQ(story.title(), QString(47, 'x'));
    EXPECT_EQ(story.uniqueId(), 9);
    story.reset();

    // A last block without its end line is not built; an odd trailing byte is ignored.
    QByteArray odd = toUtf16Le(blocks(1) + "S1_TYPE=1\n");
    odd.append('\x01');
    const LoadReport r = loadStory(home.write("d.sld", odd), story);
    EXPECT_EQ(story.count(), 1);
    EXPECT_EQ(r.warnings.size(), 1);
    story.reset();

    // A cut never splits a surrogate pair: 46 letters and an emoji leave the 46 letters.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    loadStory(home.write("e.sld", toUtf16Le("SC_TITLE=" + QString(46, 'a') + emoji +
                                            "\nSC_DESCRIPTION=" + QString(298, 'd') + emoji + "\n")),
              story);
    EXPECT_EQ(story.title(), QString(46, 'a'));
    EXPECT_EQ(story.description(), QString(298, 'd'));
    story.reset();

    // A file that cannot be opened leaves the story empty.
    EXPECT_FALSE(loadStory(home.path() + "missing.sld", story).opened);
    EXPECT_EQ(story.storyFilePath(), "");
}

TEST_F(StoryFileFixture, KeysOfOtherSlidesAndBlocksWithoutLinesKeepDefaults)
{
    const QString sld = home.write("k.sld", toUtf16Le("SC_FINISHED\nS0_CAPTION=first\nS5_CAPTION=wrong\nS0_TYPE=1\n"
                                                      "S_FINISHED\nS1_TYPE=1\nS_FINISHED"));
    loadStory(sld, story);
    ASSERT_EQ(story.count(), 2); // the last line needs no line feed
    EXPECT_EQ(story.slideAt(0)->caption(), "first");
    EXPECT_EQ(story.slideAt(1)->caption(), ""); // not the previous block's caption
}

TEST(EscapeTest, EscapingRules)
{
    EXPECT_EQ(escapeText("a\r\nb"), "a|-b");
    EXPECT_EQ(escapeText(""), "");
    EXPECT_EQ(escapeText(QString(1023, 'a')).size(), 1023);
    EXPECT_EQ(escapeText(QString(1000, 'a') + "\r\n" + QString(998, 'b')),
              QString(1000, 'a') + "|-" + QString(998, 'b'));
    EXPECT_EQ(unescapeText("x|-y|-"), "x\r\ny\r\n");
}

TEST(LineReaderTest, OverlongLinesComeInPiecesAndNumbersParseLikeScanf)
{
    LineReader r(QString(1030, 'a') + "\nb\n");
    EXPECT_EQ(r.readLine()->size(), 1022);
    EXPECT_EQ(*r.readLine(), QString(7, 'a'));
    EXPECT_EQ(*r.readLine(), "b");
    EXPECT_FALSE(r.readLine());
    EXPECT_EQ(leadingInt(u" -12xyz"), -12);
    EXPECT_EQ(leadingInt(u"x1"), std::nullopt);
    EXPECT_EQ(leadingInt(u"99999999999"), 2147483647);
}

} // namespace
