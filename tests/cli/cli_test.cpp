#include "clirunner.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

using CliFixture = CliTest;

TEST_F(CliFixture, NewMakesASavedStoryThatShowReadsBack)
{
    const QString a = writePicture(input, "a.jpg", 1200, 800);
    const QString b = writePicture(input, "b.png", 300, 500);
    const QString wav = input.write("n.wav", waveBytes(44102));
    const CliRun made =
        cli({"new", "--title", "Trip", "--description", "day one\nday two", "--category", "2060200", "--slide", a,
             "--narration", wav, "--caption", "first\nline", "--cue", "say hi", "--slide", b, "--slide-tags", "sea"});
    ASSERT_EQ(made.code, 0) << made.err.toStdString();
    const QString sld = made.lastLine();
    EXPECT_TRUE(sld.startsWith(home.path() + "save/")) << sld.toStdString();
    EXPECT_TRUE(sld.endsWith(".sld"));

    const CliRun shown = cli({"show", sld, "--json"});
    ASSERT_EQ(shown.code, 0) << shown.err.toStdString();
    const QJsonObject story = shown.json().object();
    EXPECT_EQ(story["title"].toString(), "Trip");
    EXPECT_EQ(story["description"].toString(), "day one\r\nday two");
    EXPECT_EQ(story["category_id"].toInt(), 2060200);
    EXPECT_FALSE(story["category_name"].toString().isEmpty());
    EXPECT_NE(story["category_name"].toString(), "Click the \"Choose Category\" button");
    EXPECT_EQ(story["type"].toInt(), 1);
    EXPECT_EQ(story["unique_id"].toInt(), -1);
    EXPECT_EQ(story["total_length"].toInt(), 2); // 44102 bytes is just over one second
    EXPECT_EQ(story["file"].toString(), sld);
    const QJsonArray slides = story["slides"].toArray();
    ASSERT_EQ(slides.size(), 2);
    const QJsonObject s0 = slides[0].toObject();
    EXPECT_EQ(s0["caption"].toString(), "first\r\nline");
    EXPECT_EQ(s0["cue"].toString(), "say hi");
    EXPECT_TRUE(s0["has_narration"].toBool());
    EXPECT_EQ(s0["duration"].toInt(), 2);
    EXPECT_TRUE(s0["ready"].toBool());
    EXPECT_EQ(s0["picture"].toObject()["width"].toInt(), 640);
    EXPECT_EQ(s0["picture"].toObject()["height"].toInt(), 426);
    EXPECT_EQ(QFileInfo(s0["narration_wav"].toString()).size(), 44 + 44102);
    const QJsonObject s1 = slides[1].toObject();
    EXPECT_EQ(s1["tags"].toString(), "sea");
    EXPECT_FALSE(s1["has_narration"].toBool());
    EXPECT_EQ(s1["picture"].toObject()["width"].toInt(), 300);
    EXPECT_TRUE(QFileInfo::exists(s1["thumbnail_jpeg"].toString()));

    const CliRun text = cli({"show", sld});
    EXPECT_EQ(text.code, 0);
    EXPECT_TRUE(text.out.contains("Title:       Trip"));
}

TEST_F(CliFixture, NarrationsThatCannotBeUsedAreRefusedBeforeAnythingIsSaved)
{
    const QString a = writePicture(input, "a.jpg", 100, 100);
    const CliRun r = cli({"new", "--slide", a, "--narration", input.write("n.wav", "no sound in here")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.endsWith("pictorelle-cli new: \"n.wav\" is not an audio file Pictorelle Dazuzarid can read.\n"))
        << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.path() + "save"));

    const CliRun tooLong = cli({"new", "--slide", a, "--narration", input.write("l.wav", waveBytes(44100 * 61))});
    EXPECT_EQ(tooLong.code, 1);
    EXPECT_TRUE(tooLong.err.contains("at most 60 s")) << tooLong.err.toStdString();
    EXPECT_TRUE(tooLong.err.contains("--trim")) << tooLong.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.path() + "save"));

    const CliRun missing = cli({"new", "--slide", a, "--narration", input.file("none.wav")});
    EXPECT_EQ(missing.code, 1);
}

