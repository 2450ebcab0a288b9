#include "categorynames.h"

#include "tempfolder.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Names = std::vector<std::string>;

// The program's own table, copied beside the built executables.
std::filesystem::path programTable()
{
    return (QFileInfo(QStringLiteral(PICTORELLE_WEB)).absolutePath() + "/category.dat").toStdString();
}

std::vector<std::int64_t> ids(const std::vector<const CategoryName*>& entries)
{
    std::vector<std::int64_t> out;
    for (const CategoryName* entry : entries)
        out.push_back(entry->id);
    return out;
}

TEST(CategoryNamesTest, ReadsTheProgramsTable)
{
    CategoryNames names;
    std::string error;
    ASSERT_TRUE(names.load(programTable(), error)) << error;
    EXPECT_EQ(names.path(1030200), (Names{"Travel", "Europe", "France"}));
    EXPECT_EQ(names.pathText(1030200), "Travel > Europe > France");
    EXPECT_EQ(names.pathText(2060000), "Family > Pets");
    EXPECT_EQ(names.pathText(16000000), "Other");
    // Latin-1 in the file, UTF-8 in the pages.
    EXPECT_EQ(names.pathText(7030000), "Food & Drink > Caf\xC3\xA9s & Coffee");
    EXPECT_EQ(names.children(0).size(), 16u);
    EXPECT_EQ(names.children(0).front()->name, "Travel");
    const std::vector<const CategoryName*> europe = names.children(1030000);
    ASSERT_FALSE(europe.empty());
    EXPECT_EQ(europe.front()->id, 1030100);
    for (const CategoryName* country : europe) {
        EXPECT_EQ(country->level, 3);
        EXPECT_GT(country->id, 1030000);
        EXPECT_LT(country->id, 1040000);
    }
    ASSERT_NE(names.find(2060200), nullptr);
    EXPECT_TRUE(names.find(2060200)->leaf);
    EXPECT_FALSE(names.find(2060000)->leaf);
    EXPECT_EQ(names.find(2060201), nullptr);
    EXPECT_TRUE(names.path(2060201).empty());
    EXPECT_EQ(names.pathText(5), "");
}

TEST(CategoryNamesTest, ReadsLinesAsTheProgramDoes)
{
    CategoryNames names;
    ASSERT_TRUE(names.parse("1.0\n3\n2\n1\n0\n"
                            "1000000,1,0,Travel, near and far\r\n" // the name runs to the line's end
                            "2000000,1,1,Famille \xE9t\xE9\r\n"    // Latin-1
                            "999999,1,0,Too small an id\r\n"
                            "3000000,1,0,\r\n" // no name
                            "1000000,1,Short\r\n"
                            "4000000,5,0,Level five\r\n"
                            "1010000,2,0,Africa\n"
                            "1020000,2,0,Asia\n"
                            "1030000,2,0,Beyond the declared two\n"
                            "1020100,3,1,China\n"
                            "1020200,3,1,One level-3 line only\n"
                            "5000000,1,0," +
                            std::string(60, 'x') + "\n"));
    EXPECT_EQ(ids(names.children(0)), (std::vector<std::int64_t>{1000000, 2000000, 5000000}));
    EXPECT_EQ(names.find(1000000)->name, "Travel, near and far");
    EXPECT_EQ(names.find(2000000)->name, "Famille \xC3\xA9t\xC3\xA9");
    EXPECT_TRUE(names.find(2000000)->leaf);
    EXPECT_EQ(names.find(5000000)->name, std::string(49, 'x'));
    for (const std::int64_t missing : {999999, 3000000, 4000000, 1030000, 1020200})
        EXPECT_EQ(names.find(missing), nullptr) << missing;
    EXPECT_EQ(ids(names.children(1000000)), (std::vector<std::int64_t>{1010000, 1020000}));
    EXPECT_EQ(names.pathText(1020100), "Travel, near and far > Asia > China");
    EXPECT_EQ(names.all().size(), 6u);
}

TEST(CategoryNamesTest, LeavesOutAncestorsTheTableLacks)
{
    CategoryNames names;
    ASSERT_TRUE(names.parse("1.0\n1\n1\n2\n0\n1000000,1,0,Travel\n2020000,2,0,Pets\n1030100,3,1,British Isles\n"));
    EXPECT_EQ(names.path(1030100), (Names{"Travel", "British Isles"}));
    EXPECT_EQ(names.path(2020000), (Names{"Pets"}));
    EXPECT_TRUE(names.children(2000000).empty());
    EXPECT_TRUE(names.children(1030100).empty());
}

TEST(CategoryNamesTest, RefusesTablesItCannotUse)
{
    CategoryNames names;
    const std::string lines = "\n2\n0\n0\n0\n1000000,1,0,Travel\n";
    EXPECT_TRUE(names.parse("1.0" + lines));
    EXPECT_TRUE(names.parse("0.9" + lines));
    EXPECT_TRUE(names.parse("no version" + lines));
    EXPECT_FALSE(names.parse("1.1" + lines));
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(names.pathText(1000000), "");
    // 100 or more level-1 entries do not fit the program's table.
    EXPECT_FALSE(names.parse("1.0\n100\n0\n0\n0\n1000000,1,0,Travel\n"));
    EXPECT_FALSE(names.parse("1.0\n-1\n0\n0\n0\n1000000,1,0,Travel\n"));
    EXPECT_FALSE(names.parse(""));

    TempFolder folder;
    std::string error;
    EXPECT_FALSE(names.load(folder.file("none.dat").toStdString(), error));
    EXPECT_NE(error.find("none.dat"), std::string::npos) << error;
    const QString newer = folder.write("newer.dat", QByteArray::fromStdString("1.1" + lines));
    error.clear();
    EXPECT_FALSE(names.load(newer.toStdString(), error));
    EXPECT_NE(error.find("version 1.0 at most"), std::string::npos) << error;
    EXPECT_TRUE(names.empty());
}

} // namespace
