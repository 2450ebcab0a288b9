#include "story/tagediting.h"

#include "tempfolder.h"

#include <gtest/gtest.h>

namespace {

// A twenty-character tag of one letter, so tags made from different letters sort apart.
QString longTag(char letter)
{
    return QString(TagEditing::NewTagLimit, QLatin1Char(letter));
}

} // namespace

TEST(TagEditing, GivenTypedTextThenSpacesSemicolonsAndEscapedSpacesAreDropped)
{
    EXPECT_EQ(TagEditing::filtered("new york;%20"), "newyork");
    EXPECT_EQ(TagEditing::filtered("%20rock%20n%20roll"), "rocknroll");
    EXPECT_EQ(TagEditing::filtered("50%2%"), "50%2%");
    EXPECT_EQ(TagEditing::filtered(" ; %20"), "");
    EXPECT_EQ(TagEditing::filtered(QString::fromUtf16(u"Zürich-été")), QString::fromUtf16(u"Zürich-été"));

    TagEditing editing;
    EXPECT_EQ(editing.add("new york;%20"), 0);
    EXPECT_EQ(editing.tags(), QStringList({"newyork"}));
    EXPECT_EQ(editing.budget(), 8);
}

TEST(TagEditing, GivenAnExistingTagThenATagItBeginsWithIsRefusedWhateverTheCase)
{
    TagEditing editing;
    editing.load("travel");
    EXPECT_EQ(editing.add("Trav"), -1);
    EXPECT_EQ(editing.add("TRAVEL"), -1);
    EXPECT_EQ(editing.tags(), QStringList({"travel"}));
    EXPECT_EQ(editing.budget(), 6);

    EXPECT_EQ(editing.add("travels"), 1);
    EXPECT_EQ(editing.tags(), QStringList({"travel", "travels"}));
    EXPECT_EQ(editing.budget(), 14);
}

TEST(TagEditing, GivenNothingLeftAfterFilteringThenNothingIsAddedAndTheBudgetStays)
{
    TagEditing editing;
    editing.load("sea");
    EXPECT_EQ(editing.add("  ;%20; "), -1);
    EXPECT_EQ(editing.add(""), -1);
    EXPECT_EQ(editing.tags(), QStringList({"sea"}));
    EXPECT_EQ(editing.budget(), 3);
}

TEST(TagEditing, GivenTagsAddedInAnyOrderThenTheyAreKeptAndJoinedAlphabeticallyIgnoringCase)
{
    TagEditing editing;
    EXPECT_EQ(editing.add("travel"), 0);
    EXPECT_EQ(editing.add("Beach"), 0);
    EXPECT_EQ(editing.add("art"), 0);
    EXPECT_EQ(editing.add("Zebra"), 3);
    EXPECT_EQ(editing.add("camel"), 2);
    EXPECT_EQ(editing.joined(), "art Beach camel travel Zebra");
}

TEST(TagEditing, GivenTypedTextLongerThanTheBoxThenOnlyItsFirstTwentyCharactersCount)
{
    TagEditing editing;
    editing.add("abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(editing.tags(), QStringList({"abcdefghijklmnopqrst"}));
    EXPECT_EQ(editing.budget(), 21);
}

TEST(TagEditing, GivenStoredTagsThenEveryRunOfNonSpacesIsOneSortedTagAndTheBudgetIsTheStoredLength)
{
    TagEditing editing;
    editing.add("old");
    editing.load("  zoo  Ape   mango ");
    EXPECT_EQ(editing.tags(), QStringList({"Ape", "mango", "zoo"}));
    EXPECT_EQ(editing.budget(), 19);
    EXPECT_EQ(editing.joined(), "Ape mango zoo");

    editing.load("");
    EXPECT_TRUE(editing.tags().isEmpty());
    EXPECT_EQ(editing.budget(), 0);
    EXPECT_EQ(editing.joined(), "");
}

TEST(TagEditing, GivenTheBudgetNearlySpentThenATagIsAddedOnlyWhileTheBudgetStaysBelow512)
{
    // 500 characters loaded: a tag of n characters costs n + 1.
    TagEditing editing;
    editing.load(QString(500, QLatin1Char('x')));
    EXPECT_EQ(editing.add("abcdefghijk"), -1); // 500 + 12 = 512
    EXPECT_EQ(editing.add("abcdefghij"), 0);   // 500 + 11 = 511
    EXPECT_EQ(editing.budget(), 511);
    EXPECT_EQ(editing.add("b"), -1);
    EXPECT_EQ(editing.tags().size(), 2);

    // From an empty list: 24 tags of 20 cost 504, leaving room for one of 6 characters.
    TagEditing fresh;
    for (char letter = 'a'; letter < 'a' + 24; ++letter)
        ASSERT_GE(fresh.add(longTag(letter)), 0);
    EXPECT_EQ(fresh.add("zzzzzzz"), -1);
    EXPECT_GE(fresh.add("zzzzzz"), 0);
    EXPECT_EQ(fresh.budget(), 511);
    EXPECT_EQ(fresh.joined().size(), 510);
}

TEST(TagEditing, GivenTagsRemovedThenTheBudgetIsNotGivenBackUntilTagsAreLoadedAgain)
{
    TagEditing editing;
    for (char letter = 'a'; letter < 'a' + 24; ++letter)
        editing.add(longTag(letter));
    EXPECT_EQ(editing.budget(), 504);
    for (int i = 0; i < 5; ++i)
        editing.remove(0);
    EXPECT_EQ(editing.tags().size(), 19);
    EXPECT_EQ(editing.budget(), 504);
    EXPECT_EQ(editing.add("refused"), -1);

    editing.load(editing.joined());
    EXPECT_EQ(editing.budget(), 19 * 21 - 1);
    EXPECT_GE(editing.add("accepted"), 0);
}

TEST(TagEditing, GivenARowRemovedThenTheSameRowOrTheNewLastRowIsSelected)
{
    TagEditing editing;
    editing.load("a b c d");
    EXPECT_EQ(editing.remove(1), 1);
    EXPECT_EQ(editing.tags(), QStringList({"a", "c", "d"}));
    EXPECT_EQ(editing.remove(2), 1);
    EXPECT_EQ(editing.tags(), QStringList({"a", "c"}));
    EXPECT_EQ(editing.remove(-1), -1);
    EXPECT_EQ(editing.remove(2), -1);
    EXPECT_EQ(editing.tags(), QStringList({"a", "c"}));
    EXPECT_EQ(editing.remove(0), 0);
    EXPECT_EQ(editing.remove(0), -1);
    EXPECT_TRUE(editing.tags().isEmpty());
    EXPECT_EQ(editing.budget(), 7);
}

TEST(TagEditing, GivenStoredTagsFillingTheWholeFieldThenJoiningKeepsEveryTag)
{
    // 255 + 1 + 255 = 511 characters: the most a tags field holds.
    const QString full = QString(255, QLatin1Char('a')) + QLatin1Char(' ') + QString(255, QLatin1Char('b'));
    TagEditing editing;
    editing.load(full);
    EXPECT_EQ(editing.joined(), full);

    // Loaded tags plus added ones up to a budget of 511 are all kept too.
    editing.load(QString(480, QLatin1Char('m')));
    ASSERT_GE(editing.add(longTag('z')), 0);
    ASSERT_GE(editing.add("abcdefghi"), 0);
    EXPECT_EQ(editing.budget(), 511);
    EXPECT_EQ(editing.joined(), "abcdefghi " + QString(480, QLatin1Char('m')) + ' ' + longTag('z'));
}
