#include "shell/categorychooser.h"
#include "shell/categorytree.h"

#include "tablefiles.h"

#include <gtest/gtest.h>

namespace {

const QByteArray Catalogue = "1.0\r\n4\r\n5\r\n3\r\n0\r\n"
                             "1000000,1,0,Travel\r\n2000000,1,0,Lifestyle\r\n3000000,1,1,Other\r\n4000000,1,0,Music\r\n"
                             "1010000,2,0,Europe\r\n1020000,2,1,Asia\r\n2010000,2,1,Fashion\r\n2030000,2,0,Travel\r\n"
                             "4010000,2,1,Jazz\r\n"
                             "1010100,3,1,France\r\n2030100,3,1,Africa\r\n2030400,3,1,Europe\r\n";

class CategoryChooserTest : public ::testing::Test
{
protected:
    void SetUp() override { m_tree = categoriesOf(Catalogue); }

    QStringList rowNames(const CategoryChooser& chooser, int list) const
    {
        QStringList names;
        for (const CategoryRow& row : chooser.rows(list))
            names.append(row.name);
        return names;
    }

    CategoryTree m_tree;
};

} // namespace

TEST_F(CategoryChooserTest, GivenLevelThreeIdWhenOpenedThenItsRowAndAncestorsAreSelected)
{
    CategoryChooser chooser(m_tree);
    chooser.open(2030400);
    EXPECT_EQ(rowNames(chooser, 1), QStringList({"Travel", "Lifestyle", "Other", "Music"}));
    EXPECT_EQ(rowNames(chooser, 2), QStringList({"Fashion", "Travel"}));
    EXPECT_EQ(rowNames(chooser, 3), QStringList({"Africa", "Europe"}));
    EXPECT_EQ(chooser.rows(1).at(chooser.selectedRow(1)).id, 2000000);
    EXPECT_EQ(chooser.rows(2).at(chooser.selectedRow(2)).id, 2030000);
    EXPECT_EQ(chooser.rows(3).at(chooser.selectedRow(3)).id, 2030400);
    EXPECT_EQ(chooser.pathLabel(), "Lifestyle  >  Travel  >  Europe");
    EXPECT_TRUE(chooser.isFinishEnabled());
    const CategoryChoice choice = chooser.finish();
    EXPECT_EQ(choice.categoryId, 2030400);
    EXPECT_EQ(choice.path, "Lifestyle  >  Travel  >  Europe");
}

TEST_F(CategoryChooserTest, GivenLevelOneIdWhenOpenedThenOnlyTheLevelOneRowIsSelected)
{
    CategoryChooser chooser(m_tree);
    chooser.open(4000000);
    EXPECT_EQ(chooser.selectedRow(1), 3);
    EXPECT_EQ(rowNames(chooser, 2), QStringList({"Jazz"}));
    EXPECT_EQ(chooser.selectedRow(2), -1);
    EXPECT_TRUE(chooser.rows(3).isEmpty());
    EXPECT_EQ(chooser.pathLabel(), "Music");

    chooser.open(3000000);
    EXPECT_EQ(chooser.selectedRow(1), 2);
    EXPECT_TRUE(chooser.rows(2).isEmpty());
    EXPECT_TRUE(chooser.rows(3).isEmpty());
}

TEST_F(CategoryChooserTest, GivenStoryWithoutCategoryWhenOpenedAndFinishedThenIdZeroAndEmptyPath)
{
    CategoryChooser chooser(m_tree);
    chooser.open(0);
    EXPECT_EQ(chooser.rows(1).size(), 4);
    EXPECT_EQ(chooser.selectedRow(1), -1);
    EXPECT_TRUE(chooser.rows(2).isEmpty());
    EXPECT_EQ(chooser.pathLabel(), "No category selected");
    EXPECT_FALSE(chooser.isFinishEnabled());
    const CategoryChoice choice = chooser.finish();
    EXPECT_EQ(choice.categoryId, 0);
    EXPECT_TRUE(choice.path.isEmpty());
}

TEST_F(CategoryChooserTest, GivenIdMissingWithAllAncestorsWhenOpenedThenNothingSelectedButFinishEnabled)
{
    CategoryChooser chooser(m_tree);
    chooser.open(7050300);
    EXPECT_EQ(chooser.selectedRow(1), -1);
    EXPECT_EQ(chooser.selectedRow(2), -1);
    EXPECT_EQ(chooser.selectedRow(3), -1);
    EXPECT_EQ(chooser.pathLabel(), "No category selected");
    EXPECT_TRUE(chooser.isFinishEnabled());
    EXPECT_EQ(chooser.finish().categoryId, 0);
    EXPECT_TRUE(chooser.finish().path.isEmpty());
}

