#include "fakeimporter.h"
#include "mutation.h"
#include "story/linereader.h"
#include "story/story.h"
#include "story/storyfile.h"
#include "story/storylibrary.h"
#include "tempfolder.h"

#include <QDir>
#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

//! Loads damaged story files through the loader and the library scan and checks that what
//! they give stays within the story's bounds.
struct StoryDamageFixture : ::testing::Test
{
    TempFolder home;
    FakeImporter importer;
    Story story{home.path() + "reader/", &importer};
    QString storyFile = home.file("save/damaged/damaged.sld");
    int loads = 0;

    //! A short story file as the program writes it, with media beside it.
    QString original()
    {
        const QString folder = home.path() + "save/damaged";
        home.write("save/damaged/0.jpg", "JPEG 0");
        home.write("save/damaged/0.wav", "RIFF 0");
        return QString("SC_TITLE=Damaged\nSC_DATE=1796581773\nSC_SLIDES=2\nSC_TYPE=1\nSC_LENGTH=12\n"
                       "SC_CATEGORY_ID=3\nSC_CATEGORY_NAME=Travel\nSC_DESCRIPTION=one|-two\nSC_TAGS=t\n"
                       "SC_VERSION=1.0\nSC_UNIQUE_ID=-1\nSC_OWNER=o\nSC_TRANSCRIPT=5\nwords\n"
                       "SC_TRANSCRIPT_PUBLISH=1\nSC_FINISHED\n"
                       "S0_CAPTION=c|-d\nS0_TAGS=s\nS0_DURATION=12\nS0_TYPE=0\nS0_CUE=3\ncue\n"
                       "S0_IMAGE_PATH=%1/0.jpg\nS0_AUDIO_PATH=%1/0.wav\nS_FINISHED\n"
                       "S1_CAPTION=\nS1_TAGS=\nS1_DURATION=0\nS1_TYPE=1\nS1_CUE=0\n"
                       "S1_IMAGE_PATH=\nS1_AUDIO_PATH=\nS_FINISHED\n")
            .arg(folder);
    }

    void expectLoadsWithinBounds(const QByteArray& bytes, const std::string& what)
    {
        home.write("save/damaged/damaged.sld", bytes);
        ++loads;
        story.reset();
        const LoadReport report = loadStory(storyFile, story);
        importer.finishAll();
        const qsizetype chars = bytes.size() / 2;
        EXPECT_TRUE(report.opened) << what;
        EXPECT_LE(story.count(), Story::MaxSlides) << what;
        EXPECT_LE(report.slidesAdded, report.slidesRead) << what;
        EXPECT_LE(story.title().size(), 47) << what;
        EXPECT_LE(story.description().size(), 299) << what;
        EXPECT_LE(story.tags().size(), 511) << what;
        EXPECT_LE(story.owner().size(), 255) << what;
        EXPECT_LE(story.transcript().size(), chars) << what;
        EXPECT_GE(story.totalLength(), 0) << what;
        EXPECT_LE(story.totalLength(), Story::MaxSlides * 900) << what;
        for (int i = 0; i < story.count(); ++i) {
            const Slide& s = *story.slideAt(i);
            EXPECT_LE(s.caption().size(), 59) << what;
            EXPECT_LE(s.tags().size(), 511) << what;
            EXPECT_LE(s.cueText().size(), 19999) << what;
            EXPECT_GE(s.narrationLength(), 0) << what;
            EXPECT_LE(s.narrationLength(), 900) << what;
            EXPECT_EQ(s.hasNarration(), s.narrationLength() > 0) << what;
        }

        LibraryRow row;
        ASSERT_TRUE(StoryLibrary::readRow(storyFile, row)) << what;
        EXPECT_LE(row.title.size(), 47) << what;
        EXPECT_FALSE(row.lengthText.contains('-')) << what << " " << row.lengthText.toStdString();
    }
};

TEST_F(StoryDamageFixture, GivenEveryTruncationOfAShortStoryFileWhenLoadedThenEachLoadsWithinBounds)
{
    const QByteArray bytes = toUtf16Le(original());
    for (int length = 0; length <= bytes.size(); ++length)
        expectLoadsWithinBounds(bytes.left(length), "truncated to " + std::to_string(length));
}

TEST_F(StoryDamageFixture, GivenSeededBitFlipsInsertionsAndDeletionsWhenLoadedThenEachLoadsWithinBounds)
{
    std::mt19937 random(20261206);
    const QByteArray original = toUtf16Le(this->original());
    // Whole line feeds too, so that lines split and join.
    const Mutation damage{5, 7, QByteArray("\n\0", 2)};
    for (int round = 0; round < 600; ++round) {
        const QByteArray bytes = damage.apply(original, random);
        expectLoadsWithinBounds(bytes, "round " + std::to_string(round));
    }
    EXPECT_EQ(loads, 600);
}

