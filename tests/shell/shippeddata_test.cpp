#include "shell/categorychooser.h"
#include "shell/categorytree.h"
#include "shell/languagetable.h"

#include "tempfolder.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {

const QString DataFolder = QStringLiteral(PICTORELLE_SOURCE_DATA_DIR "/");

// Every line feed of the file comes after a carriage return, and the file ends with one.
bool usesCrLf(const QByteArray& bytes)
{
    if (!bytes.endsWith("\r\n"))
        return false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes.at(i) == '\n' && (i == 0 || bytes.at(i - 1) != '\r'))
            return false;
    }
    return true;
}

// Id of the first entry of that level with that name whose id lies under parent (0: any).
int findId(const CategoryTree& tree, int level, const QString& name, int parent, int span)
{
    for (int i = 0; i < tree.count(level); ++i) {
        const CategoryEntry* entry = tree.entry(i, level);
        if (entry->name == name && (parent == 0 || (entry->id > parent && entry->id < parent + span)))
            return entry->id;
    }
    return 0;
}

} // namespace

TEST(ShippedData, GivenShippedCatalogueWhenLoadedThenDeclaredCountsMatchTheEntries)
{
    EXPECT_TRUE(usesCrLf(TempFolder::read(DataFolder + "category.dat")));
    CategoryTree tree;
    ASSERT_TRUE(tree.load(DataFolder + "category.dat"));
    EXPECT_FLOAT_EQ(tree.version(), 1.0f);
    int sum = 0;
    for (int level = 1; level <= 4; ++level) {
        EXPECT_EQ(tree.count(level), tree.declaredCount(level)) << "level " << level;
        sum += tree.count(level);
    }
    EXPECT_EQ(tree.total(), sum) << "no line was skipped or left over";
    EXPECT_GE(tree.count(1), 10);
    EXPECT_GE(tree.count(2), 3 * tree.count(1));
    EXPECT_GT(tree.count(3), 0);
}

TEST(ShippedData, GivenShippedCatalogueThenEveryIdObeysTheTreeRulesAndLeafFlagsAreTrue)
{
    CategoryTree tree;
    ASSERT_TRUE(tree.load(DataFolder + "category.dat"));
    const int unit[] = {0, 1000000, 10000, 100};
    QSet<int> ids[4];
    for (int level = 1; level <= 3; ++level) {
        int previousParent = -1;
        QSet<int> parentsSeen;
        for (int i = 0; i < tree.count(level); ++i) {
            const CategoryEntry* entry = tree.entry(i, level);
            SCOPED_TRACE(entry->name.toStdString());
            EXPECT_EQ(entry->id % unit[level], 0);
            EXPECT_FALSE(entry->name.isEmpty());
            EXPECT_LE(entry->name.size(), 49);
            EXPECT_FALSE(ids[level].contains(entry->id)) << "ids are unique";
            ids[level].insert(entry->id);
            if (level == 1) {
                EXPECT_GE(entry->id, 1000000);
                continue;
            }
            const int parent = entry->id / unit[level - 1] * unit[level - 1];
            EXPECT_NE(entry->id, parent) << "a child lies strictly above its parent";
            EXPECT_TRUE(ids[level - 1].contains(parent)) << "parent " << parent << " exists";
            if (parent != previousParent) {
                EXPECT_FALSE(parentsSeen.contains(parent)) << "children of one parent are consecutive";
                parentsSeen.insert(parent);
                previousParent = parent;
            }
        }
    }
    for (int level = 1; level <= 3; ++level) {
        for (int i = 0; i < tree.count(level); ++i) {
            const CategoryEntry* entry = tree.entry(i, level);
            bool hasChildren = false;
            for (int j = 0; level < 3 && j < tree.count(level + 1); ++j) {
                const int id = tree.entry(j, level + 1)->id;
                hasChildren = hasChildren || id / unit[level] * unit[level] == entry->id;
            }
            EXPECT_EQ(entry->leaf, !hasChildren) << entry->name.toStdString();
        }
    }
}

TEST(ShippedData, GivenShippedCatalogueThenTheChoosersExamplePathExists)
{
    CategoryTree tree;
    ASSERT_TRUE(tree.load(DataFolder + "category.dat"));
    const int lifestyle = findId(tree, 1, "Lifestyle", 0, 0);
    ASSERT_NE(lifestyle, 0);
    const int travel = findId(tree, 2, "Travel", lifestyle, 1000000);
    ASSERT_NE(travel, 0);
    const int africa = findId(tree, 3, "Africa", travel, 10000);
    ASSERT_NE(africa, 0);
    EXPECT_EQ(categoryDisplayPath(tree, africa), "Lifestyle  >  Travel  >  Africa");
    for (const char* name : {"Travel", "Family", "Education", "Music", "Sports", "Food & Drink", "Nature & Animals",
                             "Arts & Culture", "Science & Technology", "Business", "Events"})
        EXPECT_NE(findId(tree, 1, name, 0, 0), 0) << name;
}

TEST(ShippedData, GivenShippedLanguagesThenAboutTwentyNamesWithEnglishFirst)
{
    EXPECT_TRUE(usesCrLf(TempFolder::read(DataFolder + "language.dat")));
    LanguageTable table;
    ASSERT_TRUE(table.load(DataFolder + "language.dat"));
    EXPECT_GE(table.count(), 18);
    EXPECT_LE(table.count(), 25);
    EXPECT_EQ(table.name(0), "English");
    EXPECT_FALSE(table.names().contains(QString())) << "the announced count matches the names";
    EXPECT_EQ(QSet<QString>(table.names().begin(), table.names().end()).size(), table.count());
}