TEST_F(CliFixture, RefusedAndUndecodableSlidesWarnButTheStoryIsMade)
{
    const QString a = writePicture(input, "a.jpg", 100, 100);
    const QString broken = input.write("broken.jpg", "not a picture at all");
    const QString text = input.write("notes.txt", "x");
    const CliRun r = cli({"new", "--slide", a, "--slide", a, "--slide", broken, "--slide", text});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("already in the story"));
    EXPECT_TRUE(r.err.contains("could not be decoded"));
    EXPECT_TRUE(r.err.contains("notes.txt is not a picture"));
    const QJsonArray slides = cli({"show", r.lastLine(), "--json"}).json().object()["slides"].toArray();
    ASSERT_EQ(slides.size(), 2);
    EXPECT_TRUE(slides[1].toObject()["picture"].isNull());
}

TEST_F(CliFixture, PodcastsHoldSegments)
{
    const QString wav = input.write("s.wav", waveBytes(44100 * 3));
    const CliRun r = cli({"new", "--podcast", "--title", "Cast", "--transcript", "hello\nworld", "--publish-transcript",
                          "--segment", wav, "--segment", wav});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject story = cli({"show", r.lastLine(), "--json"}).json().object();
    EXPECT_EQ(story["type"].toInt(), 2);
    EXPECT_EQ(story["transcript"].toString(), "hello\r\nworld");
    EXPECT_TRUE(story["transcript_publish"].toBool());
    EXPECT_EQ(story["total_length"].toInt(), 6);
    EXPECT_EQ(story["slides"].toArray()[1].toObject()["kind"].toInt(), 1);

    EXPECT_EQ(cli({"new", "--segment", wav}).code, 2);
    EXPECT_EQ(cli({"new", "--podcast", "--slide", writePicture(input, "p.png", 10, 10)}).code, 2);
}

TEST_F(CliFixture, LibraryListsSortsAndDeletes)
{
    const QString a = writePicture(input, "a.jpg", 50, 50);
    const QString first = cli({"new", "--title", "beta", "--slide", a}).lastLine();
    const QString second =
        cli({"new", "--title", "Alpha", "--slide", a, "--slide", writePicture(input, "b.jpg", 50, 50)}).lastLine();
    ASSERT_NE(first, second);

    const QJsonArray rows = cli({"library", "--json"}).json().array();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_GE(rows[0].toObject()["date"].toInteger(), rows[1].toObject()["date"].toInteger());
    EXPECT_EQ(rows[0].toObject()["type_name"].toString(), "Pictorelle");

    const QJsonArray byTitle = cli({"library", "--json", "--sort", "title"}).json().array();
    EXPECT_EQ(byTitle[0].toObject()["title"].toString(), "beta"); // descending by code unit: 'b' > 'A'
    const QJsonArray bySlidesTwice = cli({"library", "--json", "--sort", "slides", "--sort", "slides"}).json().array();
    EXPECT_EQ(bySlidesTwice[0].toObject()["slides"].toInt(), 1);

    EXPECT_EQ(cli({"delete", first}).code, 0);
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(first).absolutePath()));
    EXPECT_EQ(cli({"library", "--json"}).json().array().size(), 1);
    EXPECT_EQ(cli({"delete", first}).code, 1);
    EXPECT_EQ(cli({"library", "--sort", "colour"}).code, 2);
}

