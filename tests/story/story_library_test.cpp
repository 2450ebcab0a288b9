#include "fakeimporter.h"
#include "story/linereader.h"
#include "story/storylibrary.h"
#include "tempfolder.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

struct LibraryFixture : ::testing::Test
{
    TempFolder home;
    StoryLibrary::SortSwitches switches;
    StoryLibrary library{home.path() + "save/", switches};
    const qint64 today = QDateTime(QDate(2026, 12, 7), QTime(9, 5)).toSecsSinceEpoch();

    void saved(const QString& folder, const QString& header)
    {
        home.write("save/" + folder + "/" + folder + ".sld", toUtf16Le(header + "SC_FINISHED\n"));
    }

    QStringList titles() const
    {
        QStringList t;
        for (const auto& r : library.rows())
            t << r.title;
        return t;
    }
};

TEST_F(LibraryFixture, NewestFirstAtTheFirstOpeningThenHeaderClicksFlip)
{
    saved("old", QString("SC_TITLE=Yesterday\nSC_DATE=%1\nSC_TYPE=2\nSC_SLIDES=3\nSC_LENGTH=600\n").arg(today - 86400));
    saved("new", QString("SC_TITLE=Today\nSC_DATE=%1\nSC_TYPE=1\nSC_SLIDES=12\nSC_LENGTH=125\n").arg(today));
    saved("mid", QString("SC_TITLE=alpha\nSC_DATE=%1\nSC_SLIDES=7\nSC_LENGTH=5\n").arg(today - 3600));
    library.open();
    EXPECT_EQ(titles(), (QStringList{"Today", "alpha", "Yesterday"}));

    const LibraryRow& top = library.rows().at(0);
    EXPECT_EQ(top.dateText, "Dec 07 2026 09:05AM");
    EXPECT_EQ(top.lengthText, "2:05");
    EXPECT_EQ(top.slidesText, "12");
    EXPECT_EQ(top.typeName, "Pictorelle");
    EXPECT_EQ(library.rows().at(2).lengthText, "10:00");
    EXPECT_EQ(library.rows().at(2).typeName, "Podcast");
    EXPECT_EQ(library.rows().at(1).typeName, ""); // no type line
    EXPECT_EQ(library.rows().at(1).type, 1);

    library.clickHeader(StoryLibrary::Date);
    EXPECT_EQ(titles(), (QStringList{"Yesterday", "alpha", "Today"}));
    library.clickHeader(StoryLibrary::Title); // first click: descending, by code unit
    EXPECT_EQ(titles(), (QStringList{"alpha", "Yesterday", "Today"}));
    library.clickHeader(StoryLibrary::Title);
    EXPECT_EQ(titles(), (QStringList{"Today", "Yesterday", "alpha"}));
    library.clickHeader(StoryLibrary::Slides);
    EXPECT_EQ(titles(), (QStringList{"Today", "alpha", "Yesterday"}));
    library.clickHeader(StoryLibrary::Type); // descending: 2 before the two 1s
    EXPECT_EQ(titles().first(), "Yesterday");

    // The switches outlive this library: a new opening sorts by date in the direction
    // the last Date click left (ascending here), then makes Date descending again.
    StoryLibrary again(home.path() + "save/", switches);
    again.open();
    EXPECT_EQ(again.rows().first().title, "Yesterday");
    EXPECT_TRUE(switches.descending[StoryLibrary::Date]);
    StoryLibrary third(home.path() + "save/", switches);
    third.open();
    EXPECT_EQ(third.rows().first().title, "Today");
}

TEST_F(LibraryFixture, TitlesAndFoldersEdgeCases)
{
    saved("empty", "SC_TITLE=\nSC_DATE=1\n");
    saved("long", "SC_TITLE=" + QString(60, 'L') + "\nSC_DATE=2\n");
    home.write("save/two/a.sld", toUtf16Le("SC_TITLE=first\nSC_FINISHED\n"));
    home.write("save/two/b.sld", toUtf16Le("SC_TITLE=second\nSC_FINISHED\n"));
    home.write("save/none/notes.txt", "x");
    home.write("save/upper/story.SLD", toUtf16Le("SC_TITLE=upper\nSC_FINISHED\n"));
    library.open();
    EXPECT_EQ(library.rowCount(), 3);
    const QStringList t = titles();
    EXPECT_TRUE(t.contains("No title"));
    EXPECT_TRUE(t.contains(QString(47, 'L')));
    EXPECT_TRUE(t.contains("first"));
    EXPECT_FALSE(t.contains("second"));
}

TEST_F(LibraryFixture, MissingSaveFolderGivesAnEmptyList)
{
    library.open();
    EXPECT_EQ(library.rowCount(), 0);
    EXPECT_FALSE(library.deleteRow(0));
}

TEST_F(LibraryFixture, DeleteRemovesTheFolderAndOnlyItsRow)
{
    saved("a", "SC_TITLE=a\nSC_DATE=3\n");
    saved("b", "SC_TITLE=b\nSC_DATE=2\n");
    saved("c", "SC_TITLE=c\nSC_DATE=1\n");
    home.write("save/b/0.jpg", "x");
    library.open();
    ASSERT_TRUE(library.deleteRow(1));
    EXPECT_EQ(titles(), (QStringList{"a", "c"}));
    EXPECT_FALSE(QFileInfo::exists(home.path() + "save/b"));
    EXPECT_TRUE(QFileInfo::exists(home.path() + "save/a/a.sld"));

    // A sub-folder keeps its folder on disk, but the row goes.
    home.write("save/a/sub/keep.txt", "x");
    ASSERT_TRUE(library.deleteRow(0));
    EXPECT_EQ(titles(), QStringList{"c"});
    EXPECT_TRUE(QFileInfo::exists(home.path() + "save/a/sub/keep.txt"));
    EXPECT_FALSE(QFileInfo::exists(home.path() + "save/a/a.sld"));
}

TEST_F(LibraryFixture, LoadNeedsARowAndAnIdleStory)
{
    saved("a", "SC_TITLE=a\n");
    library.open();
    FakeImporter importer;
    Story story(home.path(), &importer);
    EXPECT_EQ(library.pathToLoad(-1, story), "");
    EXPECT_EQ(library.pathToLoad(0, story), home.path() + "save/a/a.sld");
    story.setMp3Position(0);
    EXPECT_EQ(library.pathToLoad(0, story), "");
    story.setMp3Position(-1);
    auto s = std::make_unique<Slide>(story);
    s->setSourcePicturePath("p.jpg");
    story.add(std::move(s));
    EXPECT_EQ(library.pathToLoad(0, story), "");
}

} // namespace
