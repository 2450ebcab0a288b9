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

//! size code units of varied text: letters, digits, accented and non-Latin characters, "|"
//! (but no "-": a typed "|-" reads back as a line break by design), and for multi-line
//! fields a CR LF pair every 37 characters.
QString typed(int size, bool lineBreaks, int seed)
{
    static const QString alphabet = QString::fromUtf8("abcXYZ019 .,;:!?|()é€ßжΩ中\t\"'=_");
    QString s;
    s.reserve(size);
    for (int i = 0; s.size() < size; ++i) {
        if (lineBreaks && i % 37 == 36 && s.size() + 2 <= size && !s.endsWith(QLatin1Char('|'))) {
            s += QLatin1String("\r\n");
            continue;
        }
        s += alphabet.at((i * 7 + seed) % alphabet.size());
    }
    return s;
}

//! Every text field of a story and of its last slide, at a given length.
struct TextLengths
{
    int title, description, tags, categoryName, owner, transcript, caption, slideTags, cue;
};

constexpr TextLengths AtLimit{47, 299, 511, 1005, 255, 50000, 59, 511, 19999};
constexpr TextLengths OnePast{48, 300, 512, 1006, 256, 50001, 60, 512, 20000};

struct StoryTextsFixture : ::testing::Test
{
    TempFolder home;
    FakeImporter importer;
    Story story{home.path(), &importer};

    //! A podcast of 50 segments (so the last slide's keys are the longest, "S49_"), every
    //! text of the story and of segments 0 and 49 at the given lengths.
    void fill(const TextLengths& n)
    {
        story.setType(int(StoryType::Podcast));
        story.setTitle(typed(n.title, false, 1));
        story.setDescription(typed(n.description, true, 2));
        story.setTags(typed(n.tags, false, 3));
        story.setCategoryName(typed(n.categoryName, false, 4));
        story.setOwner(typed(n.owner, false, 5));
        story.setTranscript(typed(n.transcript, true, 6));
        for (int i = 0; i < Story::MaxSlides; ++i) {
            auto segment = std::make_unique<Slide>(story);
            segment->setKind(SlideKind::Segment);
            ASSERT_TRUE(story.add(std::move(segment)));
        }
        for (Slide* s : {story.slideAt(0), story.slideAt(Story::MaxSlides - 1)}) {
            s->setCaption(typed(n.caption, true, 7 + s->id()));
            s->setTags(typed(n.slideTags, false, 8 + s->id()));
            s->setCueText(typed(n.cue, true, 9 + s->id()));
        }
    }

    //! Saves, then loads the file into a fresh story and compares every text with what the
    //! setters kept.
    void expectEveryTextBack()
    {
        const SaveResult r = saveStory(story, FixedClock());
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        Story loaded(home.path() + "other/", &importer);
        const LoadReport report = loadStory(r.storyFile, loaded);
        EXPECT_TRUE(report.warnings.isEmpty()) << report.warnings.join("; ").toStdString();
        EXPECT_EQ(loaded.title(), story.title());
        EXPECT_EQ(loaded.description(), story.description());
        EXPECT_EQ(loaded.tags(), story.tags());
        EXPECT_EQ(loaded.categoryName(), story.categoryName());
        EXPECT_EQ(loaded.owner(), story.owner());
        EXPECT_EQ(loaded.transcript(), story.transcript());
        ASSERT_EQ(loaded.count(), story.count());
        for (int i = 0; i < story.count(); ++i) {
            EXPECT_EQ(loaded.slideAt(i)->caption(), story.slideAt(i)->caption()) << i;
            EXPECT_EQ(loaded.slideAt(i)->tags(), story.slideAt(i)->tags()) << i;
            EXPECT_EQ(loaded.slideAt(i)->cueText(), story.slideAt(i)->cueText()) << i;
        }

        // Every line read in 1023-character pieces fits one piece; only the transcript and
        // the cue lines, read by their stated lengths, may be longer.
        const QStringList lines = fromUtf16Le(TempFolder::read(r.storyFile)).split(QLatin1Char('\n'));
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const bool readByLength = i > 0 && (lines[i - 1].startsWith("SC_TRANSCRIPT=") ||
                                                (lines[i - 1].contains("_CUE=") && !lines[i - 1].endsWith("=0")));
            if (!readByLength) {
                EXPECT_LE(lines[i].size(), 1022) << lines[i].left(40).toStdString();
            }
        }
    }
};

TEST_F(StoryTextsFixture, GivenEveryTextAtItsLimitWhenSavedAndLoadedThenEachComesBackWhole)
{
    fill(AtLimit);
    EXPECT_EQ(story.title().size(), 47);
    EXPECT_EQ(story.description().size(), 299);
    EXPECT_EQ(story.tags().size(), 511);
    EXPECT_EQ(story.categoryName().size(), 1005);
    EXPECT_EQ(story.owner().size(), 255);
    EXPECT_EQ(story.transcript().size(), 50000);
    EXPECT_EQ(story.slideAt(49)->caption().size(), 59);
    EXPECT_EQ(story.slideAt(49)->tags().size(), 511);
    EXPECT_EQ(story.slideAt(49)->cueText().size(), 19999);
    expectEveryTextBack();
}