TEST_F(CliFixture, CategoriesAndTheChooser)
{
    const CliRun tree = cli({"categories", "--json"});
    ASSERT_EQ(tree.code, 0);
    const QJsonArray top = tree.json().array();
    EXPECT_GE(top.size(), 10);
    EXPECT_EQ(top[0].toObject()["level"].toInt(), 1);

    const QJsonObject chosen = cli({"categories", "--json", "--choose", "2060200"}).json().object();
    const QJsonArray lists = chosen["lists"].toArray();
    ASSERT_EQ(lists.size(), 3);
    for (int l = 0; l < 3; ++l)
        EXPECT_GE(lists[l].toObject()["selected"].toInt(), 0) << "list " << l + 1;
    EXPECT_EQ(chosen["finish"].toObject()["category_id"].toInt(), 2060200);
    EXPECT_EQ(chosen["path_label"].toString().count("  >  "), 2);

    const QJsonObject nothing = cli({"categories", "--json", "--choose", "0"}).json().object();
    EXPECT_FALSE(nothing["finish_enabled"].toBool());
    EXPECT_EQ(nothing["path_label"].toString(), "No category selected");
    EXPECT_EQ(nothing["finish"].toObject()["category_id"].toInt(), 0);
}

TEST(CliProgramFolder, GivenAnEmptyHomeThenCategoriesListsTheCatalogueCopiedFromBesideTheProgram)
{
    const TempFolder empty;
    const CliRun tree = runCli(empty.path(), {"categories"});
    EXPECT_EQ(tree.code, 0) << tree.err.toStdString();
    EXPECT_TRUE(tree.err.isEmpty()) << tree.err.toStdString();
    EXPECT_GE(tree.out.count('\n'), 10) << tree.out.toStdString();
    const QString shipped = QStringLiteral(PICTORELLE_DATA);
    EXPECT_EQ(TempFolder::read(empty.file("category.dat")), TempFolder::read(shipped + "/category.dat"));
    EXPECT_EQ(TempFolder::read(empty.file("language.dat")), TempFolder::read(shipped + "/language.dat"));
    EXPECT_TRUE(QFileInfo(empty.file("docs/introduction.htm")).isFile());
}

TEST(CliProgramFolder, GivenABrokenCategoryTableThenCommandsThatNeedItSaySoAndFail)
{
    const TempFolder home;
    // A table already there is never replaced, so the empty one stays.
    home.write("category.dat", "");
    const CliRun tree = runCli(home.path(), {"categories"});
    EXPECT_EQ(tree.code, 1);
    EXPECT_TRUE(tree.out.isEmpty()) << tree.out.toStdString();
    EXPECT_TRUE(tree.err.contains(home.file("category.dat") + " holds no categories")) << tree.err.toStdString();

    EXPECT_EQ(runCli(home.path(), {"categories", "--choose", "2060200"}).code, 1);
    const CliRun made = runCli(home.path(), {"new", "--title", "T", "--category", "2060200"});
    EXPECT_EQ(made.code, 1);
    EXPECT_TRUE(made.err.contains("category.dat")) << made.err.toStdString();
    EXPECT_FALSE(QDir(home.file("save")).exists());
}

TEST(CliProgramFolder, GivenABrokenLanguageTableThenChoosingALanguageSaysSoAndWritesNothing)
{
    const TempFolder home;
    home.write("language.dat", "1.0\r\n0\r\n");
    const CliRun account = runCli(home.path(), {"account", "--user", "u", "--password", "p", "--language", "German"});
    EXPECT_EQ(account.code, 1);
    EXPECT_TRUE(account.err.contains(home.file("language.dat") + " holds no languages")) << account.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.file("pictorelle.ini")));
    // Without a language choice the table is not needed.
    EXPECT_EQ(runCli(home.path(), {"account", "--user", "u", "--password", "p"}).code, 0);
}

TEST_F(CliFixture, BadUsageExitsWithTwo)
{
    EXPECT_EQ(cli({"frobnicate"}).code, 2);
    EXPECT_EQ(cli({"new", "--title"}).code, 2);
    EXPECT_EQ(cli({"new", "--caption", "x"}).code, 2);
    EXPECT_EQ(cli({"show"}).code, 2);
    EXPECT_EQ(cli({"show", home.file("nothing.sld")}).code, 1);
    EXPECT_EQ(cli({"new", "--category", "999"}).code, 2);
    EXPECT_EQ(cli({"--help"}).code, 0);
}

} // namespace