TEST_F(StoryDamageFixture, GivenHugeAndNegativeCountsWhenLoadedThenNothingOverflowsAndTheRestStillLoads)
{
    const QStringList counts{"-1",    "-2147483648", "2147483647", "99999999999", "-99999999999", "0",  "1",
                             "19999", "20000",       "4",          "6",           "+3",           " 3", "x"};
    const QString text = original();
    for (const QString& n : counts) {
        const auto with = [&](const QString& from, const QString& to) {
            QString s = text;
            return toUtf16Le(s.replace(from, to));
        };
        expectLoadsWithinBounds(with("SC_TRANSCRIPT=5\n", "SC_TRANSCRIPT=" + n + "\n"),
                                "transcript " + n.toStdString());
        expectLoadsWithinBounds(with("S0_CUE=3\n", "S0_CUE=" + n + "\n"), "cue " + n.toStdString());
        expectLoadsWithinBounds(with("S0_DURATION=12\n", "S0_DURATION=" + n + "\n"), "duration " + n.toStdString());
        expectLoadsWithinBounds(with("SC_LENGTH=12\n", "SC_LENGTH=" + n + "\n"), "length " + n.toStdString());
        expectLoadsWithinBounds(with("S0_TYPE=0\n", "S0_TYPE=" + n + "\n"), "kind " + n.toStdString());
        expectLoadsWithinBounds(with("SC_TYPE=1\n", "SC_TYPE=" + n + "\n"), "type " + n.toStdString());
        expectLoadsWithinBounds(with("SC_SLIDES=2\n", "SC_SLIDES=" + n + "\n"), "slides " + n.toStdString());
    }

    // Fifty slides of the longest narration each: their sum stays a plain number of seconds.
    original(); // the media
    QString many = "SC_FINISHED\n";
    for (int i = 0; i < 60; ++i)
        many += QString("S%1_TYPE=1\nS%1_DURATION=2147483647\nS%1_AUDIO_PATH=%2/0.wav\nS_FINISHED\n")
                    .arg(i)
                    .arg(home.path() + "save/damaged");
    expectLoadsWithinBounds(toUtf16Le(many), "fifty huge durations");
    EXPECT_EQ(story.totalLength(), 50 * 900);
}

TEST_F(StoryDamageFixture, GivenAnOverlongLineWhoseRestLooksLikeKeysWhenLoadedThenTheRestIsIgnored)
{
    const QString rest = "SC_TITLE=injected";
    const QString text = "SC_TITLE=real\nSC_CATEGORY_NAME=" + QString(1005, 'n') + "|" + rest + "\n" +
                         "SC_TRANSCRIPT=2\nab" + "SC_UNIQUE_ID=66\nSC_FINISHED\n" + "S0_TYPE=1\nS0_CUE=2\nxy!" +
                         "S0_CAPTION=injected\nS_FINISHED\n";
    home.write("save/damaged/damaged.sld", toUtf16Le(text));
    const LoadReport report = loadStory(storyFile, story);
    EXPECT_EQ(story.title(), "real");
    EXPECT_EQ(story.categoryName(), QString(1005, 'n'));
    EXPECT_EQ(story.transcript(), "ab");
    EXPECT_EQ(story.uniqueId(), -1);
    ASSERT_EQ(story.count(), 1);
    EXPECT_EQ(story.slideAt(0)->cueText(), "xy");
    EXPECT_EQ(story.slideAt(0)->caption(), "");
    EXPECT_EQ(report.slidesRead, 1);

    LibraryRow row;
    ASSERT_TRUE(StoryLibrary::readRow(storyFile, row));
    EXPECT_EQ(row.title, "real");
}

TEST_F(StoryDamageFixture, GivenAStoryFileFarLargerThanAnyStoryWhenLoadedThenItIsRefusedUnread)
{
    QFile big(storyFile);
    ASSERT_TRUE(QDir().mkpath(home.path() + "save/damaged"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.write(toUtf16Le("SC_TITLE=big\n")) > 0);
    ASSERT_TRUE(big.resize(65 * 1024 * 1024)); // sparse: no real space taken
    big.close();
    const LoadReport report = loadStory(storyFile, story);
    EXPECT_FALSE(report.opened);
    EXPECT_EQ(report.warnings,
              QStringList{"The story file " + QDir::toNativeSeparators(storyFile) + " is too large to be a story."});
    EXPECT_EQ(story.title(), "");
    EXPECT_EQ(story.storyFilePath(), "");

    // The library reads only the header's start.
    LibraryRow row;
    ASSERT_TRUE(StoryLibrary::readRow(storyFile, row));
    EXPECT_EQ(row.title, "big");
}

TEST_F(StoryDamageFixture, GivenDamagedStoryFilesInTheSaveFolderWhenTheLibraryScansThenEachGivesOneRow)
{
    std::mt19937 random(7);
    const QByteArray original = toUtf16Le(this->original());
    home.write("save/damaged/damaged.sld", original);
    for (int i = 0; i < 40; ++i) {
        QByteArray bytes = original.left(int(random() % quint32(original.size())));
        if (i % 2)
            bytes[int(random() % quint32(std::max<qsizetype>(bytes.size(), 1)))] = char(random());
        home.write(QString("save/f%1/f%1.sld").arg(i), bytes);
    }
    StoryLibrary::SortSwitches switches;
    StoryLibrary library(home.path() + "save/", switches);
    library.open();
    EXPECT_EQ(library.rowCount(), 41); // and the undamaged one
    for (int c = 0; c < 5; ++c)
        library.clickHeader(c);
}

} // namespace