TEST_F(CategoryChooserTest, GivenRowsChosenLevelByLevelThenListsFillAndALeafEmptiesTheDeeperListsAndLabelFollows)
{
    CategoryChooser chooser(m_tree);
    chooser.open(0);
    chooser.selectRow(1, 0);
    EXPECT_TRUE(chooser.isFinishEnabled());
    EXPECT_EQ(rowNames(chooser, 2), QStringList({"Europe", "Asia"}));
    EXPECT_EQ(chooser.selectedRow(2), -1);
    EXPECT_EQ(chooser.pathLabel(), "Travel");
    EXPECT_EQ(chooser.finish().categoryId, 1000000);
    EXPECT_EQ(chooser.finish().path, "Travel");

    chooser.selectRow(2, 0);
    EXPECT_EQ(rowNames(chooser, 3), QStringList({"France"}));
    EXPECT_EQ(chooser.pathLabel(), "Travel  >  Europe");
    chooser.selectRow(3, 0);
    EXPECT_EQ(chooser.pathLabel(), "Travel  >  Europe  >  France");
    EXPECT_EQ(chooser.finish().categoryId, 1010100);

    chooser.selectRow(2, 1);
    EXPECT_TRUE(chooser.rows(3).isEmpty()) << "Asia offers no sub-categories";
    EXPECT_EQ(chooser.finish().categoryId, 1020000);
    EXPECT_EQ(chooser.finish().path, "Travel  >  Asia");

    chooser.selectRow(1, 1);
    EXPECT_EQ(rowNames(chooser, 2), QStringList({"Fashion", "Travel"}));
    EXPECT_EQ(chooser.selectedRow(2), -1);
    EXPECT_EQ(chooser.finish().categoryId, 2000000);
    EXPECT_EQ(chooser.finish().path, "Lifestyle");

    chooser.selectRow(2, 1);
    ASSERT_EQ(rowNames(chooser, 3), QStringList({"Africa", "Europe"}));
    chooser.selectRow(1, 2);
    EXPECT_TRUE(chooser.rows(2).isEmpty()) << "Other offers no sub-categories";
    EXPECT_TRUE(chooser.rows(3).isEmpty());
    EXPECT_EQ(chooser.pathLabel(), "Other");
    EXPECT_EQ(chooser.finish().categoryId, 3000000);
    EXPECT_EQ(chooser.finish().path, "Other");
}

TEST_F(CategoryChooserTest, GivenRowOutsideTheListWhenSelectedThenNothingChanges)
{
    CategoryChooser chooser(m_tree);
    chooser.open(0);
    chooser.selectRow(1, 4);
    chooser.selectRow(2, 0);
    chooser.selectRow(0, 0);
    chooser.selectRow(4, 0);
    EXPECT_EQ(chooser.selectedRow(1), -1);
    EXPECT_FALSE(chooser.isFinishEnabled());
    EXPECT_EQ(chooser.pathLabel(), "No category selected");
}

TEST_F(CategoryChooserTest, GivenIdsWhenDisplayPathIsAskedThenItIsWhatFinishWouldStore)
{
    EXPECT_EQ(categoryDisplayPath(m_tree, 2030100), "Lifestyle  >  Travel  >  Africa");
    EXPECT_EQ(categoryDisplayPath(m_tree, 1020000), "Travel  >  Asia");
    EXPECT_EQ(categoryDisplayPath(m_tree, 3000000), "Other");
    EXPECT_TRUE(categoryDisplayPath(m_tree, 2030500).isEmpty()) << "no row for that id";
    EXPECT_TRUE(categoryDisplayPath(m_tree, 2030401).isEmpty()) << "level-4 ids have no row";
    EXPECT_TRUE(categoryDisplayPath(m_tree, 0).isEmpty());
}

TEST(CategoryChooser, GivenChildrenSplitByAStrangerWhenFilledThenScanStopsAtTheStranger)
{
    const CategoryTree tree = categoriesOf("1.0\r\n2\r\n3\r\n0\r\n0\r\n1000000,1,0,A\r\n2000000,1,0,B\r\n"
                                           "1010000,2,0,A1\r\n2010000,2,0,B1\r\n1020000,2,0,A2\r\n");
    CategoryChooser chooser(tree);
    chooser.open(1000000);
    EXPECT_EQ(chooser.rows(2).size(), 1);
    EXPECT_EQ(chooser.rows(2).at(0).name, "A1");
}

TEST(CategoryChooser, GivenMoreThanAHundredChildrenWhenFilledThenAHundredRowsAreKept)
{
    // Two level-1 entries allow up to 199 level-2 entries.
    QByteArray lines = "1.0\r\n2\r\n150\r\n0\r\n0\r\n1000000,1,0,Crowded\r\n2000000,1,1,Calm\r\n";
    for (int i = 1; i <= 150; ++i)
        lines += QByteArray::number(1000000 + i) + ",2,1,Child\r\n";
    const CategoryTree tree = categoriesOf(lines);
    CategoryChooser chooser(tree);
    chooser.open(0);
    chooser.selectRow(1, 0);
    EXPECT_EQ(chooser.rows(2).size(), CategoryChooser::MaxRows);
}
