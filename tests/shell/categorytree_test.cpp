#include "shell/categorytree.h"

#include "tablefiles.h"

#include <gtest/gtest.h>

namespace {

QStringList names(const CategoryTree& tree, int level)
{
    QStringList result;
    for (int i = 0; i < tree.count(level); ++i)
        result.append(tree.entry(i, level)->name);
    return result;
}

} // namespace

TEST(CategoryTree, GivenWellFormedFileWhenLoadedThenEntriesLandOnTheirLevelsInOrder)
{
    const CategoryTree tree = categoriesOf("1.0\r\n2\r\n3\r\n1\r\n0\r\n"
                                           "1000000,1,0,Travel\r\n2000000,1,1,Other\r\n"
                                           "1010000,2,0,Europe\r\n1020000,2,1,Asia\r\n1030000,2,1,Oceania\r\n"
                                           "1010100,3,1,France\r\n");
    EXPECT_TRUE(tree.isLoaded());
    EXPECT_FLOAT_EQ(tree.version(), 1.0f);
    EXPECT_EQ(tree.total(), 6);
    EXPECT_EQ(names(tree, 1), QStringList({"Travel", "Other"}));
    EXPECT_EQ(names(tree, 2), QStringList({"Europe", "Asia", "Oceania"}));
    EXPECT_EQ(names(tree, 3), QStringList({"France"}));
    EXPECT_EQ(tree.count(4), 0);
    EXPECT_EQ(tree.count(0), 6) << "any other level counts every valid line";
    EXPECT_EQ(tree.count(5), 6);
    const CategoryEntry* other = tree.entry(1, 1);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->id, 2000000);
    EXPECT_EQ(other->level, 1);
    EXPECT_TRUE(other->leaf);
    EXPECT_FALSE(tree.entry(0, 2)->leaf);
}

TEST(CategoryTree, GivenIndexOrLevelOutsideTheTableWhenAskedThenNoEntry)
{
    const CategoryTree tree = categoriesOf("1.0\r\n1\r\n0\r\n0\r\n0\r\n1000000,1,0,Travel\r\n");
    EXPECT_EQ(tree.entry(1, 1), nullptr);
    EXPECT_EQ(tree.entry(-1, 1), nullptr);
    EXPECT_EQ(tree.entry(0, 0), nullptr);
    EXPECT_EQ(tree.entry(0, 5), nullptr);
}

TEST(CategoryTree, GivenNameWithCommasWhenLoadedThenCommasAfterTheFlagBelongToTheName)
{
    const CategoryTree tree = categoriesOf("1.0\r\n1\r\n1\r\n0\r\n0\r\n1000000,1,0,Travel\r\n"
                                           "1010000,2,0,North, South and East\r\n");
    ASSERT_EQ(tree.count(2), 1);
    EXPECT_EQ(tree.entry(0, 2)->name, "North, South and East");
}

TEST(CategoryTree, GivenIdBelowOneMillionOrEmptyNameWhenLoadedThenLineIsSkipped)
{
    const CategoryTree tree = categoriesOf("1.0\r\n3\r\n0\r\n0\r\n0\r\n999999,1,0,Too Small\r\n\r\n"
                                           "2000000,1,0,\r\ngarbage line here\r\n3000000,1,0,Kept\r\n");
    EXPECT_EQ(names(tree, 1), QStringList({"Kept"}));
    EXPECT_EQ(tree.total(), 1);
}

TEST(CategoryTree, GivenLoadedTreeWhenAVersionAboveOneOrAMissingFileIsLoadedThenTheTreeIsEmpty)
{
    TempFolder temp;
    const QString good = temp.write("good.dat", "1.0\r\n1\r\n0\r\n0\r\n0\r\n1000000,1,0,First\r\n");
    CategoryTree tree;
    ASSERT_TRUE(tree.load(good));
    EXPECT_FALSE(tree.load(temp.write("newer.dat", "1.5\r\n1\r\n0\r\n0\r\n0\r\n1000000,1,0,Second\r\n")));
    EXPECT_FALSE(tree.isLoaded());
    EXPECT_EQ(tree.count(1), 0);
    EXPECT_EQ(tree.total(), 0);
    EXPECT_FLOAT_EQ(tree.version(), 1.5f);

    ASSERT_TRUE(tree.load(good));
    EXPECT_FALSE(tree.load(temp.file("missing.dat")));
    EXPECT_FALSE(tree.isLoaded());
    EXPECT_EQ(tree.count(1), 0);
}