TEST_F(StoryTextsFixture, GivenEveryTextOnePastItsLimitWhenSavedAndLoadedThenWhatTheSetterKeptComesBack)
{
    fill(OnePast);
    // The setters cut to the limit; the transcript has none of its own (the window limits it).
    EXPECT_EQ(story.title().size(), 47);
    EXPECT_EQ(story.description().size(), 299);
    EXPECT_EQ(story.tags().size(), 511);
    EXPECT_EQ(story.categoryName().size(), 1005);
    EXPECT_EQ(story.owner().size(), 255);
    EXPECT_EQ(story.transcript().size(), 50001);
    EXPECT_EQ(story.slideAt(0)->caption().size(), 59);
    EXPECT_EQ(story.slideAt(0)->tags().size(), 511);
    EXPECT_EQ(story.slideAt(0)->cueText().size(), 19999);
    expectEveryTextBack();
}

TEST_F(StoryTextsFixture, GivenCuesAroundTheOldEscapeBoundWhenSavedThenEachIsWrittenWholeAndReadBack)
{
    for (int size : {1023, 1024, 1025, 5000}) {
        auto segment = std::make_unique<Slide>(story);
        segment->setKind(SlideKind::Segment);
        segment->setCueText(QString(size - 2, 'n') + "\r\n");
        ASSERT_TRUE(story.add(std::move(segment)));
    }
    story.slideAt(0)->setCaption("two\r\nlines");
    const SaveResult r = saveStory(story, FixedClock());
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    const QString text = fromUtf16Le(TempFolder::read(r.storyFile));
    EXPECT_TRUE(text.contains("\nS1_CUE=1024\n" + QString(1022, 'n') + "|-\nS1_IMAGE_PATH="));
    EXPECT_TRUE(text.contains("\nS0_CAPTION=two|-lines\n"));

    Story loaded(home.path() + "other/", &importer);
    loadStory(r.storyFile, loaded);
    ASSERT_EQ(loaded.count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(loaded.slideAt(i)->cueText(), story.slideAt(i)->cueText()) << i;
    EXPECT_EQ(loaded.slideAt(0)->caption(), "two\r\nlines");
}

TEST_F(StoryTextsFixture, GivenACategoryNameLongerThanALineHoldsWhenSetThenItIsCutToWhatTheLineCarries)
{
    // The chooser joins at most three names of 49 characters; the story file's line holds 1005.
    story.setCategoryName(QString(1023, 'k'));
    EXPECT_EQ(story.categoryName(), QString(1005, 'k'));
    story.setCategoryName(QString(49, 'a') + "  >  " + QString(49, 'b') + "  >  " + QString(49, 'c'));
    EXPECT_EQ(story.categoryName().size(), 157);
}

//! A program folder of exactly length characters (ending in "/") inside base.
QString programFolderOfLength(const QString& base, int length)
{
    QString folder = base;
    while (folder.size() < length) {
        const int room = length - int(folder.size()) - 1; // the name and its "/"
        const int name = std::min(200, room > 201 ? 200 : room);
        folder += QString(std::max(name, 1), 'p') + "/";
    }
    EXPECT_EQ(folder.size(), length);
    EXPECT_TRUE(QDir().mkpath(folder));
    return folder;
}

TEST(StoryPathLinesTest, GivenAProgramFolderSoLongThatPathLinesAreSplitWhenLoadedThenMediaAreFoundByPosition)
{
    TempFolder home;
    // Working paths (folder + "temp/" + "12_t.jpg") still fit; the story file's path lines do not.
    const QString programFolder = programFolderOfLength(home.path(), 990);
    FakeImporter importer;
    Story story(programFolder, &importer);
    story.setTitle("Long way");
    for (int i = 0; i < 2; ++i) {
        auto s = std::make_unique<Slide>(story);
        s->setSourcePicturePath(home.write(QString("pictures/%1.jpg").arg(i), "JPEG " + QByteArray::number(i)));
        ASSERT_TRUE(story.add(std::move(s)));
    }
    importer.finishAll();
    Slide& narrated = *story.slideAt(1);
    narrated.setNarrationLength(4);
    narrated.setHasNarration(true);
    QFile wav(narrated.narrationWavPath());
    ASSERT_TRUE(wav.open(QIODevice::WriteOnly) && wav.write("RIFF four seconds") > 0);
    wav.close();

    const SaveResult r = saveStory(story, FixedClock());
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    const QStringList lines = fromUtf16Le(TempFolder::read(r.storyFile)).split('\n');
    const auto imageLine =
        std::find_if(lines.begin(), lines.end(), [](const QString& l) { return l.startsWith("S1_IMAGE_PATH="); });
    ASSERT_NE(imageLine, lines.end());
    EXPECT_GT(imageLine->size(), 1022); // read in two pieces

    story.reset();
    const LoadReport report = loadStory(r.storyFile, story);
    importer.finishAll();
    EXPECT_TRUE(report.warnings.isEmpty()) << report.warnings.join("; ").toStdString();
    ASSERT_EQ(story.count(), 2);
    EXPECT_EQ(story.title(), "Long way");
    EXPECT_EQ(TempFolder::read(story.workingFolder() + "1.jpg"), "JPEG 0");
    EXPECT_EQ(TempFolder::read(story.workingFolder() + "2.jpg"), "JPEG 1");
    EXPECT_FALSE(story.slideAt(0)->hasNarration());
    EXPECT_TRUE(story.slideAt(1)->hasNarration());
    EXPECT_EQ(story.slideAt(1)->narrationLength(), 4);
    EXPECT_EQ(TempFolder::read(story.slideAt(1)->narrationWavPath()), "RIFF four seconds");
}

} // namespace