TEST(CategoryTree, GivenLongNameWhenLoadedThenFirst49CharactersAreKept)
{
    const CategoryTree tree = categoriesOf("1.0\r\n1\r\n0\r\n0\r\n0\r\n1000000,1,0," + QByteArray(2000, 'n') + "\r\n");
    ASSERT_EQ(tree.count(1), 1);
    EXPECT_EQ(tree.entry(0, 1)->name, QString(49, 'n'));
}

TEST(CategoryTree, GivenMissingNumbersWhenLoadedThenLevelFourAndFlagZeroApply)
{
    const CategoryTree tree = categoriesOf("1.0\r\n2\r\n1\r\n1\r\n1\r\n"
                                           "1000000,1  ,No Flag\r\n2000000    ,No Level\r\n");
    ASSERT_EQ(tree.count(1), 1);
    EXPECT_EQ(tree.entry(0, 1)->name, "No Flag");
    EXPECT_FALSE(tree.entry(0, 1)->leaf);
    ASSERT_EQ(tree.count(4), 1);
    EXPECT_EQ(tree.entry(0, 4)->id, 2000000);
    EXPECT_EQ(tree.entry(0, 4)->name, "No Level");
}

TEST(CategoryTree, GivenLevelOutsideOneToFourWhenLoadedThenCountedButNotStored)
{
    const CategoryTree tree = categoriesOf("1.0\r\n1\r\n0\r\n0\r\n0\r\n5000000,7,0,Seven\r\n1000000,1,0,One\r\n");
    EXPECT_EQ(tree.total(), 2);
    EXPECT_EQ(names(tree, 1), QStringList({"One"}));
    EXPECT_TRUE(tree.isLoaded());
}

TEST(CategoryTree, GivenMoreOrFewerEntryLinesThanDeclaredWhenLoadedThenOnlyTheDeclaredThatArePresentAreHeld)
{
    const CategoryTree more =
        categoriesOf("1.0\r\n2\r\n0\r\n0\r\n0\r\n1000000,1,0,A\r\n2000000,1,0,B\r\n3000000,1,0,C\r\n");
    EXPECT_EQ(names(more, 1), QStringList({"A", "B"}));
    EXPECT_EQ(more.declaredCount(1), 2);

    const CategoryTree fewer = categoriesOf("1.0\r\n5\r\n0\r\n0\r\n0\r\n1000000,1,0,A\r\n");
    EXPECT_EQ(fewer.declaredCount(1), 5);
    EXPECT_EQ(fewer.count(1), 1);
    EXPECT_EQ(fewer.entry(1, 1), nullptr);
}

TEST(CategoryTree, GivenCountsFailingTheirBoundsWhenLoadedThenThoseLevelsStayEmpty)
{
    QByteArray lines;
    for (int i = 1; i <= 100; ++i)
        lines += QByteArray::number(i * 1000000) + ",1,0,L1\r\n";
    lines += "1010000,2,0,L2\r\n";
    const CategoryTree tooMany = categoriesOf("1.0\r\n100\r\n1\r\n0\r\n0\r\n" + lines);
    EXPECT_EQ(tooMany.count(1), 0) << "100 level-1 entries fail the bound";
    EXPECT_EQ(tooMany.count(2), 1) << "level 2 is bounded by 100 × 100";

    const CategoryTree level2 = categoriesOf("1.0\r\n1\r\n100\r\n0\r\n0\r\n1000000,1,0,A\r\n1010000,2,0,B\r\n");
    EXPECT_EQ(level2.count(1), 1);
    EXPECT_EQ(level2.count(2), 0) << "100 level-2 entries under one level-1 entry fail the bound";

    const CategoryTree hostile = categoriesOf("1.0\r\n-5\r\n2147483647\r\n2147483647\r\n-1\r\n1000000,1,0,A\r\n"
                                              "1010000,2,0,B\r\n1010100,3,0,C\r\n1010101,4,0,D\r\n");
    EXPECT_EQ(hostile.count(1), 0);
    EXPECT_EQ(hostile.count(2), 0);
    EXPECT_EQ(hostile.count(3), 1) << "a huge bound allocates nothing ahead: only lines read are held";
    EXPECT_EQ(hostile.count(4), 0);
    EXPECT_EQ(hostile.total(), 4);
}

TEST(CategoryTree, GivenLatin1BytesAndBareLineFeedsWhenLoadedThenNamesDecodeOneBytePerCharacter)
{
    const CategoryTree tree = categoriesOf("1.0\n1\n0\n0\n0\n1000000,1,0,Caf\xE9s & Cr\xEApes\n");
    ASSERT_EQ(tree.count(1), 1);
    EXPECT_EQ(tree.entry(0, 1)->name, QString::fromUtf8("Cafés & Crêpes"));
}
